#pragma once
// A framed strip that tells of an order which stopped before every photo
// reached the lab, with the buttons that act on it: the start window's offer
// to resume an interrupted order, and step 4's note after a send that
// stopped. The text is shown as plain text.

#include <QFrame>
#include <QString>

class QHBoxLayout;
class QLabel;
class QPushButton;

class ResumeOffer : public QFrame {
    Q_OBJECT
public:
    explicit ResumeOffer(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // A button at the strip's right end, after those added before.
    QPushButton* addButton(const QString& caption, const QString& objectName);

private:
    QLabel* text_;
    QHBoxLayout* buttons_;
};
