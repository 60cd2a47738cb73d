#pragma once
// Step 2 of the wizard: for every selected photo one block with its product
// lines; the selectors that add a line to every photo; "Zoom and Trim All";
// the subtotal. The blocks show the order afresh at every activation, each
// made (or an earlier one reused) only once it comes into view, so that a
// large order opens at once.

#include <QList>
#include <QPointer>
#include <memory>
#include <vector>

#include "wizard/app/CWizardPage.h"
#include "wizard/products/ui/ProductPageData.h"

class CWizardApp;
class PhotoProductBlock;
class PrintPreviewDialog;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class StackPanel;

class CCustomProductPage : public CWizardPage {
    Q_OBJECT
public:
    CCustomProductPage(CWizardApp& app, QWidget* parent = nullptr);
    ~CCustomProductPage() override;

    void onSetActive() override;
    bool onWizardNext() override;
    void onKillActive() override;

    QComboBox* productSelector() const { return product_; }
    QComboBox* quantitySelector() const { return quantity_; }
    QPushButton* addButton() const { return add_; }
    QCheckBox* zoomAndTrimAllBox() const { return zoomTrimAll_; }
    QLabel* subtotalLabel() const { return subtotal_; }
    StackPanel* blocksPanel() const { return panel_; }
    // The block of PHOTO, made now if it was not yet.
    PhotoProductBlock* block(int photo);
    // The blocks made so far (those that came into view).
    QList<PhotoProductBlock*> madeBlocks() const;
    // Opens the print preview of PHOTO, PRODUCT's line first (-1: the first
    // line); nothing opens for a photo without lines.
    void openPreview(int photo, int product);
    // The open preview, if any.
    PrintPreviewDialog* preview() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initialise();
    void onAdd();
    void onZoomTrimAll(bool on);
    void showSubtotal();
    PhotoProductBlock* makeBlock(int photo);
    void linkFocusChain(PhotoProductBlock* block);
    void keepNeighboursMade(QWidget* focused);

    CWizardApp& app_;
    std::unique_ptr<ProductPageData> data_;
    bool initialised_ = false;
    QComboBox* product_;
    QComboBox* quantity_;
    QPushButton* add_;
    QCheckBox* zoomTrimAll_;
    StackPanel* panel_;
    QLabel* subtotal_;
    // Blocks of an earlier activation, reused before new ones are made.
    std::vector<PhotoProductBlock*> spare_;
    QPointer<PrintPreviewDialog> preview_;
};
