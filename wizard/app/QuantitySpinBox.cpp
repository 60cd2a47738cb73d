#include "wizard/app/QuantitySpinBox.h"

#include <algorithm>
#include <limits>

QuantitySpinBox::QuantitySpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    setAccelerated(true);
}

void QuantitySpinBox::stepBy(int steps) {
    const long long next = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(next, kArrowMin, kArrowMax)));
    selectAll();
}

QAbstractSpinBox::StepEnabled QuantitySpinBox::stepEnabled() const {
    StepEnabled e = StepNone;
    if (value() < kArrowMax)
        e |= StepUpEnabled;
    if (value() > kArrowMin)
        e |= StepDownEnabled;
    return e;
}
