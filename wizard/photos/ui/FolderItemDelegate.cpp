#include "wizard/photos/ui/FolderItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/photos/ui/FolderModel.h"

namespace {

constexpr int kItemExtra = 24;  // the icon spacing of the view: 116 for 92
constexpr int kTop = 6;
constexpr int kNameLines = 2;
// A long name breaks after one of these when it can.
const QRegularExpression kBreakAfter("[-_ .]");
constexpr int kCheck = 16;

const QColor kTickFrame(0x2f, 0x6f, 0xde);
const QColor kSelection(0xdc, 0xe7, 0xfa);

}  // namespace

FolderItemDelegate::FolderItemDelegate(QObject* parent)
    : QStyledItemDelegate(parent), side_(orlavo::wizard::kThumbnailSide) {}

QSize FolderItemDelegate::ItemSize(const QFontMetrics& metrics, int side) {
    return {side + kItemExtra, kTop + side + 5 + kNameLines * metrics.height() + 6};
}

QStringList FolderItemDelegate::NameLines(const QFontMetrics& metrics, const QString& name,
                                          int side) {
    const int width = side + kItemExtra - 6;
    QStringList lines;
    int start = 0;
    while (start < name.size()) {
        if (lines.size() + 1 == kNameLines) {
            // The last line: the rest, cut short at its end only when it must be.
            lines << metrics.elidedText(name.mid(start), Qt::ElideRight, width);
            break;
        }
        // The longest part from START that fits, broken after a separator when there is one.
        int end = start + 1;
        while (end < name.size() &&
               metrics.horizontalAdvance(name.mid(start, end - start + 1)) <= width)
            ++end;
        if (end < name.size()) {
            const int cut = name.lastIndexOf(kBreakAfter, end - 1);
            if (cut >= start && cut + 1 < end)
                end = cut + 1;
        }
        lines << name.mid(start, end - start);
        start = end;
    }
    return lines;
}

QSize FolderItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return ItemSize(option.fontMetrics, side_);
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

    const int kSide = side_;
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

    // The name below, on a second line when it is long.
    const QFontMetrics& fm = option.fontMetrics;
    QRect line(r.left() + 3, thumb.bottom() + 1 + 5, r.width() - 6, fm.height());
    p->setPen(option.palette.color(QPalette::Text));
    for (const QString& text : NameLines(fm, index.data(Qt::DisplayRole).toString(), kSide)) {
        p->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);
        line.translate(0, fm.height());
    }
    p->restore();
}
