#pragma once
// Keeps a details field to what the order documents can carry (the rule of
// EnteredText): typed or pasted control characters vanish, line breaks and
// tabs become blanks. Everything else is acceptable as it stands.

#include <QValidator>

class EnteredTextValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
