#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/app/ScreenReaderName.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/SettingsTable.h"
#include "common/TextRules.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/products/ProductLines.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/PrintPreviewDialog.h"
#include "wizard/products/ui/ProductRow.h"
#include "wizard/products/ui/StackPanel.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

constexpr int kStrZoomAndTrimAll = 3300;
constexpr int kStrInstructions = 3301;
constexpr int kStrGlobalSelectorHelp = 3383;
constexpr int kStrSet = 3381;
constexpr int kStrSetForEachPhoto = 3382;
constexpr int kStrAskQuantityAll = 3385;
constexpr int kStrDeleteHelp = 3303;

QLabel* HelpText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setObjectName("helpText");
    // Small, and wrapped rather than clipped where a translation is longer.
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    label->setFont(small);
    label->setWordWrap(true);
    QPalette muted = label->palette();
    muted.setColor(QPalette::WindowText, QColor(0x4a, 0x52, 0x60));
    label->setPalette(muted);
    return label;
}

}  // namespace

CCustomProductPage::CCustomProductPage(CWizardApp& app, QWidget* parent)
    : CWizardPage(S(3035), app.bannerPicture(), parent),
      app_(app),
      data_(std::make_unique<ProductPageData>(app)) {
    setObjectName("step2");

    auto* top = new QHBoxLayout();
    top->setSpacing(8);
    auto* eachPhoto = new QLabel(S(kStrSetForEachPhoto), this);
    product_ = new QComboBox(this);
    product_->setObjectName("pageProduct");
    product_->setModel(&data_->productChoices);
    // As wide as its longest product, no wider: the room is the table's.
    product_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    product_->setMinimumContentsLength(12);
    product_->setAccessibleName(S(1070));
    eachPhoto->setBuddy(product_);
    quantity_ = new QComboBox(this);
    quantity_->setObjectName("pageQuantity");
    quantity_->setEditable(true);
    quantity_->setInsertPolicy(QComboBox::NoInsert);
    quantity_->setModel(&data_->quantities);
    quantity_->setValidator(MakeQuantityValidator(quantity_));
    quantity_->setMinimumContentsLength(6);
    NameForScreenReaders(quantity_, S(1127));
    quantity_->lineEdit()->setAccessibleName(S(1127));
    add_ = new QPushButton(S(kStrSet), this);
    add_->setObjectName("pageAdd");
    add_->setAccessibleName(S(kStrSet));
    zoomTrimAll_ = new QCheckBox(S(kStrZoomAndTrimAll), this);
    zoomTrimAll_->setObjectName("zoomAndTrimAll");
    top->addWidget(eachPhoto);
    top->addWidget(product_);
    top->addWidget(quantity_);
    top->addWidget(add_);
    top->addSpacing(16);
    top->addWidget(zoomTrimAll_);
    top->addStretch(1);
    body()->addLayout(top);
    for (QObject* o : {static_cast<QObject*>(product_), static_cast<QObject*>(quantity_),
                       static_cast<QObject*>(quantity_->lineEdit())})
        o->installEventFilter(this);

    panel_ = new StackPanel(this);
    panel_->setObjectName("blocksPanel");
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->setFollowWidth(true);
    panel_->setMinimumHeight(120);
    body()->addWidget(panel_, 1);

    // Help at the left, the subtotal at the bottom right.
    auto* bottom = new QHBoxLayout();
    bottom->setSpacing(16);
    auto* help = new QVBoxLayout();
    help->setSpacing(2);
    auto* heading = HelpText(S(kStrInstructions), this);
    heading->setObjectName("helpHeading");
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    help->addWidget(heading);
    auto* texts = new QHBoxLayout();
    texts->setSpacing(20);
    texts->addWidget(HelpText(S(kStrGlobalSelectorHelp), this), 1);
    texts->addWidget(HelpText(S(kStrDeleteHelp), this), 1);
    help->addLayout(texts);
    bottom->addLayout(help, 1);
    auto* sum = new QVBoxLayout();
    sum->setSpacing(0);
    sum->addStretch(1);
    auto* sumCaption = new QLabel(S(1074), this);
    subtotal_ = new QLabel(this);
    subtotal_->setObjectName("subtotal");
    subtotal_->setTextFormat(Qt::PlainText);
    QFont big = subtotal_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    subtotal_->setFont(big);
    sum->addWidget(sumCaption, 0, Qt::AlignRight);
    sum->addWidget(subtotal_, 0, Qt::AlignRight);
    bottom->addLayout(sum);
    body()->addLayout(bottom);

    connect(add_, &QPushButton::clicked, this, &CCustomProductPage::onAdd);
    connect(zoomTrimAll_, &QCheckBox::clicked, this, &CCustomProductPage::onZoomTrimAll);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { keepNeighboursMade(now); });
}

CCustomProductPage::~CCustomProductPage() {
    // The blocks use the shared data; they go first.
    panel_->RemoveAll();
    qDeleteAll(spare_);
}

void CCustomProductPage::initialise() {
    initialised_ = true;
    app_.order.setZoomAndTrimAll(
        app_.registry().getNumber(orlavo::section::kUserDetails, "ZoomAndTrimAll", 0));
    data_->loadCatalogue();
    product_->setCurrentIndex(data_->productChoices.rowCount() > 0 ? 0 : -1);
    quantity_->setCurrentIndex(0);
}

