#pragma once
// Preferences: the billing details, dealer number, default product and
// quantity, "Zoom and Trim All", the pictures folder and whether photos go
// without where they were taken, kept in the settings store so that later
// orders start pre-filled. Changes are stored only at "Save".

#include <QDialog>

class CWizardApp;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QuantitySpinBox;

class CPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    CPreferencesDialog(CWizardApp& app, QWidget* parent = nullptr);

    QLineEdit* firstName() const { return firstName_; }
    QLineEdit* lastName() const { return lastName_; }
    QLineEdit* address() const { return address_; }
    QLineEdit* address2() const { return address2_; }
    QLineEdit* town() const { return town_; }
    QLineEdit* state() const { return state_; }
    QLineEdit* postCode() const { return postCode_; }
    QComboBox* country() const { return country_; }
    QLineEdit* phone() const { return phone_; }
    QLineEdit* email() const { return email_; }
    QLineEdit* customerNumber() const { return customerNumber_; }
    QLineEdit* dealerNumber() const { return dealerNumber_; }
    QComboBox* product() const { return product_; }
    QuantitySpinBox* quantity() const { return quantity_; }
    QCheckBox* zoomAndTrimAll() const { return zoomAndTrimAll_; }
    QLineEdit* picturesFolder() const { return picturesFolder_; }
    QCheckBox* shareThumbnails() const { return shareThumbnails_; }
    QPushButton* chooseButton() const { return choose_; }
    QCheckBox* removeLocation() const { return removeLocation_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    // "Save": checks, stores and closes with OK; a refused value keeps the window open.
    void accept() override;
    void onChoose();

private:
    void load();

    CWizardApp& app_;
    QLineEdit* firstName_;
    QLineEdit* lastName_;
    QLineEdit* address_;
    QLineEdit* address2_;
    QLineEdit* town_;
    QLineEdit* state_;
    QLineEdit* postCode_;
    QComboBox* country_;
    QLineEdit* phone_;
    QLineEdit* email_;
    QLineEdit* customerNumber_;
    QLineEdit* dealerNumber_;
    QComboBox* product_;
    QuantitySpinBox* quantity_;
    QCheckBox* zoomAndTrimAll_;
    QLineEdit* picturesFolder_;
    QPushButton* choose_;
    QCheckBox* shareThumbnails_;
    QCheckBox* removeLocation_;
    QPushButton* save_;
    QPushButton* cancel_;
};
