#include "wizard/transmission/ui/CUploadDialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTransform>
#include <QVBoxLayout>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "platform/Diagnostics.h"
#include "platform/FileVersion.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/transmission/OrderSend.h"
#include "wizard/transmission/ui/UploadPlacement.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

// The frame the thumbnails are drawn in: their largest size and a border.
constexpr int kThumbnailSide = 92;
// The bars count in thousandths.
constexpr qulonglong kBarSteps = 1000;

// "Photo %d of %d" with its two numbers.
QString PhotoOf(int number, int count) {
    QString text = S(3515);
    for (int value : {number, count}) {
        const qsizetype at = text.indexOf("%d");
        if (at >= 0)
            text.replace(at, 2, QString::number(value));
    }
    return text;
}

bool AppendDump(std::string_view file, std::string_view bytes) {
    return orlavo::AppendDiagnostic(file, bytes);
}

}  // namespace

CUploadDialog::CUploadDialog(CWizardApp& app, QWidget* parent)
    : QDialog(parent), app_(app), reports_(new UploadSignals(this)) {
    setObjectName("upload");
    setWindowTitle(S(3516));
    // No close box: only Cancel and its question end the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowIcon(app.programIcon());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 12);
    outer->setSpacing(12);
    auto* top = new QHBoxLayout();
    top->setSpacing(16);
    outer->addLayout(top);

    thumbnail_ = new QLabel(this);
    thumbnail_->setObjectName("thumbnail");
    thumbnail_->setFrameShape(QFrame::Box);
    thumbnail_->setLineWidth(1);
    thumbnail_->setStyleSheet("QLabel#thumbnail { border: 1px solid black; }");
    thumbnail_->setAlignment(Qt::AlignCenter);
    thumbnail_->setFixedSize(kThumbnailSide + 4, kThumbnailSide + 4);
    top->addWidget(thumbnail_, 0, Qt::AlignTop);

    auto* bars = new QGridLayout();
    bars->setHorizontalSpacing(8);
    bars->setVerticalSpacing(4);
    top->addLayout(bars, 1);
    imageLabel_ = new QLabel(S(3517), this);
    imageLabel_->setObjectName("imageLabel");
    imageBar_ = new QProgressBar(this);
    imageBar_->setObjectName("imageBar");
    auto* orderLabel = new QLabel(S(3518), this);
    photoOf_ = new QLabel(this);
    photoOf_->setObjectName("photoOf");
    photoOf_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    orderBar_ = new QProgressBar(this);
    orderBar_->setObjectName("orderBar");
    for (QProgressBar* bar : {imageBar_, orderBar_}) {
        bar->setTextVisible(false);
        bar->setRange(0, static_cast<int>(kBarSteps));
        bar->setValue(0);
        bar->setMinimumWidth(280);
    }
    bars->addWidget(imageLabel_, 0, 0);
    bars->addWidget(imageBar_, 1, 0, 1, 2);
    bars->addWidget(orderLabel, 2, 0);
    bars->addWidget(photoOf_, 2, 1);
    bars->addWidget(orderBar_, 3, 0, 1, 2);
    bars->setRowMinimumHeight(1, imageBar_->sizeHint().height());
    auto* remains = new QHBoxLayout();
    remains->setSpacing(6);
    remainsLabel_ = new QLabel(S(3514), this);
    remainsLabel_->setObjectName("remainsLabel");
    estimate_ = new QLabel(this);
    estimate_->setObjectName("estimate");
    remainsLabel_->hide();
    estimate_->hide();
    remains->addWidget(remainsLabel_);
    remains->addWidget(estimate_);
    remains->addStretch(1);
    bars->addLayout(remains, 4, 0, 1, 2);
    retry_ = new QLabel(this);
    retry_->setObjectName("retry");
    // Texts from the string table, which a bundle file may replace.
    for (QLabel* label : {imageLabel_, orderLabel, photoOf_, remainsLabel_, estimate_, retry_})
        label->setTextFormat(Qt::PlainText);
    // Its line is kept while hidden, so the window does not jump when it shows.
    QSizePolicy keep = retry_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    retry_->setSizePolicy(keep);
    retry_->hide();
    bars->addWidget(retry_, 5, 0, 1, 2);
    bars->setRowStretch(6, 1);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    cancel_ = new QPushButton(S(111), this);
    cancel_->setObjectName("cancel");
    // Enter must not end the window: no button is pressed by it.
    cancel_->setAutoDefault(false);
    cancel_->setDefault(false);
    cancel_->setMinimumWidth(std::max(96, cancel_->sizeHint().width()));
    buttons->addWidget(cancel_);
    outer->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, &CUploadDialog::onCancel);

    showThumbnail(0);

    const auto queued = Qt::QueuedConnection;
    connect(reports_, &UploadSignals::orderRange, this, &CUploadDialog::setOrderRange, queued);
    connect(reports_, &UploadSignals::bytesSent, this, &CUploadDialog::showBytes, queued);
    connect(reports_, &UploadSignals::thumbnail, this, &CUploadDialog::showThumbnail, queued);
    connect(
        reports_, &UploadSignals::preparing, this,
        [this](bool on) { imageLabel_->setText(S(on ? 3655 : 3517)); }, queued);
    connect(
        reports_, &UploadSignals::estimateChanged, this,
        [this] { showEstimate(reports_->estimate()); }, queued);
    connect(
        reports_, &UploadSignals::noticeAdded, this, [this] { onNotice(reports_->takeNotice()); },
        queued);
    connect(reports_, &UploadSignals::retryCountdown, this, &CUploadDialog::showRetryCountdown,
            queued);
    connect(reports_, &UploadSignals::finished, this, &CUploadDialog::onFinished, queued);
}

