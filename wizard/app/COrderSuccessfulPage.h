#pragma once
// "Order Sent Successfully": shown after every photo of an order was
// accepted, with the wizard hidden behind it. Its result is kOrderMore after
// "Order More Photos" (the order is emptied and step 1 shows again) and
// kExit after "Exit Orlavo", the close box or Escape.

#include <QDialog>
#include <QPointer>

class CMyProperySheet;
class CWizardApp;
class QPushButton;

class COrderSuccessfulPage : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOrderMore = 1;
    static constexpr int kExit = 2;

    COrderSuccessfulPage(CWizardApp& app, CMyProperySheet* sheet, QWidget* parent = nullptr);

    QPushButton* websiteButton() const { return website_; }
    QPushButton* orderMoreButton() const { return orderMore_; }
    QPushButton* exitButton() const { return exit_; }

public slots:
    void onWebsite();
    void onOrderMore();
    void reject() override;
    // Enter presses the focused button only; there is no default action that
    // would leave the wizard hidden.
    void accept() override {}

protected:
    void showEvent(QShowEvent* event) override;

private:
    CWizardApp& app_;
    QPointer<CMyProperySheet> sheet_;
    QPushButton* website_;
    QPushButton* orderMore_;
    QPushButton* exit_;
};
