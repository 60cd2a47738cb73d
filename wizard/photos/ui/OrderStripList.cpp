#include "wizard/photos/ui/OrderStripList.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "resources/WizardResources.h"
#include "wizard/photos/StripLayout.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/photos/ui/OrderStripModel.h"
#include "wizard/photos/ui/PhotoBitmaps.h"

using namespace orlavo::wizard;

namespace {

// Room beside the thumbnail for its buttons, and below it for its name.
constexpr int kItemExtraWidth = 32;
constexpr int kItemExtraHeight = 24;
// Photos to the left of a click: the buttons stand right of the thumbnail.
constexpr int kLookLeft = 28;

constexpr int kStrMoveLeft = 3624;
constexpr int kStrMoveRight = 3625;
const QColor kButtonFace(0xf7, 0xf8, 0xfa);
const QColor kButtonPressed(0xd5, 0xdf, 0xf0);
const QColor kButtonBorder(0xa9, 0xb2, 0xc0);
const QColor kSelection(0xdc, 0xe7, 0xfa);

// Draws a strip item: its thumbnail and its three buttons.
class StripDelegate : public QStyledItemDelegate {
public:
    explicit StripDelegate(OrderStripList* strip) : QStyledItemDelegate(strip), strip_(strip) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return strip_->itemSize();
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        p->save();
        const QRect r = option.rect;
        const int side = strip_->thumbnailSide();
        const QPoint at = StripThumbnailAt(r, side, side);
        if (option.state & QStyle::State_Selected) {
            p->setPen(Qt::NoPen);
            p->setBrush(kSelection);
            p->drawRect(QRect(at, QSize(side, side)).adjusted(-4, -4, 4 + kStripButtonSize, 4));
        }
        p->drawImage(QRect(at, QSize(side, side)),
                     index.data(OrderStripModel::kThumbnailRole).value<QImage>());
        for (int button : {kTurnCounterClockwise, kTurnClockwise, kRemove}) {
            const QRect b = StripButtonRect(r, side, side, button);
            const bool pressed =
                strip_->pressedItem() == index.row() && strip_->pressedButton() == button;
            p->setPen(kButtonBorder);
            p->setBrush(pressed ? kButtonPressed : kButtonFace);
            p->drawRect(b.adjusted(0, 0, -1, -1));
            // The picture from 2 pixels in (one more when pushed) to the far corner.
            const int in = pressed ? 3 : 2;
            p->drawImage(QRect(b.topLeft() + QPoint(in, in), b.bottomRight()),
                         strip_->buttonPicture(button));
        }
        // Cut short only when the thumbnails are small, at its start: the end
        // of a name ("_001.jpg") tells photos apart; the tooltip has it whole.
        const QRect name = strip_->nameRect(r);
        p->setPen(option.palette.color(QPalette::Text));
        p->drawText(name, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                    option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                  Qt::ElideLeft, name.width()));
        p->restore();
    }

private:
    OrderStripList* strip_;
};

QString S(int id) {
    return QString::fromStdString(Str(id));
}

}  // namespace

OrderStripList::OrderStripList(QWidget* parent) : QListView(parent), side_(kThumbnailSide) {
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setUniformItemSizes(true);
    setGridSize(itemSize());
    setMovement(QListView::Static);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new StripDelegate(this));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The order of the photos is the order they are sent in: dragging changes it.
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

QSize OrderStripList::itemSize() const {
    return {side_ + kItemExtraWidth, side_ + kItemExtraHeight};
}

void OrderStripList::setThumbnailSide(int side) {
    if (side == side_ || side < 16)
        return;
    side_ = side;
    setGridSize(itemSize());
    updateGeometry();
    viewport()->update();
}

QRect OrderStripList::nameRect(const QRect& item) const {
    const QPoint at = StripThumbnailAt(item, side_, side_);
    const int top = at.y() + side_ + 1;
    return QRect(item.left() + 2, top, item.width() - 4, std::max(0, item.bottom() - top));
}