CUploadDialog::~CUploadDialog() = default;

void CUploadDialog::setTransferLimits(long stallSeconds, std::string caFile) {
    stallSeconds_ = stallSeconds;
    caFile_ = std::move(caFile);
}

void CUploadDialog::setRetryPauses(std::vector<std::chrono::milliseconds> pauses) {
    retryPauses_ = std::move(pauses);
}

std::unique_ptr<orlavo::transmission::JournalClaim> CUploadDialog::takeUnfinished() {
    return send_ ? send_->TakeUnfinished() : nullptr;
}

const std::string& CUploadDialog::orderId() const {
    static const std::string none;
    return send_ ? send_->orderId() : none;
}

void CUploadDialog::begin(std::unique_ptr<orlavo::transmission::JournalClaim> resume) {
    if (send_)
        return;
    orlavo::transmission::UploadSettings settings;
    settings.uploadUrl = app_.uploadURL;
    settings.debug = app_.debug != 0;
    settings.agent = orlavo::ExecutableBaseName(orlavo::OwnExecutablePath());
    settings.stallSeconds = stallSeconds_;
    settings.caFile = caFile_;
    orlavo::transmission::DiagnosticSink dump;
    if (settings.debug)
        dump = &AppendDump;
    settings.dump = dump;
    if (retryPauses_)
        settings.retryPauses = *retryPauses_;
    settings.removeLocation =
        app_.registry().getNumber(orlavo::section::kSettings, "RemoveLocation", 1) != 0;

    setWindowModality(Qt::ApplicationModal);
    adjustSize();
    if (QWidget* owner = parentWidget(); owner && !keepVisible_.isNull()) {
        const QScreen* shown = owner->screen();
        move(UploadPlacement(frameGeometry().size(), owner->window()->frameGeometry(), keepVisible_,
                             shown ? shown->availableGeometry() : QRect()));
    }
    show();
    send_ = std::make_unique<orlavo::transmission::OrderSend>(std::move(settings), *reports_);
    send_->KeepJournal(orlavo::transmission::JournalFolder::Default(), app_.profile());
    sending_ = true;
    if (resume)
        send_->StartResume(app_.xml, app_.order, std::move(resume), dump);
    else
        send_->Start(app_.xml, app_.order, dump);
}

void CUploadDialog::setOrderRange(int max) {
    orderMax_ = max;
}

