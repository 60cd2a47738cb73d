#pragma once
// One step page of the wizard sheet: the banner across its top, the page's own
// controls below it, and the hooks through which the sheet asks the page
// before it is left.

#include <QPixmap>
#include <QString>
#include <QWidget>

class CMyProperySheet;
class QLabel;
class QVBoxLayout;

class CWizardPage : public QWidget {
    Q_OBJECT
public:
    CWizardPage(const QString& title, const QPixmap& banner, QWidget* parent = nullptr);

    // The window title while this page is showing, e.g. "Zadozu Orlavo (Step 1 of 4)".
    const QString& title() const { return title_; }
    CMyProperySheet* sheet() const { return sheet_; }

    // Called when the page becomes the active one.
    virtual void onSetActive() {}
    // Asked before "Continue" (or "Send Order") leaves the page: false stays.
    virtual bool onWizardNext() { return true; }
    // Asked before "Back" leaves the page: false stays.
    virtual bool onWizardBack() { return true; }
    // Called after the page was left for another one.
    virtual void onKillActive() {}

protected:
    // Where a page puts its own controls (below the banner).
    QVBoxLayout* body() const { return body_; }

private:
    friend class CMyProperySheet;
    QString title_;
    QLabel* banner_;
    QVBoxLayout* body_;
    CMyProperySheet* sheet_ = nullptr;
};
