#include "platform/AccessibleButtons.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QRadioButton>

namespace orlavo {
namespace {

// A label's text as read aloud: "&Save" is "Save", "&&" is "&".
QString WithoutMnemonic(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

class AccessibleCheckable : public QAccessibleWidget {
public:
    AccessibleCheckable(QAbstractButton* button, QAccessible::Role role)
        : QAccessibleWidget(button, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return WithoutMnemonic(button()->text());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            if (widget()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == toggleAction())
            return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* MakeAccessibleButton(const QString& className, QObject* object) {
    if (className == QLatin1String("QCheckBox"))
        if (auto* box = qobject_cast<QCheckBox*>(object))
            return new AccessibleCheckable(box, QAccessible::CheckBox);
    if (className == QLatin1String("QRadioButton"))
        if (auto* radio = qobject_cast<QRadioButton*>(object))
            return new AccessibleCheckable(radio, QAccessible::RadioButton);
    return nullptr;
}

}  // namespace

void InstallAccessibleButtons() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(MakeAccessibleButton);
        installed = true;
    }
}

}  // namespace orlavo
