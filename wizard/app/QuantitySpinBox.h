#pragma once
// The quantity edit with its up-down: the arrows go from 0 to 999, while any
// number typed or stored is shown as it is (the range check comes at Save).

#include <QSpinBox>

class QuantitySpinBox : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int kArrowMin = 0;
    static constexpr int kArrowMax = 999;

    explicit QuantitySpinBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
};