void CUploadDialog::showBytes(qulonglong photoSent, qulonglong photoTotal, qulonglong orderSent,
                              qulonglong orderTotal) {
    // Thousandths, so that any size fits a bar's int range.
    auto share = [](qulonglong part, qulonglong whole) {
        return whole == 0 ? 0 : static_cast<int>(std::min(part, whole) * kBarSteps / whole);
    };
    imageBar_->setValue(share(photoSent, photoTotal));
    orderBar_->setValue(share(orderSent, orderTotal));
}

void CUploadDialog::showThumbnail(int index) {
    thumbnailIndex_ = index;
    if (index > 0) {
        ++photoNumber_;
        photoOf_->setText(PhotoOf(photoNumber_, orderMax_));
    }
    orlavo::wizard::ThumbnailList& list = app_.selectedThumbnails;
    const std::size_t photo = static_cast<std::size_t>(std::max(index - 1, 0));
    // A resumed order's photos come without thumbnails: each is made as it is shown.
    if (index > 0 && list.forPhoto(photo).isNull() && photo < app_.order.PhotoCount()) {
        // Any format step 1 takes, upright.
        QImage made =
            orlavo::wizard::MakePreviewPicture(app_.order.photos()[photo].path, kThumbnailSide);
        // Turned as the order has it, like the file the lab receives.
        if (const int turn = app_.order.photos()[photo].turn; turn != 0 && !made.isNull())
            made = made.transformed(QTransform().rotate(turn));
        if (!made.isNull())
            list.replace(photo, std::move(made));
    }
    const QImage& image = index > 0 ? list.forPhoto(photo) : list.placeholder();
    if (image.isNull()) {
        thumbnail_->clear();
        return;
    }
    // Drawn at its own logical size, made smaller to fit the frame when needed.
    QPixmap pixmap = QPixmap::fromImage(image);
    const QSizeF logical = image.deviceIndependentSize();
    if (logical.width() > kThumbnailSide || logical.height() > kThumbnailSide) {
        const qreal dpr = devicePixelRatioF();
        pixmap = QPixmap::fromImage(image.scaled(QSize(kThumbnailSide * dpr, kThumbnailSide * dpr),
                                                 Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(dpr);
    }
    thumbnail_->setPixmap(pixmap);
    thumbnail_->repaint();
}

void CUploadDialog::showEstimate(const QString& text) {
    estimate_->setText(text);
    remainsLabel_->show();
    estimate_->show();
}

void CUploadDialog::showRetryCountdown(int seconds) {
    retry_->setText(S(3550).arg(seconds));
    retry_->setVisible(seconds > 0);
}

void CUploadDialog::onCancel() {
    if (!sending_ || boxOpen_ || !isVisible())
        return;
    boxOpen_ = true;
    send_->Pause();
    const QMessageBox::StandardButton answer =
        app_.effects().message(this, S(108), S(157), QMessageBox::Question,
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    boxOpen_ = false;
    if (answer == QMessageBox::Yes) {
        // Closes at once; the outcome follows when the worker has stopped.
        if (send_->Cancel())
            done(QDialog::Rejected);
    } else {
        send_->Resume();
    }
    settlePending();
}

void CUploadDialog::reject() {
    if (sending_) {
        onCancel();
        return;
    }
    QDialog::reject();
}

void CUploadDialog::closeEvent(QCloseEvent* event) {
    if (sending_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CUploadDialog::onNotice(const QString& text) {
    if (boxOpen_ || text.isEmpty())
        return;
    boxOpen_ = true;
    app_.effects().message(this, S(108), text, QMessageBox::Warning, QMessageBox::Ok);
    boxOpen_ = false;
    settlePending();
}

void CUploadDialog::settlePending() {
    if (finishPending_) {
        finishPending_ = false;
        onFinished();
    }
}

void CUploadDialog::onFinished() {
    if (boxOpen_) {
        finishPending_ = true;
        return;
    }
    if (!sending_)
        return;
    const orlavo::transmission::SendOutcome outcome = send_->Outcome();
    sending_ = false;
    retry_->hide();
    if (isVisible())
        done(outcome.kind == orlavo::transmission::SendOutcome::Kind::Sent ? QDialog::Accepted
                                                                           : QDialog::Rejected);
    emit sendEnded(outcome);
}
