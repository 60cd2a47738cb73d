// A screen reader's "toggle" works a check box or radio button as Space does:
// the click the windows act on comes, not only the tick.

#include "platform/AccessibleButtons.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWidget>

namespace {

TEST(AccessibleButtons, TheToggleActionClicksAsSpaceDoes) {
    orlavo::InstallAccessibleButtons();
    QWidget window;
    QCheckBox box("Zoom and &Trim", &window);
    QRadioButton home("Home", &window);
    QRadioButton shop("Shop", &window);
    home.setChecked(true);
    const QString toggle = QAccessibleActionInterface::toggleAction();

    struct Case {
        QAbstractButton* button;
        QAccessible::Role role;
        const char* name;
    } cases[] = {{&box, QAccessible::CheckBox, "Zoom and Trim"},
                 {&shop, QAccessible::RadioButton, "Shop"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy clicked(c.button, &QAbstractButton::clicked);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.button);
        ASSERT_TRUE(a && a->actionInterface());
        EXPECT_EQ(a->role(), c.role);
        EXPECT_EQ(a->text(QAccessible::Name), c.name);
        EXPECT_TRUE(a->actionInterface()->actionNames().contains(toggle));
        EXPECT_FALSE(a->state().checked);
        a->actionInterface()->doAction(toggle);
        EXPECT_TRUE(c.button->isChecked());
        EXPECT_TRUE(a->state().checked);
        EXPECT_EQ(clicked.count(), 1);
        // A disabled one stays as it is.
        c.button->setEnabled(false);
        a->actionInterface()->doAction(toggle);
        EXPECT_EQ(clicked.count(), 1);
    }
    EXPECT_FALSE(home.isChecked()) << "the radio buttons stay one choice";
}

}  // namespace
