#pragma once
// The wizard sheet: the four step pages, Back / Continue / Cancel / Help,
// the help address, and the question before the user quits. The window can
// be resized and maximised; its size is kept in Settings/WizardWindow when
// the wizard ends and taken up again at the next start.

#include <QDialog>
#include <QList>

class CWizardApp;
class CWizardPage;
class QPushButton;
class QStackedWidget;

class CMyProperySheet : public QDialog {
    Q_OBJECT
public:
    CMyProperySheet(CWizardApp& app, QWidget* parent = nullptr);

    void addPage(CWizardPage* page);
    int pageCount() const { return pages_.size(); }
    CWizardPage* page(int index) const { return pages_.value(index); }
    int activeIndex() const { return active_; }
    CWizardPage* activePage() const { return page(active_); }
    // Makes a page the active one without asking the current page.
    void setActivePage(int index);

    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* helpButton() const { return help_; }

    // Ends the wizard without the quit question (the order-sent window's "Exit Orlavo").
    void endWizard(int result);
    // Keeps the window's size in the settings, then closes.
    void done(int result) override;

public slots:
    // Back, Cancel and Help in a row at the left, Continue at the right.
    void layoutWithBack();
    // Back hidden; Cancel and Help move one place to the left.
    void layoutWithoutBack();
    void onBack();
    void onNext();
    void onHelp();
    // Cancel, Escape and the close box: only "Yes" to the quit question closes.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Keeps Continue the default button whatever has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void activate(int index);
    void restoreSize();
    void storeSize();

    CWizardApp& app_;
    QStackedWidget* stack_;
    QList<CWizardPage*> pages_;
    int active_ = -1;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* cancel_;
    QPushButton* help_;
    bool opened_ = false;
};
