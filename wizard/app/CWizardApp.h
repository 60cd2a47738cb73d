#pragma once
// The ordering wizard's application object: runs start-up, the start window,
// the dealer step and the wizard, and holds what more than one window uses.
// Pages receive it by reference and read and write its members directly.

#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/catalogue/ShopRecord.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/photos/ThumbnailList.h"
#include "wizard/transmission/PriceQuote.h"

namespace orlavo {
class RegistryStore;
}
namespace orlavo::transmission {
class JournalClaim;
}
class AppEffects;
class CMyProperySheet;
class CWizardPage;

// The step-1 page registers itself so that the order can be emptied.
class PhotoSelection {
public:
    virtual ~PhotoSelection() = default;
    // The page's "Remove All".
    virtual void removeAll() = 0;
    // Photos opened with the wizard or dropped on it: shown, ticked and put
    // into the order. Pages that show no folders take none.
    virtual void addFiles(const std::vector<std::string>& /*files*/) {}
};

class CWizardApp;

// Makes the page of STEP (1 to 4) with PARENT as its owner.
using StepPageMaker = std::function<CWizardPage*(CWizardApp& app, int step, QWidget* parent)>;

class CWizardApp {
public:
    // ARGS as the command line gave them (the first is the program).
    // PROGRAM_FOLDER is where "Resources.rcc" and the pictures are looked for
    // (ending in "/"); empty for the executable's own folder. PAGES makes the
    // four step pages; empty gives pages that show only their heading.
    CWizardApp(std::vector<std::string> args, AppEffects& effects, std::string programFolder = {},
               StepPageMaker pages = {});
    ~CWizardApp();
    CWizardApp(const CWizardApp&) = delete;
    CWizardApp& operator=(const CWizardApp&) = delete;

    // The start routine: start-up, start window, dealer step, wizard. The
    // program ends when it returns.
    void InitInstance();

    // Its steps, in order. Each false means "end".
    bool StartUp();         // command line to the sheet and its pages
    bool RunStartDialog();  // true only for "Begin" after a successful load
    bool DealerStep();      // false when the wizard may not open
    int RunWizard();

    // Message boxes with the caption "Zadozu Orlavo" over the main window.
    // Enter presses DEFAULT_BUTTON (the box's own choice when NoButton).
    QMessageBox::StandardButton ShowAppMessage(
        const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    QMessageBox::StandardButton ShowAppMessageId(
        int id, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // The catalogue load of the start window; the error text, empty on
    // success. CANCEL, when given, stops the download once it is set.
    std::string LoadCatalogue(const std::string& address,
                              const std::atomic<bool>* cancel = nullptr);

    // Photos to add to the order: those it was started with, or those a
    // second start handed over. They go to step 1 once the wizard is on the
    // screen with no other window in front; the wizard comes to the front.
    void openFiles(std::vector<std::string> files);
    const std::vector<std::string>& pendingFiles() const { return pendingFiles_; }

    // Empties the order through the registered step-1 page.
    void registerPhotoSelection(PhotoSelection* page) { photoSelection_ = page; }
    void emptyOrder();

    // The dealer key dialog's rule for "Continue", with the current mode and shops.
    bool dealerKeyAccepted(const std::string& key) const;
    // Sets the mode and stores it as decimal text in UseDealerNumber.
    bool storeDealerMode(int mode);

    std::vector<std::string> countryNames() const;
    std::vector<std::string> productNames() const;

    orlavo::RegistryStore& registry() { return *registry_; }
    AppEffects& effects() { return effects_; }
    const std::string& profile() const { return profile_; }
    const std::string& programVersion() const { return programVersion_; }
    const QIcon& programIcon() const { return icon_; }
    const QPixmap& startPicture() const { return startPicture_; }
    const QPixmap& bannerPicture() const { return bannerPicture_; }
    const QPixmap& orderSentPicture() const { return orderSentPicture_; }
    // The wizard sheet; the main window once the wizard runs.
    CMyProperySheet* sheet() const { return sheet_.get(); }
    QWidget* mainWindow() const;

    // Shared state, read and written by the pages.
    std::string uploadURL;
    std::string priceRequestURL;
    orlavo::wizard::CXmlDocuments xml;
    int debug = 0;
    int dealerMode = 0;
    std::string dealerNumber;
    std::string chosenShopName;
    orlavo::wizard::ShopList shops;
    // The selected photos and their lines; sized to the catalogue once it is loaded.
    orlavo::wizard::OrderModel order;
    // Their thumbnails, in step with the order.
    orlavo::wizard::ThumbnailList selectedThumbnails;
    // The last price quote.
    orlavo::transmission::PriceQuoteInfo priceQuote;
    // The order that stopped before every photo reached the lab, held (with
    // its lock) while this wizard may send the rest: chosen in the start
    // window, or left by a send that failed or was cancelled. Null otherwise.
    std::unique_ptr<orlavo::transmission::JournalClaim> unfinishedOrder;
    // The details of a resumed order, for step 3 to show when it first opens
    // (no card data), and the dealer number its photos carried.
    std::optional<orlavo::wizard::CustomerDetails> resumedDetails;
    std::optional<std::string> resumedDealerNumber;

    // Puts the photos and lines of unfinishedOrder into the order (a
    // placeholder for each thumbnail) and its details into resumedDetails;
    // the wizard then opens on step 3. The empty text, or why not.
    std::string RestoreUnfinishedOrder();

private:
    void loadPictures();
    void readSettings();
    void deliverFiles();

    std::vector<std::string> args_;
    AppEffects& effects_;
    std::string programFolder_;
    StepPageMaker pages_;
    std::string profile_;
    std::string programVersion_;
    std::unique_ptr<orlavo::RegistryStore> registry_;
    QIcon icon_;
    QPixmap startPicture_;
    QPixmap bannerPicture_;
    QPixmap orderSentPicture_;
    std::unique_ptr<CMyProperySheet> sheet_;
    bool sheetIsMain_ = false;
    int firstPage_ = 0;
    PhotoSelection* photoSelection_ = nullptr;
    std::vector<std::string> pendingFiles_;
    bool comeForward_ = false;
    bool deliveryTried_ = false;
};
