// The scrolling panels: content size and steps, scroll bars only when
// needed, stacking, and the mouse wheel.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include "wizard/products/ui/ScrollPanel.h"
#include "wizard/products/ui/StackPanel.h"

namespace {

class ScrollPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel.resize(300, 200);
        panel.show();
        ScrollPanel::SetWheelLinesPerNotch(3);
    }
    void TearDown() override { ScrollPanel::SetWheelLinesPerNotch(3); }

    // One wheel event over the panel; true when the panel took it.
    bool wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(10, 10);
        QWheelEvent event(at, panel.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(panel.viewport(), &event);
        return event.isAccepted();
    }
    int y() const { return panel.verticalScrollBar()->value(); }

    StackPanel panel;
};

QWidget* Child(int width, int height) {
    auto* w = new QWidget;
    w->resize(width, height);
    return w;
}

}  // namespace

TEST_F(ScrollPanelTest, WithoutChildrenThereIsNoContentAndNoBar) {
    QApplication::processEvents();
    EXPECT_EQ(panel.contentSize(), QSize(0, 0));
    EXPECT_FALSE(panel.verticalScrollBar()->isVisible());
    EXPECT_FALSE(panel.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(panel.AddChild(nullptr));
    EXPECT_EQ(panel.count(), 0);
}

TEST_F(ScrollPanelTest, ChildrenStackWithTheFirstChildsSize) {
    ASSERT_TRUE(panel.AddChild(Child(200, 40)));
    ASSERT_TRUE(panel.AddChild(Child(150, 90)));
    ASSERT_TRUE(panel.AddChild(Child(200, 10)));
    EXPECT_EQ(panel.child(1)->geometry(), QRect(0, 40, 200, 40));
    EXPECT_EQ(panel.child(2)->geometry(), QRect(0, 80, 200, 40));
    // The width leaves room for a vertical bar.
    const int bar = panel.verticalScrollBar()->sizeHint().width();
    EXPECT_EQ(panel.contentSize(), QSize(200 - bar, 120));
    QApplication::processEvents();
    EXPECT_FALSE(panel.verticalScrollBar()->isVisible());

    for (int i = 0; i < 5; ++i)
        panel.AddChild(Child(200, 40));
    QApplication::processEvents();
    EXPECT_TRUE(panel.verticalScrollBar()->isVisible());
    EXPECT_FALSE(panel.horizontalScrollBar()->isVisible());

    // Removing the last children packs the content again; none, no bars.
    panel.RemoveLast();
    EXPECT_EQ(panel.count(), 7);
    EXPECT_EQ(panel.contentSize().height(), 280);
    panel.RemoveAll();
    QApplication::processEvents();
    EXPECT_EQ(panel.contentSize(), QSize(0, 0));
    EXPECT_FALSE(panel.verticalScrollBar()->isVisible());
}

TEST_F(ScrollPanelTest, StepsOfZeroAreATenth) {
    panel.SetContentSize(QSize(1000, 2000));
    EXPECT_EQ(panel.pageStep(), QSize(100, 200));
    EXPECT_EQ(panel.lineStep(), QSize(10, 20));
    panel.SetContentSize(QSize(1000, 2000), QSize(0, 300), QSize(7, 0));
    QApplication::processEvents();
    EXPECT_EQ(panel.pageStep(), QSize(100, 300));
    EXPECT_EQ(panel.lineStep(), QSize(7, 30));
    // The trough moves by the page step, the arrows by the line step.
    panel.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(y(), 300);
    panel.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(y(), 270);
    panel.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(y(), 2000 - panel.viewport()->height());
}

TEST_F(ScrollPanelTest, WheelMovesLinesPerNotchButNeverMoreThanAPage) {
    panel.SetContentSize(QSize(100, 5000), QSize(0, 400), QSize(0, 12));
    QApplication::processEvents();
    EXPECT_TRUE(wheel(-120));
    EXPECT_EQ(y(), 36);
    EXPECT_TRUE(wheel(120));
    EXPECT_EQ(y(), 0);

    panel.SetContentSize(QSize(100, 5000), QSize(0, 30), QSize(0, 12));
    wheel(-120);
    EXPECT_EQ(y(), 30);

    // A page per notch.
    ScrollPanel::SetWheelLinesPerNotch(-1);
    panel.SetContentSize(QSize(100, 5000), QSize(0, 400), QSize(0, 12));
    wheel(-120);
    EXPECT_EQ(y(), 430);
}

TEST_F(ScrollPanelTest, WheelIsIgnoredWithShiftOrCtrlAndWhenNothingScrolls) {
    panel.SetContentSize(QSize(100, 5000), QSize(0, 400), QSize(0, 12));
    QApplication::processEvents();
    EXPECT_FALSE(wheel(-120, Qt::ShiftModifier));
    EXPECT_FALSE(wheel(-120, Qt::ControlModifier));
    EXPECT_EQ(y(), 0);
    // At the top, a notch up is left to the window around the panel.
    EXPECT_FALSE(wheel(120));
    panel.SetContentSize(QSize(100, 50));
    EXPECT_FALSE(wheel(-120));
}

TEST_F(ScrollPanelTest, PartsOfANotchAddUp) {
    panel.SetContentSize(QSize(100, 5000), QSize(0, 400), QSize(0, 12));
    QApplication::processEvents();
    for (int i = 0; i < 4; ++i)
        wheel(-30);
    EXPECT_EQ(y(), 36);
}

TEST_F(ScrollPanelTest, ChildrenMadeOnDemandAreMadeWhenTheyComeIntoView) {
    panel.setFollowWidth(true);
    std::vector<int> made;
    panel.SetMadeOnDemand(100, [&made](int i) {
        made.push_back(i);
        auto* w = Child(120, 50);
        w->setMinimumWidth(120);
        return w;
    });
    QApplication::processEvents();
    EXPECT_EQ(panel.count(), 100);
    EXPECT_EQ(panel.contentSize().height(), 5000);
    EXPECT_LT(made.size(), 10u);
    EXPECT_EQ(panel.child(99), nullptr);
    // Children take the panel's width.
    EXPECT_EQ(panel.child(0)->width(), panel.viewport()->width());

    panel.verticalScrollBar()->setValue(panel.verticalScrollBar()->maximum());
    ASSERT_NE(panel.child(99), nullptr);
    EXPECT_EQ(panel.child(99)->geometry().top(), 99 * 50);
    EXPECT_EQ(panel.child(50), nullptr);
    EXPECT_EQ(panel.indexOf(panel.child(99)), 99);
}
