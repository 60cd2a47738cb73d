#include "wizard/products/ui/StackPanel.h"

#include <QScrollBar>
#include <algorithm>

StackPanel::StackPanel(QWidget* parent) : ScrollPanel(parent) {
    connect(this, &ScrollPanel::shownAreaChanged, this, [this] {
        resizeChildren();
        if (viewport()->size() != shown_ && !last_.isEmpty())
            Relayout();
        makeShown();
    });
}

StackPanel::~StackPanel() {
    RemoveAll();
}

void StackPanel::setFollowWidth(bool follow) {
    followWidth_ = follow;
    resizeChildren();
}

bool StackPanel::AddChild(QWidget* child) {
    if (child == nullptr)
        return false;
    if (child->parentWidget() != canvas())
        child->setParent(canvas());
    QRect rect;
    if (last_.isEmpty()) {
        takeFirst(child);
        rect = first_;
    } else {
        rect = QRect(last_.left(), last_.bottom() + 1 + gap(), last_.width(), last_.height());
        child->setGeometry(rect);
    }
    children_.emplace_back(child);
    last_ = rect;
    setStackedContentSize();
    child->show();
    return true;
}

void StackPanel::RemoveAll() {
    std::vector<QPointer<QWidget>> gone;
    gone.swap(children_);
    for (const QPointer<QWidget>& c : gone)
        delete c.data();
    make_ = nullptr;
    first_ = QRect();
    last_ = QRect();
    Relayout();
}

std::vector<QWidget*> StackPanel::TakeAll() {
    std::vector<QWidget*> taken;
    for (const QPointer<QWidget>& c : children_) {
        if (c) {
            c->hide();
            taken.push_back(c.data());
        }
    }
    children_.clear();
    RemoveAll();
    return taken;
}

void StackPanel::RemoveLast() {
    if (children_.empty())
        return;
    delete children_.back().data();
    children_.pop_back();
    Relayout();
}

void StackPanel::Relayout() {
    QRect rect;
    if (!children_.empty())
        rect = children_.back() ? children_.back()->geometry() : placeRect(count() - 1);
    last_ = rect;
    if (rect.isEmpty()) {
        first_ = QRect();
        SetContentSize(QSize());
    } else if (followWidth_) {
        setStackedContentSize();
    } else {
        shown_ = viewport()->size();
        SetContentSize(QSize(rect.right() + 1, rect.bottom() + 1), shown_);
    }
    viewport()->update();
}

void StackPanel::SetMadeOnDemand(int count, Maker make) {
    RemoveAll();
    if (count <= 0)
        return;
    make_ = std::move(make);
    children_.resize(static_cast<std::size_t>(count));
    QWidget* first = make_(0);
    if (first == nullptr) {
        children_.clear();
        make_ = nullptr;
        return;
    }
    first->setParent(canvas());
    takeFirst(first);
    children_[0] = first;
    last_ = placeRect(count - 1);
    setStackedContentSize();
    first->show();
    makeShown();
}

QWidget* StackPanel::child(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return children_[static_cast<std::size_t>(index)].data();
}

QWidget* StackPanel::ensureChild(int index) {
    QWidget* c = child(index);
    if (c != nullptr || index < 0 || index >= count() || !make_ || making_)
        return c;
    making_ = true;
    c = make_(index);
    making_ = false;
    if (c == nullptr)
        return nullptr;
    c->setParent(canvas());
    c->setGeometry(placeRect(index));
    children_[static_cast<std::size_t>(index)] = c;
    c->show();
    emit childMade(index, c);
    return c;
}

int StackPanel::indexOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr && w != canvas(); w = w->parentWidget()) {
        if (w->parentWidget() != canvas())
            continue;
        for (std::size_t i = 0; i < children_.size(); ++i)
            if (children_[i].data() == w)
                return static_cast<int>(i);
        return -1;
    }
    return -1;
}

QRect StackPanel::placeRect(int index) const {
    if (first_.isEmpty())
        return {};
    return QRect(first_.left(), first_.top() + index * (first_.height() + gap()), first_.width(),
                 first_.height());
}

void StackPanel::takeFirst(QWidget* child) {
    QRect rect = child->geometry();
    minWidth_ = std::max(child->minimumWidth(), child->minimumSizeHint().width());
    if (followWidth_)
        rect.setWidth(std::max(viewport()->width(), minWidth_));
    child->setGeometry(rect);
    first_ = rect;
}

void StackPanel::setStackedContentSize() {
    // The width leaves room for a vertical bar, so that one does not bring a
    // horizontal one; children that follow the width fit the shown area.
    const int barW = verticalScrollBar()->sizeHint().width();
    const int width =
        followWidth_ ? last_.left() + minWidth_ : std::max(last_.right() + 1 - barW, 0);
    shown_ = viewport()->size();
    SetContentSize(QSize(width, last_.bottom() + 1), shown_);
}

void StackPanel::resizeChildren() {
    if (!followWidth_ || first_.isEmpty())
        return;
    const int width = std::max(viewport()->width(), minWidth_);
    if (width == first_.width())
        return;
    first_.setWidth(width);
    last_.setWidth(width);
    for (std::size_t i = 0; i < children_.size(); ++i)
        if (children_[i])
            children_[i]->setGeometry(placeRect(static_cast<int>(i)));
    setStackedContentSize();
}

void StackPanel::makeShown() {
    if (!make_ || first_.isEmpty())
        return;
    // One place more on each side, so a small scroll shows no gap.
    const int step = first_.height() + gap();
    const int top = scrollPosition().y() - first_.top();
    const int from = std::max(top / step - 1, 0);
    const int to = std::min((top + viewport()->height()) / step + 1, count() - 1);
    for (int i = from; i <= to; ++i)
        ensureChild(i);
}
