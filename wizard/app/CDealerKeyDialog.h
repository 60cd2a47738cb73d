#pragma once
// "Enter Your Dealer Key": asks for the dealer number when start-up decides
// to. "Continue" is enabled only with a key; modes 2 and 3 accept only a key
// that names a shop of the catalogue.

#include <QDialog>
#include <QString>

class CWizardApp;
class QLineEdit;
class QPushButton;

class CDealerKeyDialog : public QDialog {
    Q_OBJECT
public:
    CDealerKeyDialog(CWizardApp& app, const QString& key, QWidget* parent = nullptr);

    QString key() const { return key_; }
    QLineEdit* keyEdit() const { return edit_; }
    QPushButton* continueButton() const { return continue_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void accept() override;

private:
    CWizardApp& app_;
    QString key_;
    QLineEdit* edit_;
    QPushButton* continue_;
    QPushButton* cancel_;
};
