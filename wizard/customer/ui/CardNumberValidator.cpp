#include "wizard/customer/ui/CardNumberValidator.h"

#include "wizard/customer/CardNumber.h"

QValidator::State CardNumberValidator::validate(QString& input, int& pos) const {
    int digitsBefore = 0;
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(input.size()));
    for (qsizetype i = 0; i < input.size(); ++i) {
        const char16_t c = input.at(i).unicode();
        if (c < u'0' || c > u'9')
            continue;
        ascii.push_back(static_cast<char>(c));
        if (i < pos)
            ++digitsBefore;
    }
    const QString grouped = QString::fromStdString(orlavo::wizard::GroupCardDigits(ascii));
    digitsBefore = std::min(digitsBefore, static_cast<int>(orlavo::wizard::kMaxCardDigits));
    if (grouped != input) {
        input = grouped;
        pos =
            std::min(orlavo::wizard::GroupedCursor(digitsBefore), static_cast<int>(grouped.size()));
    }
    return Acceptable;
}
