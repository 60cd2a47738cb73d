#include "wizard/app/CWizardApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "common/StartArguments.h"
#include "common/VersionText.h"
#include "platform/AccessibleApplication.h"
#include "platform/AccessibleButtons.h"
#include "platform/FileVersion.h"
#include "platform/LanguageBundles.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/AppLook.h"
#include "wizard/app/CDealerKeyDialog.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CPlaceholderPage.h"
#include "wizard/app/CStartDialog.h"
#include "wizard/app/LoadScaledBitmap.h"
#include "wizard/app/core/DealerRules.h"
#include "wizard/app/core/StartSettings.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/OrderResume.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

// What the user is told of a store whose settings could not be read, and
// whether the wizard can go on: it can with the fresh store that replaces a
// damaged one, not without its settings.
QString StoreProblemText(const orlavo::RegistryStore& store, bool& goOn) {
    const orlavo::StoreProblem& p = store.problem();
    const QString path = QString::fromStdString(store.path());
    goOn = false;
    switch (p.fault) {
        case orlavo::StoreFault::None:
            goOn = true;
            return {};
        case orlavo::StoreFault::Locked:
            return S(3064);
        case orlavo::StoreFault::SetAside:
            goOn = true;
            return S(3065).arg(p.file.empty() ? path : QString::fromStdString(p.file));
        case orlavo::StoreFault::Damaged:
            return S(3067).arg(path + ": " + QString::fromStdString(p.reason));
        case orlavo::StoreFault::Unreadable:
        case orlavo::StoreFault::Unwritable:
            return S(3066).arg(path + ": " + QString::fromStdString(p.reason));
    }
    return {};
}

}  // namespace

CWizardApp::CWizardApp(std::vector<std::string> args, AppEffects& effects,
                       std::string programFolder, StepPageMaker pages)
    : args_(std::move(args)),
      effects_(effects),
      programFolder_(programFolder.empty() ? orlavo::OwnExecutableFolder()
                                           : std::move(programFolder)),
      pages_(std::move(pages)) {
    if (!pages_)
        pages_ = [](CWizardApp& app, int step, QWidget* parent) -> CWizardPage* {
            return new CPlaceholderPage(app, step, parent);
        };
}

CWizardApp::~CWizardApp() {
    // The pages belong to the sheet and go with it.
    sheet_.reset();
    // An order still unfinished stays in its journal for the next start.
    unfinishedOrder.reset();
}

void CWizardApp::InitInstance() {
    if (StartUp() && RunStartDialog() && DealerStep())
        RunWizard();
    sheetIsMain_ = false;
    sheet_.reset();
}

