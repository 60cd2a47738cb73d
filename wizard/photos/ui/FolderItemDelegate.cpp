#include "wizard/photos/ui/FolderItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/photos/ui/FolderModel.h"

namespace {

constexpr int kSide = orlavo::wizard::kThumbnailSide;
constexpr int kItemWidth = 116;  // the icon spacing of the view
constexpr int kTop = 6;
constexpr int kCheck = 16;

const QColor kTickFrame(0x2f, 0x6f, 0xde);
const QColor kSelection(0xdc, 0xe7, 0xfa);

}  // namespace

FolderItemDelegate::FolderItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QSize FolderItemDelegate::ItemSize(const QFontMetrics& metrics) {
    return {kItemWidth, kTop + kSide + 5 + metrics.height() + 6};
}

QSize FolderItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return ItemSize(option.fontMetrics);
}

void FolderItemDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    p->save();
    const QRect r = option.rect;
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    if (option.state & QStyle::State_Selected) {
        p->setRenderHint(QPainter::Antialiasing);
        p->setPen(Qt::NoPen);
        p->setBrush(kSelection);
        p->drawRoundedRect(r.adjusted(2, 1, -2, -1), 6, 6);
    }

    const QRect thumb(r.left() + (r.width() - kSide) / 2, r.top() + kTop, kSide, kSide);
    QImage image = index.data(FolderModel::kThumbnailRole).value<QImage>();
    if (image.isNull())
        image = placeholder_;
    p->drawImage(thumb, image);
    if (ticked) {
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(QPen(kTickFrame, 3));
        p->setBrush(Qt::NoBrush);
        p->drawRect(thumb.adjusted(-1, -1, 0, 0));
    }

    QStyleOptionViewItem check(option);
    check.rect = QRect(thumb.left() + 4, thumb.top() + 4, kCheck, kCheck);
    check.state =
        (option.state & QStyle::State_Enabled) | (ticked ? QStyle::State_On : QStyle::State_Off);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    p->setPen(Qt::NoPen);
    p->setBrush(QColor(255, 255, 255, 210));
    p->drawRect(check.rect.adjusted(-1, -1, 1, 1));
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, p, widget);

    // The name below, its middle left out when it is too long.
    const QFontMetrics& fm = option.fontMetrics;
    const QRect line(r.left() + 3, thumb.bottom() + 1 + 5, r.width() - 6, fm.height());
    const QString name =
        fm.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, line.width());
    p->setPen(option.palette.color(QPalette::Text));
    p->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, name);
    p->restore();
}
