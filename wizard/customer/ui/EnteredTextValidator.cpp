#include "wizard/customer/ui/EnteredTextValidator.h"

#include "wizard/customer/EnteredText.h"

QValidator::State EnteredTextValidator::validate(QString& input, int& pos) const {
    QString out;
    int newPos = pos;
    bool changed = false;
    for (qsizetype i = 0; i < input.size();) {
        const QChar c = input.at(i);
        qsizetype length = 1;
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, input.at(i + 1));
            length = 2;
        }
        if (code == '\t' || code == '\n' || code == '\r') {
            out.append(QLatin1Char(' '));
            changed = true;
        } else if (orlavo::wizard::IsEnterableCharacter(code)) {
            out.append(input.mid(i, length));
        } else {
            changed = true;
            if (i < pos)
                newPos -= static_cast<int>(length);
        }
        i += length;
    }
    if (changed) {
        input = out;
        pos = newPos;
    }
    return Acceptable;
}
