#pragma once
// Marks the entries that a check of the details found wrong: a red frame,
// kept until the entry is changed or the next check.

#include <QObject>
#include <QPointer>
#include <vector>

class QWidget;

class FieldMarks : public QObject {
public:
    using QObject::QObject;

    // Marks WIDGETS (line edits and lists), clearing the earlier marks.
    void mark(const std::vector<QWidget*>& widgets);
    void clear();
    bool isMarked(const QWidget* widget) const;

private:
    void unmark(QWidget* widget);

    struct Mark {
        QPointer<QWidget> widget;
        QString styleSheet;  // the entry's own, given back
        QMetaObject::Connection changed;
    };
    std::vector<Mark> marks_;
};
