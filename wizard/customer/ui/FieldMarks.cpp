#include "wizard/customer/ui/FieldMarks.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr const char* kMarked = "border: 2px solid #b3261e; border-radius: 3px;";

}  // namespace

void FieldMarks::mark(const std::vector<QWidget*>& widgets) {
    clear();
    for (QWidget* w : widgets) {
        if (w == nullptr || isMarked(w))
            continue;
        Mark m{w, w->styleSheet(), {}};
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            m.changed = connect(edit, &QLineEdit::textEdited, this, [this, w] { unmark(w); });
        else if (auto* list = qobject_cast<QComboBox*>(w))
            m.changed = connect(list, &QComboBox::activated, this, [this, w] { unmark(w); });
        w->setStyleSheet(kMarked);
        w->setProperty("invalidEntry", true);
        marks_.push_back(std::move(m));
    }
}

void FieldMarks::clear() {
    while (!marks_.empty())
        unmark(marks_.front().widget);
}

bool FieldMarks::isMarked(const QWidget* widget) const {
    for (const Mark& m : marks_)
        if (m.widget == widget)
            return true;
    return false;
}

void FieldMarks::unmark(QWidget* widget) {
    for (auto it = marks_.begin(); it != marks_.end(); ++it) {
        if (it->widget != widget)
            continue;
        disconnect(it->changed);
        if (it->widget) {
            it->widget->setStyleSheet(it->styleSheet);
            it->widget->setProperty("invalidEntry", false);
        }
        marks_.erase(it);
        return;
    }
}
