#include "wizard/app/CWizardPage.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The banner across the page's top: the picture at the left; when the window
// is wider, its last column carries on to the right edge.
class Banner : public QLabel {
public:
    Banner(const QPixmap& picture, QWidget* parent) : QLabel(parent) {
        setPixmap(picture);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const QSize size =
            picture.isNull() ? QSize(764, 52) : picture.deviceIndependentSize().toSize();
        setFixedHeight(size.height());
        setMinimumWidth(size.width());
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        if (!picture.isNull())
            edge_ = picture.copy(picture.width() - 1, 0, 1, picture.height());
        pictureWidth_ = size.width();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!edge_.isNull() && width() > pictureWidth_) {
            QPainter p(this);
            p.drawPixmap(QRect(pictureWidth_, 0, width() - pictureWidth_, height()), edge_,
                         edge_.rect());
        }
        QLabel::paintEvent(event);
    }

private:
    QPixmap edge_;
    int pictureWidth_ = 0;
};

}  // namespace

CWizardPage::CWizardPage(const QString& title, const QPixmap& banner, QWidget* parent)
    : QWidget(parent), title_(title) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    banner_ = new Banner(banner, this);
    banner_->setObjectName("banner");
    outer->addWidget(banner_);
    body_ = new QVBoxLayout();
    body_->setContentsMargins(24, 18, 24, 12);
    body_->setSpacing(10);
    outer->addLayout(body_, 1);
}
