#pragma once
// The card number field: only digits, at most 19, shown in groups of four
// while they are typed or pasted ("4111 1111 1111 1111"); the cursor stays
// behind the digit it followed.

#include <QValidator>

class CardNumberValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
