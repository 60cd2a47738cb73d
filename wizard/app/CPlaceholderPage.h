#pragma once
// A step page that shows only its heading, until the step's own page takes
// its place. It plays its step's part in the sheet's navigation: step 1
// shows the sheet without Back and asks for Back when it is left forward,
// step 2 shows Back, step 4 reads "Send Order" while active and stays put
// when it is pressed, as nothing is sent from here.

#include "wizard/app/CWizardApp.h"
#include "wizard/app/CWizardPage.h"

class CPlaceholderPage : public CWizardPage, public PhotoSelection {
    Q_OBJECT
public:
    // STEP is 1 to 4.
    CPlaceholderPage(CWizardApp& app, int step, QWidget* parent = nullptr);

    int step() const { return step_; }

    void onSetActive() override;
    bool onWizardNext() override;
    void onKillActive() override;
    // Empties the order (the photo page's "Remove All").
    void removeAll() override;

private:
    CWizardApp& app_;
    int step_;
};