void CCustomProductPage::onSetActive() {
    if (!initialised_)
        initialise();
    if (CMyProperySheet* s = sheet())
        s->layoutWithBack();
    zoomTrimAll_->setChecked(app_.order.zoomAndTrimAll() != 0);
    orlavo::wizard::SettleAllLines(app_.order);
    for (QWidget* b : panel_->TakeAll())
        spare_.push_back(static_cast<PhotoProductBlock*>(b));
    const int photos = static_cast<int>(app_.order.PhotoCount());
    panel_->SetMadeOnDemand(photos, [this](int photo) { return makeBlock(photo); });
    showSubtotal();
}

bool CCustomProductPage::onWizardNext() {
    if (const int refusal = orlavo::wizard::StepTwoRefusal(app_.order)) {
        // Which photos, so that the user knows where to add prints.
        const std::string names = orlavo::wizard::PhotosWithoutPrints(app_.order);
        app_.ShowAppMessage(
            QString::fromStdString(orlavo::wizard::Str(refusal) + "\n" +
                                   orlavo::FillPlaceholders(orlavo::wizard::Str(3390), {names})),
            QMessageBox::Warning, QMessageBox::Ok);
        return false;
    }
    return true;
}

void CCustomProductPage::onKillActive() {
    // The boxes wrote their lines as they changed; no line leaves undecided.
    orlavo::wizard::SettleAllLines(app_.order);
}

PhotoProductBlock* CCustomProductPage::block(int photo) {
    return static_cast<PhotoProductBlock*>(panel_->ensureChild(photo));
}

QList<PhotoProductBlock*> CCustomProductPage::madeBlocks() const {
    QList<PhotoProductBlock*> blocks;
    for (int i = 0; i < panel_->count(); ++i)
        if (auto* b = static_cast<PhotoProductBlock*>(panel_->child(i)))
            blocks << b;
    return blocks;
}

PhotoProductBlock* CCustomProductPage::makeBlock(int photo) {
    PhotoProductBlock* b = nullptr;
    if (!spare_.empty()) {
        // The first block sets where the stack starts.
        b = spare_.back();
        spare_.pop_back();
        b->move(0, 0);
    } else {
        b = new PhotoProductBlock(*data_, panel_->canvas());
        connect(b, &PhotoProductBlock::linesChanged, this, &CCustomProductPage::showSubtotal);
        connect(b, &PhotoProductBlock::rowsChanged, this, [this, b] { linkFocusChain(b); });
        connect(b, &PhotoProductBlock::previewRequested, this, &CCustomProductPage::openPreview);
    }
    b->bind(photo);
    linkFocusChain(b);
    return b;
}

// Tab goes through the blocks in photo order, whenever each was made.
void CCustomProductPage::linkFocusChain(PhotoProductBlock* block) {
    QWidget* before = zoomTrimAll_;
    for (int i = block->photo() - 1; i >= 0; --i) {
        if (auto* b = static_cast<PhotoProductBlock*>(panel_->child(i))) {
            before = b->focusChain().back();
            break;
        }
    }
    for (QWidget* w : block->focusChain()) {
        QWidget::setTabOrder(before, w);
        before = w;
    }
}

// The blocks next to the one with the keyboard exist, so Tab can reach them.
void CCustomProductPage::keepNeighboursMade(QWidget* focused) {
    const int at = focused != nullptr ? panel_->indexOf(focused) : -1;
    if (at < 0)
        return;
    panel_->ensureChild(at - 1);
    panel_->ensureChild(at + 1);
}

void CCustomProductPage::openPreview(int photo, int product) {
    const auto p = static_cast<std::size_t>(photo);
    if (photo < 0 || p >= app_.order.PhotoCount() || !app_.order.photos()[p].hasAnyLine())
        return;
    if (preview_)
        preview_->close();
    auto* dialog = new PrintPreviewDialog(*data_, photo, product, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The row of a line changed in the preview shows the change at once.
    connect(dialog, &PrintPreviewDialog::lineChanged, this, [this](int changed, int) {
        if (auto* b = static_cast<PhotoProductBlock*>(panel_->child(changed)))
            b->showLines();
    });
    preview_ = dialog;
    dialog->open();
}

PrintPreviewDialog* CCustomProductPage::preview() const {
    return preview_.data();
}

void CCustomProductPage::onAdd() {
    const int product = product_->currentIndex();
    if (product < 0)
        return;
    const std::int32_t quantity =
        orlavo::wizard::QuantityFromText(quantity_->currentText().toStdString());
    if (orlavo::wizard::AskBeforeQuantity(0, quantity) &&
        app_.ShowAppMessage(S(kStrAskQuantityAll).arg(quantity), QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (!orlavo::wizard::AddToEveryPhoto(app_.order, product, quantity))
        return;
    for (PhotoProductBlock* b : madeBlocks())
        b->showLines();
    showSubtotal();
}

void CCustomProductPage::onZoomTrimAll(bool on) {
    orlavo::wizard::SetZoomTrimOfAllLines(app_.order, on);
    for (PhotoProductBlock* b : madeBlocks())
        b->setZoomTrimBoxes(on);
}

void CCustomProductPage::showSubtotal() {
    subtotal_->setText(
        QString::fromStdString(orlavo::wizard::SubtotalText(app_.order, data_->table)));
}

// Enter in the page's selectors presses the page's "Add", not the wizard's "Continue".
bool CCustomProductPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onAdd();
            return true;
        }
    }
    return CWizardPage::eventFilter(watched, event);
}
