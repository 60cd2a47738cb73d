#include "wizard/app/CStartDialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <ctime>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CPreferencesDialog.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/ResumeOffer.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/OrderResume.h"

namespace {

// The status line while the catalogue loads.
constexpr int kLoadingCatalogue = 3082;

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

// TEXT as it fits in two lines of WIDTH: unchanged when it does, otherwise the
// first line and as much of the rest as fits, ending in an ellipsis.
QString FitTwoLines(const QString& text, const QFont& font, int width) {
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    flat.replace(QLatin1Char('\n'), QChar::LineSeparator);
    flat.replace(QLatin1Char('\r'), QChar::LineSeparator);
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int secondStart = -1;
    int lines = 0;
    while (lines < 3) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (++lines == 2)
            secondStart = line.textStart();
    }
    layout.endLayout();
    if (lines <= 2)
        return text;
    QString first = flat.left(secondStart);
    while (!first.isEmpty() && (first.back().isSpace() || first.back() == QChar::LineSeparator))
        first.chop(1);
    QString rest = flat.mid(secondStart);
    rest.replace(QChar::LineSeparator, QLatin1Char(' '));
    return first + QChar(QChar::LineSeparator) +
           QFontMetrics(font).elidedText(rest.simplified(), Qt::ElideRight, width);
}

}  // namespace

CStartDialog::CStartDialog(CWizardApp& app, Loader load, QWidget* parent)
    : QDialog(parent),
      app_(app),
      load_(std::move(load)),
      closeText_(S(103)),
      tryAgainText_(S(104)) {
    setObjectName("startDialog");
    // A pop-up frame without a title bar.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    picture_ = new QLabel(this);
    picture_->setObjectName("startPicture");
    const QPixmap& pic = app.startPicture();
    picture_->setPixmap(pic);
    picture_->setFixedSize(pic.isNull() ? QSize(472, 242) : pic.deviceIndependentSize().toSize());
    outer->addWidget(picture_);

    auto* lower = new QWidget(this);
    lower->setObjectName("startLower");
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(14, 8, 14, 12);
    lowerLayout->setSpacing(8);

    status_ = new QLabel(lower);
    status_->setObjectName("statusLine");
    // The text is shown as it came, even when a server sent a web page.
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setWordWrap(true);
    // At most two lines: a long message is cut, not the window stretched.
    status_->setMaximumHeight(status_->fontMetrics().lineSpacing() * 2 + 2);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // One picture wide: a long error wraps instead of widening the window.
    status_->setMaximumWidth(picture_->width() - 28);
    statusWidth_ = status_->maximumWidth();
    lowerLayout->addWidget(status_);

    offer_ = new ResumeOffer(lower);
    offer_->setMaximumWidth(picture_->width() - 28);
    resume_ = offer_->addButton(S(3060), "resume");
    discard_ = offer_->addButton(S(3061), "discard");
    offer_->hide();
    lowerLayout->addWidget(offer_);

    auto* line = new QFrame(lower);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    lowerLayout->addWidget(line);

    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    row->addStretch(1);
    cancel_ = new QPushButton(S(111), lower);
    preferences_ = new QPushButton(S(3000), lower);
    begin_ = new QPushButton(S(105), lower);
    cancel_->setObjectName("cancel");
    preferences_->setObjectName("preferences");
    begin_->setObjectName("begin");
    // Enter presses the focused button, else Begin.
    for (QPushButton* b : {cancel_, preferences_, begin_}) {
        b->setAutoDefault(true);
        b->setMinimumWidth(96);
        row->addWidget(b);
    }
    begin_->setDefault(true);
    lowerLayout->addLayout(row);
    outer->addWidget(lower);

    connect(begin_, &QPushButton::clicked, this, &CStartDialog::onBegin);
    connect(preferences_, &QPushButton::clicked, this, &CStartDialog::onPreferences);
    connect(cancel_, &QPushButton::clicked, this, &CStartDialog::reject);
    connect(&watcher_, &QFutureWatcher<std::string>::finished, this, &CStartDialog::onLoaded);
    connect(resume_, &QPushButton::clicked, this, &CStartDialog::onResume);
    connect(discard_, &QPushButton::clicked, this, &CStartDialog::onDiscard);

    // Opening.
    setStatus(QString::fromStdString(app.programVersion()));
    setWindowIcon(app.programIcon());
    setWindowTitle(S(108));
    address_ = app.registry().getText(orlavo::section::kDownloadInfo, "DownloadURL");
    if (address_.empty()) {
        setStatus(S(109));
        begin_->setText(closeText_);
    } else if (app.uploadURL.empty()) {
        setStatus(S(110));
        begin_->setText(closeText_);
    }
    // The keyboard starts on the default button, not on the status line before it.
    begin_->setFocus();
}

CStartDialog::~CStartDialog() {
    // A load still running stops before the window goes away.
    if (cancelLoad_)
        *cancelLoad_ = true;
    watcher_.waitForFinished();
}

void CStartDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (opened_)
        return;
    opened_ = true;
    // The load request: taken from the queue once the window is up.
    if (!address_.empty() && !app_.uploadURL.empty())
        QTimer::singleShot(0, this, &CStartDialog::startLoad);
}

