#include "wizard/transmission/ui/OrderLinesTable.h"

#include <QHeaderView>
#include <QPainter>

#include "resources/WizardResources.h"
#include "wizard/photos/ThumbnailList.h"

namespace {

QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kStrPhoto = 3590;
constexpr int kIcon = 28;
constexpr int kRowsShown = 5;

// The thumbnail in a square icon, sharp on the screen it is shown on.
QIcon SmallThumbnail(const QImage& thumbnail, qreal dpr) {
    const int side = qRound(kIcon * dpr);
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    if (!thumbnail.isNull()) {
        QPainter p(&square);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize fit = thumbnail.size().scaled(side, side, Qt::KeepAspectRatio);
        p.drawImage(
            QRect((side - fit.width()) / 2, (side - fit.height()) / 2, fit.width(), fit.height()),
            thumbnail);
    }
    square.setDevicePixelRatio(dpr);
    return QIcon(square);
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment align) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(align | Qt::AlignVCenter);
    return item;
}

}  // namespace

OrderLinesTable::OrderLinesTable(QWidget* parent) : QTableWidget(0, kColumns, parent) {
    setObjectName("orderLines");
    setAccessibleName(S(3591));
    setHorizontalHeaderLabels({S(kStrPhoto), S(1070), S(1127), S(1072), S(3380)});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kIcon, kIcon));
    setWordWrap(false);
    setShowGrid(false);
    setAlternatingRowColors(true);
    // Room between the columns, which are as wide as their texts.
    setStyleSheet("QTableView::item { padding: 0 8px; }");
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kIcon + 4);
    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    for (int c = 0; c < kColumns; ++c)
        header->setSectionResizeMode(
            c, c == kProduct ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Numbers stand right, under their headers.
    for (int c : {kQuantity, kUnitPrice, kTotal})
        horizontalHeaderItem(c)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void OrderLinesTable::showLines(const std::vector<orlavo::transmission::BoughtLine>& lines,
                                const orlavo::wizard::ThumbnailList& thumbnails) {
    setRowCount(0);
    setRowCount(static_cast<int>(lines.size()));
    const qreal dpr = devicePixelRatioF();
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const orlavo::transmission::BoughtLine& line = lines[static_cast<std::size_t>(r)];
        QTableWidgetItem* photo = Cell(Q(line.fileName), Qt::AlignLeft);
        photo->setIcon(SmallThumbnail(thumbnails.forPhoto(line.photo), dpr));
        photo->setToolTip(Q(line.path));
        setItem(r, kPhoto, photo);
        setItem(r, kProduct, Cell(Q(line.product), Qt::AlignLeft));
        setItem(r, kQuantity, Cell(QString::number(line.quantity), Qt::AlignRight));
        setItem(r, kUnitPrice, Cell(Q(line.unitPrice), Qt::AlignRight));
        setItem(r, kTotal, Cell(Q(line.lineTotal), Qt::AlignRight));
    }
    updateGeometry();
}

QSize OrderLinesTable::sizeHint() const {
    // A few rows at once; a longer order scrolls in the list.
    const int rows = std::clamp(rowCount(), 1, kRowsShown);
    const int height = horizontalHeader()->sizeHint().height() +
                       rows * verticalHeader()->defaultSectionSize() + 2 * frameWidth() + 2;
    return {QTableWidget::sizeHint().width(), height};
}

QSize OrderLinesTable::minimumSizeHint() const {
    return {QTableWidget::minimumSizeHint().width(), sizeHint().height()};
}
