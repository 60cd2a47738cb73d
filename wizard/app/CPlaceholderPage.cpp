#include "wizard/app/CPlaceholderPage.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/WizardResources.h"
#include "wizard/app/CMyProperySheet.h"

namespace {
QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}
}  // namespace

CPlaceholderPage::CPlaceholderPage(CWizardApp& app, int step, QWidget* parent)
    : CWizardPage(S(3033 + step), app.bannerPicture(), parent), app_(app), step_(step) {
    setObjectName(QString("step%1").arg(step));
    auto* heading = new QLabel(S(3037 + step), this);
    heading->setObjectName("pageHeading");
    heading->setTextFormat(Qt::PlainText);
    QFont f = heading->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    heading->setFont(f);
    body()->addWidget(heading);
    body()->addStretch(1);
    if (step == 1)
        app.registerPhotoSelection(this);
}

void CPlaceholderPage::onSetActive() {
    CMyProperySheet* s = sheet();
    if (!s)
        return;
    if (step_ == 1)
        s->layoutWithoutBack();
    if (step_ == 2)
        s->layoutWithBack();
    if (step_ == 4)
        s->nextButton()->setText(S(148));
}

bool CPlaceholderPage::onWizardNext() {
    if (step_ == 1 && sheet())
        sheet()->layoutWithBack();
    return step_ != 4;
}

void CPlaceholderPage::onKillActive() {
    if (step_ == 4 && sheet())
        sheet()->nextButton()->setText(S(147));
}

void CPlaceholderPage::removeAll() {
    app_.order.RemoveAll();
    app_.selectedThumbnails.clear();
}
