#include "wizard/app/AppLook.h"

#include <QApplication>
#include <QString>

#include "platform/look/Look.h"

namespace {

// The wizard's own parts, on top of the look both programs share.
const char* const kWizardSheet = R"(
#startLower { background: #ffffff; }
#statusLine { color: #4a5260; }
#buttonBar { background: #eef0f3; }
QFrame#buttonRule { color: #d5d9e0; }
QGroupBox {
    font-weight: bold;
    border: 1px solid #d5d9e0;
    border-radius: 6px;
    margin-top: 10px;
    padding: 12px 10px 8px 10px;
    background: #ffffff;
}
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #2a3242; }
QLineEdit, QComboBox, QSpinBox {
    min-height: 24px;
    border: 1px solid #c3c9d3;
    border-radius: 4px;
    padding: 1px 6px;
    background: #ffffff;
    selection-background-color: #2f6fde;
}
QLineEdit:focus, QComboBox:focus, QSpinBox:focus { border: 2px solid #2f6fde; padding: 0 5px; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled { background: #eef0f3; color: #8a919c; }
QComboBox { padding-right: 24px; }
QComboBox::drop-down {
    subcontrol-origin: padding;
    subcontrol-position: center right;
    width: 22px;
    border: none;
}
QComboBox::down-arrow { image: url(:/wizard/icons/arrow-down.png); width: 10px; height: 6px; }
QComboBox QAbstractItemView {
    border: 1px solid #c3c9d3;
    background: #ffffff;
    selection-background-color: #2f6fde;
    selection-color: #ffffff;
}
QSpinBox { padding-right: 22px; }
QSpinBox::up-button, QSpinBox::down-button {
    subcontrol-origin: border;
    width: 20px;
    border: none;
    border-left: 1px solid #d5d9e0;
    background: #f3f5f8;
}
QSpinBox::up-button { subcontrol-position: top right; border-top-right-radius: 4px; }
QSpinBox::down-button { subcontrol-position: bottom right; border-bottom-right-radius: 4px; }
QSpinBox::up-button:hover, QSpinBox::down-button:hover { background: #e1e8f5; }
QSpinBox::up-arrow { image: url(:/wizard/icons/arrow-up.png); width: 8px; height: 5px; }
QSpinBox::down-arrow { image: url(:/wizard/icons/arrow-down.png); width: 8px; height: 5px; }
#pageHeading { color: #1f2430; }
#heading { color: #1f2430; }
)";

}  // namespace

const QString& AppStyleSheet() {
    static const QString sheet = orlavo::look::SharedStyleSheet() + QString::fromUtf8(kWizardSheet);
    return sheet;
}

void ApplyAppLook(QApplication& app) {
    orlavo::look::ApplyLook(app);
    app.setStyleSheet(AppStyleSheet());
}
