#pragma once
// The wizard's four step pages, as the program shows them.

class CWizardApp;
class CWizardPage;
class QWidget;

// The page of STEP (1 to 4), owned by PARENT.
CWizardPage* MakeStepPage(CWizardApp& app, int step, QWidget* parent);
