#pragma once
// A message bar that tells what a change did and offers "Undo" for a few
// seconds; it hides itself when the time is up or "Undo" is pressed.

#include <QFrame>
#include <QTimer>

class QLabel;
class QPushButton;

class UndoBar : public QFrame {
    Q_OBJECT
public:
    explicit UndoBar(QWidget* parent = nullptr);

    // Shows TEXT with "Undo" for SHOWN_MS milliseconds.
    void offer(const QString& text, int shownMs = 8000);
    void withdraw();

    QLabel* label() const { return label_; }
    QPushButton* undoButton() const { return undo_; }

signals:
    void undoRequested();

private:
    QLabel* label_;
    QPushButton* undo_;
    QTimer timer_;
};
