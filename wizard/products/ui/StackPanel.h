#pragma once
// A scrolling panel that stacks its children one below the other, every child
// the size of the first, and keeps the content size in step with them. It
// owns its children and deletes them with itself.
//
// Children are either added one by one (AddChild) or made on demand: with
// SetMadeOnDemand the panel holds COUNT places and calls the maker for a place
// only when it comes into view, so a long list costs only what is shown.
//
// The page step is the shown area's size (a tenth of it per line), so that
// the wheel moves the same distance however long the list is.
//
// Optionally the children follow the panel's width (never narrower than the
// first child's minimum width), so that a wider window gives them more room.

#include <QPointer>
#include <QRect>
#include <functional>
#include <vector>

#include "wizard/products/ui/ScrollPanel.h"

class StackPanel : public ScrollPanel {
    Q_OBJECT
public:
    using Maker = std::function<QWidget*(int index)>;

    explicit StackPanel(QWidget* parent = nullptr);
    ~StackPanel() override;

    // Children take the width of the shown area.
    void setFollowWidth(bool follow);

    // Appends CHILD below the last one (the first stays where it is) with the
    // first child's size and shows it. False, and nothing done, for none.
    bool AddChild(QWidget* child);
    // Deletes every child; no children means no content and no scroll bars.
    void RemoveAll();
    // Empties the panel like RemoveAll but hands the made children, hidden,
    // to the caller instead of deleting them (they stay on the canvas).
    std::vector<QWidget*> TakeAll();
    // Deletes the last child and lays out again.
    void RemoveLast();
    // The content size from the last child's current rectangle.
    void Relayout();

    // COUNT places, each the size of the first; MAKE makes the child of a
    // place when it is first needed. The first is made at once.
    void SetMadeOnDemand(int count, Maker make);

    // Places held (made or not).
    int count() const { return static_cast<int>(children_.size()); }
    // The child of place I; nullptr when not made (yet).
    QWidget* child(int index) const;
    // The child of place I, made now if need be.
    QWidget* ensureChild(int index);
    // The place whose child holds WIDGET, or -1.
    int indexOf(const QWidget* widget) const;
    // A place's rectangle in content coordinates.
    QRect placeRect(int index) const;

signals:
    // A place's child was made on demand.
    void childMade(int index, QWidget* child);

private:
    void resizeChildren();
    void makeShown();
    void setStackedContentSize();
    void takeFirst(QWidget* child);
    int gap() const { return 0; }

    std::vector<QPointer<QWidget>> children_;
    QRect first_;  // the first child's rectangle; every place has its size
    QRect last_;   // the last place's rectangle, empty when there is none
    Maker make_;
    int minWidth_ = 0;  // the first child's minimum width
    bool followWidth_ = false;
    bool making_ = false;
    QSize shown_;  // the shown area's size at the last layout
};