void CStartDialog::startLoad() {
    if (watcher_.isRunning())
        return;
    // Cancel stays: it stops the load and ends the program.
    for (QPushButton* b : {preferences_, begin_})
        b->setEnabled(false);
    cancel_->setEnabled(true);
    setStatus(S(kLoadingCatalogue));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The window keeps repainting while the worker downloads and parses.
    cancelLoad_ = std::make_shared<std::atomic<bool>>(false);
    watcher_.setFuture(QtConcurrent::run([load = load_, address = address_, cancel = cancelLoad_]()
                                             -> std::string { return load(address, *cancel); }));
}

void CStartDialog::onLoaded() {
    QApplication::restoreOverrideCursor();
    if (cancelLoad_ && cancelLoad_->load()) {
        // Cancel was pressed while loading: the program ends, as Cancel says.
        QDialog::reject();
        return;
    }
    const std::string error = watcher_.result();
    cancel_->setEnabled(true);
    begin_->setEnabled(true);
    if (!error.empty()) {
        setStatus(QString::fromStdString(error));
        cancel_->setText(S(106));
        begin_->setText(tryAgainText_);
        preferences_->setEnabled(false);
        begin_->setFocus();
    } else {
        setStatus(QString::fromStdString(app_.programVersion()));
        cancel_->setText(S(111));
        preferences_->setEnabled(true);
        begin_->setFocus();
        findInterruptedOrders();
    }
    emit loadFinished();
}

void CStartDialog::findInterruptedOrders() {
    const orlavo::transmission::JournalScan scan =
        orlavo::transmission::JournalFolder::Default().Scan(app_.profile());
    interrupted_ = scan.orders;
    showOffer();
    for (const std::string& notice : scan.notices)
        app_.effects().message(this, S(108), QString::fromStdString(notice), QMessageBox::Warning,
                               QMessageBox::Ok);
}

void CStartDialog::showOffer() {
    if (interrupted_.empty()) {
        offer_->hide();
        begin_->setDefault(true);
        begin_->setFocus();
        return;
    }
    offer_->setText(QString::fromStdString(orlavo::transmission::InterruptedOrderText(
        interrupted_.front(), static_cast<std::int64_t>(std::time(nullptr)))));
    offer_->show();
    // Taking the order up again is what Enter does now; Begin starts a new one.
    resume_->setDefault(true);
    resume_->setFocus();
}

void CStartDialog::onResume() {
    if (interrupted_.empty() || watcher_.isRunning())
        return;
    std::string error;
    std::unique_ptr<orlavo::transmission::JournalClaim> claim =
        orlavo::transmission::JournalFolder::Default().ClaimInterrupted(
            interrupted_.front().orderId, error);
    if (claim)
        error = orlavo::transmission::ResumeProblem(claim->journal(), app_.uploadURL, app_.xml);
    if (!error.empty()) {
        app_.effects().message(this, S(108), S(3063).arg(QString::fromStdString(error)),
                               QMessageBox::Warning, QMessageBox::Ok);
        // Taken elsewhere or gone: no longer ours to offer. One that cannot
        // be resumed from here stays offered, to be discarded.
        if (!claim) {
            interrupted_.erase(interrupted_.begin());
            showOffer();
        }
        return;
    }
    app_.unfinishedOrder = std::move(claim);
    accept();
}

void CStartDialog::onDiscard() {
    if (interrupted_.empty() || watcher_.isRunning())
        return;
    if (app_.effects().message(this, S(108), S(3062), QMessageBox::Question,
                               QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    std::string error;
    std::unique_ptr<orlavo::transmission::JournalClaim> claim =
        orlavo::transmission::JournalFolder::Default().ClaimInterrupted(
            interrupted_.front().orderId, error);
    if (claim)
        claim->Remove();
    else
        app_.effects().message(this, S(108), QString::fromStdString(error), QMessageBox::Warning,
                               QMessageBox::Ok);
    interrupted_.erase(interrupted_.begin());
    showOffer();
}

void CStartDialog::setStatus(const QString& text) {
    // At most two lines: a long message is cut with an ellipsis, not the window
    // stretched or a line half shown; the whole text stays in the tooltip.
    const QString shown = FitTwoLines(text, status_->font(), statusWidth_);
    status_->setText(shown);
    // A tooltip takes anything that looks like markup as rich text; the
    // server's page is shown as the text it is.
    status_->setToolTip(shown == text ? QString() : Qt::convertFromPlainText(text));
}

void CStartDialog::onBegin() {
    const QString caption = begin_->text();
    if (caption == closeText_) {
        reject();
    } else if (caption == tryAgainText_) {
        setStatus(QString::fromStdString(app_.programVersion()));
        begin_->setText(S(105));
        startLoad();
    } else if (!watcher_.isRunning()) {
        accept();
    }
}

void CStartDialog::reject() {
    // While the catalogue loads, the load is stopped first; the window closes
    // when its worker has returned (within about a second).
    if (watcher_.isRunning()) {
        if (cancelLoad_)
            *cancelLoad_ = true;
        cancel_->setEnabled(false);
        return;
    }
    QDialog::reject();
}

void CStartDialog::onPreferences() {
    CPreferencesDialog dialog(app_, this);
    dialog.exec();
}
