#include "updater/ui/CUpdaterDialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/UpdaterResources.h"
#include "updater/ui/CUpdaterApp.h"
#include "updater/ui/UpdateProgressRelay.h"
#include "updater/ui/UpdaterEffects.h"
#include "updater/ui/UpdaterLook.h"

namespace {

using orlavo::updater::CheckOutcome;
using orlavo::updater::CheckResult;
using orlavo::updater::InstallOutcome;
using orlavo::updater::InstallResult;

QString S(int id) {
    return QString::fromStdString(orlavo::updater::Str(id));
}

// The picture across the top, in logical pixels.
constexpr int kBannerWidth = 480;
constexpr int kBannerHeight = 88;
constexpr int kMargin = 18;
constexpr int kTextWidth = kBannerWidth - 2 * kMargin;
// Each step of the progress bar is divided this finely, so that one large
// file shows its own progress.
constexpr int kStepUnits = 1000;

QPixmap BannerPicture() {
    QPixmap pm;
    if (auto png = orlavo::updater::Resources().file("bitmaps/129.png"))
        pm.loadFromData(reinterpret_cast<const uchar*>(png->data()),
                        static_cast<uint>(png->size()));
    if (pm.isNull())
        return pm;
    // Drawn for a width of 480 logical pixels; a larger picture is sharper.
    pm.setDevicePixelRatio(static_cast<qreal>(pm.width()) / kBannerWidth);
    return pm;
}

QFrame* Rule(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setObjectName("rule");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// What the updater says of settings it could not read; empty when it could.
// Without them it has no folder and no address to update from.
QString StoreProblemText(const orlavo::RegistryStore& store) {
    const orlavo::StoreProblem& p = store.problem();
    const QString path = QString::fromStdString(store.path());
    switch (p.fault) {
        case orlavo::StoreFault::None:
            return {};
        case orlavo::StoreFault::Locked:
            return S(2009);
        case orlavo::StoreFault::SetAside:
            return S(2010).arg(p.file.empty() ? path : QString::fromStdString(p.file));
        case orlavo::StoreFault::Damaged:
            return S(2012).arg(path + ": " + QString::fromStdString(p.reason));
        case orlavo::StoreFault::Unreadable:
        case orlavo::StoreFault::Unwritable:
            return S(2011).arg(path + ": " + QString::fromStdString(p.reason));
    }
    return {};
}

}  // namespace

CUpdaterDialog::CUpdaterDialog(CUpdaterApp& app, RunnerMaker makeRunner, QWidget* parent)
    : QDialog(parent),
      app_(app),
      makeRunner_(std::move(makeRunner)),
      relay_(new UpdateProgressRelay(this)) {
    if (!makeRunner_)
        makeRunner_ = [](const orlavo::updater::UpdateSettings& settings) {
            return std::make_unique<orlavo::updater::UpdateSession>(settings);
        };
    setObjectName("updaterDialog");
    setWindowTitle(S(2000));
    setWindowIcon(app.programIcon());
    setStyleSheet(UpdaterStyleSheet());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    banner_ = new QLabel(this);
    banner_->setObjectName("banner");
    banner_->setFixedSize(kBannerWidth, kBannerHeight);
    banner_->setPixmap(BannerPicture());
    outer->addWidget(banner_);

    // The version at the top left and the name at the bottom left, on the picture.
    version_ = new QLabel(banner_);
    version_->setObjectName("versionLabel");
    version_->setTextFormat(Qt::PlainText);
    QFont small = version_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    version_->setFont(small);
    version_->move(14, 8);
    heading_ = new QLabel(S(2000), banner_);
    heading_->setObjectName("bannerHeading");
    heading_->setTextFormat(Qt::PlainText);
    QFont big = heading_->font();
    big.setPointSizeF(big.pointSizeF() * 1.45);
    big.setBold(true);
    heading_->setFont(big);
    heading_->setGeometry(14, kBannerHeight - 14 - heading_->sizeHint().height(), kBannerWidth - 28,
                          heading_->sizeHint().height());

    outer->addWidget(Rule(this));

    auto* body = new QVBoxLayout();
    body->setContentsMargins(kMargin, 14, kMargin, 10);
    body->setSpacing(8);
    status_ = new QLabel(S(2001), this);
    status_->setObjectName("statusText");
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setFont(QApplication::font());
    // One width for every text, and room for the longest (also translated),
    // so the window keeps its size from state to state.
    status_->setFixedWidth(kTextWidth);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 5 + 4);
    body->addWidget(status_);

    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setTextVisible(false);
    progress_->setRange(0, kStepUnits);
    progress_->setValue(0);
    body->addWidget(progress_);
    detail_ = new QLabel(this);
    detail_->setObjectName("detailText");
    detail_->setTextFormat(Qt::PlainText);
    detail_->setFixedWidth(kTextWidth);
    detail_->setMinimumHeight(detail_->fontMetrics().lineSpacing());
    body->addWidget(detail_);
    // The bar and its line keep their place while hidden.
    for (QWidget* w : {static_cast<QWidget*>(progress_), static_cast<QWidget*>(detail_)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }
    body->addStretch(1);
    outer->addLayout(body);

    outer->addWidget(Rule(this));
    auto* row = new QHBoxLayout();
    row->setContentsMargins(kMargin, 10, kMargin, 12);
    row->setSpacing(8);
    row->addStretch(1);
    cancel_ = new QPushButton(S(2003), this);
    cancel_->setObjectName("cancel");
    next_ = new QPushButton(S(2002), this);
    next_->setObjectName("next");
    for (QPushButton* b : {cancel_, next_}) {
        b->setAutoDefault(true);
        b->setMinimumWidth(96);
        row->addWidget(b);
    }
    next_->setDefault(true);
    next_->hide();
    outer->addLayout(row);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(next_, &QPushButton::clicked, this, &CUpdaterDialog::onNext);
    connect(cancel_, &QPushButton::clicked, this, &CUpdaterDialog::reject);
    connect(&checkWatcher_, &QFutureWatcher<CheckResult>::finished, this,
            &CUpdaterDialog::onChecked);
    connect(&installWatcher_, &QFutureWatcher<InstallResult>::finished, this,
            &CUpdaterDialog::onInstalled);
    connect(relay_, &UpdateProgressRelay::started, this, &CUpdaterDialog::onInstallStarted);
    connect(relay_, &UpdateProgressRelay::stepFinished, this, &CUpdaterDialog::onStepDone);
    connect(relay_, &UpdateProgressRelay::fileProgress, this, &CUpdaterDialog::onFileProgress);
    connect(relay_, &UpdateProgressRelay::copyingFile, this, &CUpdaterDialog::onCopying);
}

CUpdaterDialog::~CUpdaterDialog() {
    // A worker still running is stopped and waited for before the window goes.
    if (runner_)
        runner_->cancel();
    checkWatcher_.waitForFinished();
    installWatcher_.waitForFinished();
}

bool CUpdaterDialog::initDialog() {
    finishText_ = S(114);
    orlavo::RegistryStore& registry = app_.registry();
    installFolder_ =
        QString::fromStdString(registry.getText(orlavo::section::kSettings, "LocalPath"));
    updateUrl_ = registry.getText(orlavo::section::kSettings, "UpdateURL");
    if (const QString problem = StoreProblemText(registry); !problem.isEmpty()) {
        app_.effects().message(nullptr, S(2004), problem, QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }
    if (installFolder_.isEmpty() || updateUrl_.empty()) {
        app_.effects().message(nullptr, S(2004), S(112), QMessageBox::Critical, QMessageBox::Ok);
        return false;
    }
    version_->setText(S(113) + QString::fromStdString(app_.programVersion()));
    version_->adjustSize();
    installFolder_ = WithFinalSlash(installFolder_);
    return true;
}

int CUpdaterDialog::run() {
    if (!initDialog()) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return exec();
}

void CUpdaterDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (checkPosted_ || state_ != State::Starting)
        return;
    checkPosted_ = true;
    setState(State::Searching);
    // The check starts once the window is on the screen.
    QTimer::singleShot(0, this, &CUpdaterDialog::startCheck);
}

bool CUpdaterDialog::working() const {
    return checkWatcher_.isRunning() || installWatcher_.isRunning();
}

void CUpdaterDialog::startCheck() {
    if (working() || closeWhenStopped_)
        return;
    orlavo::updater::UpdateSettings settings;
    settings.installFolder = installFolder_.toStdString();
    settings.updateUrl = updateUrl_;
    settings.registryRoot = app_.registry().root();
    settings.registryPath = app_.registry().path();
    runner_ = makeRunner_(settings);
    checkWatcher_.setFuture(QtConcurrent::run(
        [runner = runner_.get(), relay = relay_] { return runner->check(*relay); }));
}

void CUpdaterDialog::onChecked() {
    const CheckResult result = checkWatcher_.result();
    if (closeWhenStopped_ || result.outcome == CheckOutcome::Cancelled) {
        QDialog::reject();
        return;
    }
    switch (result.outcome) {
        case CheckOutcome::UpToDate:
            // Nothing to install: the wizard starts at once.
            accept();
            break;
        case CheckOutcome::Offered:
            updateCount_ = result.count;
            setStatus(109);
            next_->show();
            next_->setEnabled(true);
            next_->setFocus();
            setState(State::Offered);
            break;
        case CheckOutcome::TooSlow:
            stopWith(S(2013));
            break;
        case CheckOutcome::Refused:
            stopWith(S(2014));
            break;
        case CheckOutcome::Managed:
            // Installing would fail on every start: say where updates come from.
            updateCount_ = result.count;
            setStatus(2008);
            next_->setText(finishText_);
            next_->show();
            next_->setEnabled(true);
            next_->setFocus();
            setState(State::Managed);
            break;
        default:
            setStatus(105);
            cancel_->setFocus();
            setState(State::Failed);
            break;
    }
}

void CUpdaterDialog::onNext() {
    if (state_ == State::Managed && updateCount_ > 0 && !working()) {
        // The settings the lab sends are this user's own: they are written.
        next_->setEnabled(false);
        acceptWhenInstalled_ = true;
        setState(State::Installing);
        installWatcher_.setFuture(QtConcurrent::run(
            [runner = runner_.get(), relay = relay_] { return runner->install(*relay); }));
        return;
    }
    if (next_->text() == finishText_) {
        accept();
        return;
    }
    if (state_ != State::Offered || working())
        return;
    next_->setEnabled(false);
    setStatus(111);
    steps_ = updateCount_ + 1;
    stepsDone_ = 0;
    showProgress(0);
    progress_->show();
    detail_->clear();
    detail_->show();
    cancel_->setFocus();
    setState(State::Installing);
    installWatcher_.setFuture(QtConcurrent::run(
        [runner = runner_.get(), relay = relay_] { return runner->install(*relay); }));
}

void CUpdaterDialog::onInstalled() {
    const InstallResult result = installWatcher_.result();
    const InstallOutcome outcome = result.outcome;
    if (acceptWhenInstalled_ && outcome == InstallOutcome::Done) {
        accept();
        return;
    }
    progress_->hide();
    detail_->hide();
    cancel_->setEnabled(true);
    if (outcome == InstallOutcome::TooSlow) {
        stopWith(S(2013));
    } else if (outcome == InstallOutcome::Refused) {
        stopWith(S(2014));
    } else if (outcome == InstallOutcome::Cancelled && result.filesInPlace == 0) {
        stopWith(S(2015));
    } else if (outcome == InstallOutcome::Cancelled) {
        // Some new files stayed: the installation is a mix, so the wizard is
        // not offered; a new run completes it.
        status_->setText(S(2016).arg(result.filesInPlace).arg(result.filesDue));
        next_->setEnabled(false);
        cancel_->setFocus();
        setState(State::Failed);
    } else if (outcome == InstallOutcome::Done) {
        setStatus(104);
        next_->setText(finishText_);
        next_->setEnabled(true);
        next_->setFocus();
        setState(State::Done);
    } else {
        setStatus(105);
        next_->setEnabled(false);
        cancel_->setFocus();
        setState(State::Failed);
    }
}

void CUpdaterDialog::onInstallStarted(int steps) {
    steps_ = std::max(1, steps);
    stepsDone_ = 0;
    showProgress(0);
}

void CUpdaterDialog::onStepDone() {
    stepsDone_ = std::min(stepsDone_ + 1, steps_);
    showProgress(0);
}

void CUpdaterDialog::onFileProgress(const QString& filename, int permille) {
    setDetail(S(2005).arg(filename));
    showProgress(std::max(0, permille));
}

void CUpdaterDialog::onCopying(const QString& filename) {
    setDetail(S(2006).arg(filename));
}

void CUpdaterDialog::setDetail(const QString& text) {
    // A long name from the server is cut, not the window stretched.
    detail_->setText(detail_->fontMetrics().elidedText(text, Qt::ElideMiddle, kTextWidth));
}

void CUpdaterDialog::showProgress(int permilleOfStep) {
    progress_->setRange(0, steps_ * kStepUnits);
    progress_->setValue(std::min(steps_ * kStepUnits, stepsDone_ * kStepUnits + permilleOfStep));
}

void CUpdaterDialog::reject() {
    if (working()) {
        // The running step stops at its next file. A check closes the window
        // once it has returned; an installation says how far it got.
        closeWhenStopped_ = checkWatcher_.isRunning();
        cancel_->setEnabled(false);
        next_->setEnabled(false);
        if (runner_)
            runner_->cancel();
        return;
    }
    QDialog::reject();
}

void CUpdaterDialog::setState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged(state);
}

void CUpdaterDialog::setStatus(int id) {
    status_->setText(S(id));
}

void CUpdaterDialog::stopWith(const QString& status) {
    status_->setText(status);
    next_->setText(finishText_);
    next_->show();
    next_->setEnabled(true);
    next_->setFocus();
    setState(State::Stopped);
}