QSize OrderStripList::sizeHint() const {
    // One row of thumbnails and the scroll bar below them.
    return {itemSize().width() * 2,
            itemSize().height() + 2 * frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2};
}

void OrderStripList::loadButtonPictures(qreal devicePixelRatio) {
    pictures_[kTurnClockwise] = PhotoBitmap(223, devicePixelRatio);
    pictures_[kTurnCounterClockwise] = PhotoBitmap(222, devicePixelRatio);
    pictures_[kRemove] = PhotoBitmap(224, devicePixelRatio);
    viewport()->update();
}

QRect OrderStripList::itemRect(int item) const {
    return model() ? visualRect(model()->index(item, 0)) : QRect();
}

std::pair<int, int> OrderStripList::buttonAt(QPoint pos) const {
    const QModelIndex index = indexAt(pos - QPoint(kLookLeft, 0));
    if (!index.isValid())
        return {-1, -1};
    const int button = StripButtonAt(visualRect(index), side_, side_, pos);
    return button < 0 ? std::pair{-1, -1} : std::pair{index.row(), button};
}

void OrderStripList::redrawItem(int item) {
    if (item >= 0)
        viewport()->update(itemRect(item).adjusted(0, 0, kStripButtonSize, 0));
}

void OrderStripList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const auto [item, button] = buttonAt(event->position().toPoint());
        if (item >= 0) {
            pressedItem_ = item;
            pressedButton_ = button;
            redrawItem(item);
            event->accept();
            return;
        }
    }
    QListView::mousePressEvent(event);
}

void OrderStripList::mouseReleaseEvent(QMouseEvent* event) {
    if (pressedItem_ >= 0 && event->button() == Qt::LeftButton) {
        const int item = pressedItem_, button = pressedButton_;
        pressedItem_ = pressedButton_ = -1;
        redrawItem(item);
        emit buttonClicked(item, button);
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void OrderStripList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && currentIndex().isValid()) {
        emit buttonClicked(currentIndex().row(), kRemove);
        event->accept();
        return;
    }
    const bool left = event->key() == Qt::Key_Left, right = event->key() == Qt::Key_Right;
    if ((left || right) && event->modifiers() == Qt::ControlModifier) {
        const int item = currentIndex().row();
        const int to = item + (left ? -1 : 1);
        if (currentIndex().isValid() && to >= 0 && to < model()->rowCount())
            emit moveRequested(item, to);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void OrderStripList::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex at = event->reason() == QContextMenuEvent::Mouse
                               ? indexAt(viewport()->mapFrom(this, event->pos()))
                               : currentIndex();
    if (!at.isValid())
        return;
    const int item = at.row();
    QMenu menu(this);
    for (const auto& [button, text] : {std::pair{kTurnCounterClockwise, 3213},
                                       std::pair{kTurnClockwise, 3212}, std::pair{kRemove, 3214}})
        connect(menu.addAction(S(text)), &QAction::triggered, this,
                [this, item, button] { emit buttonClicked(item, button); });
    menu.addSeparator();
    for (const auto& [step, text] : {std::pair{-1, kStrMoveLeft}, std::pair{1, kStrMoveRight}}) {
        QAction* move = menu.addAction(S(text));
        const int to = item + step;
        move->setEnabled(to >= 0 && to < model()->rowCount());
        connect(move, &QAction::triggered, this,
                [this, item, to] { emit moveRequested(item, to); });
    }
    const QPoint where = event->reason() == QContextMenuEvent::Mouse
                             ? event->globalPos()
                             : viewport()->mapToGlobal(visualRect(at).center());
    menu.exec(where);
}

bool OrderStripList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int button = buttonAt(help->pos()).second;
        if (button >= 0) {
            const int text = button == kTurnClockwise          ? 3212
                             : button == kTurnCounterClockwise ? 3213
                                                               : 3214;
            QToolTip::showText(help->globalPos(), S(text), viewport());
            return true;
        }
    }
    return QListView::viewportEvent(event);
}
