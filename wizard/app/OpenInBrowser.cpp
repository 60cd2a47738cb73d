#include "wizard/app/OpenInBrowser.h"

#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

constexpr int kCaption = 108;
constexpr int kNoAddress = 3080;
constexpr int kNoBrowser = 3081;

}  // namespace

bool OpenInBrowser(AppEffects& effects, QWidget* owner, const QString& address) {
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty()) {
        effects.message(owner, S(kCaption), S(kNoAddress), QMessageBox::Information,
                        QMessageBox::Ok);
        return false;
    }
    if (effects.open(trimmed))
        return true;
    effects.message(owner, S(kCaption), S(kNoBrowser).arg(trimmed), QMessageBox::Warning,
                    QMessageBox::Ok);
    return false;
}