bool CWizardApp::StartUp() {
    // Command line and program version.
    orlavo::StartArguments started = orlavo::ParseStartArguments(args_);
    profile_ = std::move(started.profile);
    pendingFiles_ = std::move(started.files);
    programVersion_ = orlavo::ProgramVersionText(orlavo::OwnFileVersion().value_or(""));

    // A resource bundle of another build is refused, and said so; without
    // one, the installation's bundle of the user's language is used.
    if (orlavo::LoadProgramBundle(orlavo::wizard::Resources(), programFolder_, "Resources.rcc",
                                  orlavo::UserLanguages(), programVersion_,
                                  true) == orlavo::BundleCheck::WrongVersion)
        effects_.message(nullptr, QCoreApplication::applicationName(), S(182), QMessageBox::Warning,
                         QMessageBox::Ok);
    if (auto png = orlavo::wizard::Resources().file("icons/128.png")) {
        QPixmap pm;
        if (pm.loadFromData(reinterpret_cast<const uchar*>(png->data()),
                            static_cast<uint>(png->size())))
            icon_ = QIcon(pm);
    }

    if (!ImagingAvailable()) {
        ShowAppMessage(S(3031), QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }

    registry_ = std::make_unique<orlavo::RegistryStore>(
        orlavo::RegistryRoot(profile_, orlavo::ExecutableBaseName(orlavo::OwnExecutablePath())));
    readSettings();
    bool goOn = true;
    if (const QString problem = StoreProblemText(*registry_, goOn); !problem.isEmpty()) {
        ShowAppMessage(problem, goOn ? QMessageBox::Warning : QMessageBox::Critical,
                       QMessageBox::Ok);
        if (!goOn)
            return false;
    }

    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        ApplyAppLook(*app);
    loadPictures();
    QCoreApplication::setApplicationName(" ");
    orlavo::SetAccessibleApplicationName(S(108));
    orlavo::InstallAccessibleButtons();

    xml.setProgramVersion(programVersion_);
    sheet_ = std::make_unique<CMyProperySheet>(*this);
    for (int step = 1; step <= 4; ++step)
        sheet_->addPage(pages_(*this, step, sheet_.get()));
    return true;
}

void CWizardApp::readSettings() {
    orlavo::wizard::StartSettings settings = orlavo::wizard::ReadStartSettings(*registry_);
    uploadURL = std::move(settings.uploadUrl);
    priceRequestURL = std::move(settings.priceRequestUrl);
    dealerMode = settings.dealerMode;
    debug = settings.debug;
    dealerNumber = std::move(settings.dealerNumber);
}

void CWizardApp::loadPictures() {
    const QString folder = QString::fromStdString(programFolder_);
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    startPicture_ = LoadScaledBitmap(folder + "1.jpg", 472, 242, dpr);
    bannerPicture_ = LoadScaledBitmap(folder + "2.jpg", 764, 52, dpr);
    orderSentPicture_ = LoadScaledBitmap(folder + "3.jpg", 200, 184, dpr);
}

bool CWizardApp::RunStartDialog() {
    CStartDialog dialog(*this, [this](const std::string& address, const std::atomic<bool>& cancel) {
        return LoadCatalogue(address, &cancel);
    });
    if (dialog.exec() != QDialog::Accepted) {
        unfinishedOrder.reset();
        return false;
    }
    order.setProductCount(xml.GetProductCount());
    if (unfinishedOrder) {
        const std::string problem = RestoreUnfinishedOrder();
        if (!problem.empty()) {
            ShowAppMessage(S(3063).arg(QString::fromStdString(problem)), QMessageBox::Warning,
                           QMessageBox::Ok);
            unfinishedOrder.reset();
        }
    }
    return true;
}

std::string CWizardApp::RestoreUnfinishedOrder() {
    if (!unfinishedOrder)
        return {};
    const orlavo::transmission::OrderJournal& journal = unfinishedOrder->journal();
    emptyOrder();
    // Each photo's thumbnail goes in before the photo; the upload window
    // makes the real one when it shows it.
    selectedThumbnails.clear();
    for (int i = 0; i < journal.photoCount(); ++i)
        selectedThumbnails.append(selectedThumbnails.placeholder());
    std::string problem = orlavo::transmission::RestoreOrder(journal, xml, order);
    if (!problem.empty()) {
        selectedThumbnails.clear();
        return problem;
    }
    resumedDetails = journal.details;
    resumedDealerNumber = journal.dealerNumber;
    firstPage_ = 2;
    return {};
}

std::string CWizardApp::LoadCatalogue(const std::string& address, const std::atomic<bool>* cancel) {
    return xml.Load(address, shops, cancel);
}

bool CWizardApp::DealerStep() {
    using namespace orlavo::wizard;
    const DealerQuestion question = DecideDealerQuestion(dealerMode, dealerNumber, shops);
    DealerAnswer answer;
    if (question.ask) {
        CDealerKeyDialog dialog(*this, QString::fromStdString(question.prefill), mainWindow());
        if (dialog.exec() == QDialog::Accepted)
            answer = dialog.key().toStdString();
    }
    const DealerOutcome outcome =
        ResolveDealerStep(dealerMode, dealerNumber, shops, question, answer);
    StoreDealerOutcome(outcome, *registry_);
    if (outcome.stop)
        return false;
    dealerMode = outcome.mode;
    dealerNumber = outcome.dealerNumber;
    // A dealer's key that names a shop leaves only that shop to collect from.
    NarrowShops(shops, outcome.narrowToShop);
    return true;
}

int CWizardApp::RunWizard() {
    sheetIsMain_ = true;
    // Photos it was opened with are shown on step 1, whatever else was resumed.
    if (!pendingFiles_.empty())
        firstPage_ = 0;
    sheet_->setActivePage(firstPage_);
    QTimer::singleShot(0, sheet_.get(), [this] { deliverFiles(); });
    // The wizard lasts until it is ended, not while it is visible: the
    // order-sent window hides it, and a dialog's own exec() would end then.
    int result = 0;
    QEventLoop loop;
    QObject::connect(sheet_.get(), &QDialog::finished, &loop, [&](int r) {
        result = r;
        loop.quit();
    });
    sheet_->setWindowModality(Qt::ApplicationModal);
    sheet_->show();
    loop.exec(QEventLoop::DialogExec);
    sheetIsMain_ = false;
    return result;
}

QWidget* CWizardApp::mainWindow() const {
    if (sheetIsMain_ && sheet_)
        return sheet_.get();
    return QApplication::activeModalWidget();
}

QMessageBox::StandardButton CWizardApp::ShowAppMessage(const QString& text, QMessageBox::Icon icon,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton) {
    return effects_.message(mainWindow(), S(108), text, icon, buttons, defaultButton);
}

QMessageBox::StandardButton CWizardApp::ShowAppMessageId(
    int id, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton) {
    return ShowAppMessage(S(id), icon, buttons, defaultButton);
}

void CWizardApp::openFiles(std::vector<std::string> files) {
    pendingFiles_.insert(pendingFiles_.end(), files.begin(), files.end());
    comeForward_ = true;
    deliverFiles();
}

void CWizardApp::deliverFiles() {
    if (!sheetIsMain_ || !sheet_)
        return;  // the wizard takes them once it opens
    QWidget* modal = QApplication::activeModalWidget();
    if (!sheet_->isVisible() || (modal && modal != sheet_.get())) {
        // Another window (a question, the upload, the order sent) comes first.
        if (!deliveryTried_) {
            deliveryTried_ = true;
            QTimer::singleShot(300, sheet_.get(), [this] {
                deliveryTried_ = false;
                deliverFiles();
            });
        }
        return;
    }
    if (comeForward_) {
        comeForward_ = false;
        sheet_->raise();
        sheet_->activateWindow();
    }
    if (pendingFiles_.empty() || !photoSelection_)
        return;
    const std::vector<std::string> files = std::move(pendingFiles_);
    pendingFiles_.clear();
    if (sheet_->activeIndex() != 0)
        sheet_->setActivePage(0);
    photoSelection_->addFiles(files);
}

void CWizardApp::emptyOrder() {
    if (photoSelection_)
        photoSelection_->removeAll();
}

bool CWizardApp::dealerKeyAccepted(const std::string& key) const {
    return orlavo::wizard::DealerKeyAccepted(dealerMode, key, shops);
}

bool CWizardApp::storeDealerMode(int mode) {
    dealerMode = mode;
    return orlavo::wizard::StoreDealerMode(*registry_, mode);
}

std::vector<std::string> CWizardApp::countryNames() const {
    std::vector<std::string> names;
    const int n = xml.GetCountryCount();
    for (int i = 0; i < n; ++i)
        names.push_back(xml.GetCountryName(i));
    return names;
}

std::vector<std::string> CWizardApp::productNames() const {
    std::vector<std::string> names;
    const int n = xml.GetProductCount();
    for (int i = 0; i < n; ++i)
        names.push_back(xml.GetProductName(i));
    return names;
}
