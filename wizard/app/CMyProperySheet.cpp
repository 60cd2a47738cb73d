#include "wizard/app/CMyProperySheet.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/CWizardPage.h"
#include "wizard/app/OpenInBrowser.h"

namespace {
QString S(int id) {
    return QString::fromStdString(orlavo::wizard::Str(id));
}

// The pages' room: the banner's width and a comfortable height at least, and
// what the page on show needs, so that a window made small never draws a
// page's fields over each other. Pages not on show ask for nothing.
class PageStack : public QStackedWidget {
public:
    using QStackedWidget::QStackedWidget;
    QSize minimumSizeHint() const override {
        const QSize least(764, 460);
        const QWidget* page = currentWidget();
        return page ? least.expandedTo(page->minimumSizeHint()) : least;
    }
};

// The size the wizard opens at when none is kept.
const QSize kDefaultSize(1000, 740);
constexpr const char* kWindowValue = "WizardWindow";

// "WIDTHxHEIGHT", then " maximized" when it was.
struct Placement {
    QSize size;
    bool maximized = false;
};

Placement ReadPlacement(const std::string& text) {
    static const QRegularExpression form(R"(^\s*(\d{1,5})\s*x\s*(\d{1,5})(\s+maximized)?\s*$)");
    const QRegularExpressionMatch m = form.match(QString::fromStdString(text));
    if (!m.hasMatch())
        return {};
    return {QSize(m.captured(1).toInt(), m.captured(2).toInt()), m.capturedLength(3) > 0};
}

std::string PlacementText(const Placement& p) {
    return std::to_string(p.size.width()) + "x" + std::to_string(p.size.height()) +
           (p.maximized ? " maximized" : "");
}
}  // namespace

CMyProperySheet::CMyProperySheet(CWizardApp& app, QWidget* parent) : QDialog(parent), app_(app) {
    setObjectName("sheet");
    setWindowTitle(S(184));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    setWindowIcon(app.programIcon());

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    stack_ = new PageStack(this);
    outer->addWidget(stack_, 1);

    auto* line = new QFrame(this);
    line->setObjectName("buttonRule");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    outer->addWidget(line);

    auto* bar = new QWidget(this);
    bar->setObjectName("buttonBar");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 10, 12, 12);
    row->setSpacing(4);
    back_ = new QPushButton(S(146), bar);
    cancel_ = new QPushButton(S(111), bar);
    help_ = new QPushButton(S(162), bar);
    next_ = new QPushButton(S(147), bar);
    back_->setObjectName("back");
    cancel_->setObjectName("cancel");
    help_->setObjectName("help");
    next_->setObjectName("next");
    // Enter presses Continue (or Send Order) whatever has the focus: after
    // Back the focus stays there, and a run of Enters must lead forward, not
    // back to step 1 and onto Cancel. Space still presses the focused button.
    for (QPushButton* b : {back_, cancel_, help_})
        b->setAutoDefault(false);
    next_->setDefault(true);
    // Buttons the pages make (now or later, as they scroll into view) too.
    qApp->installEventFilter(this);
    row->addWidget(back_);
    row->addWidget(cancel_);
    row->addWidget(help_);
    row->addStretch(1);
    row->addWidget(next_);
    outer->addWidget(bar);

    connect(back_, &QPushButton::clicked, this, &CMyProperySheet::onBack);
    connect(next_, &QPushButton::clicked, this, &CMyProperySheet::onNext);
    connect(cancel_, &QPushButton::clicked, this, &CMyProperySheet::reject);
    connect(help_, &QPushButton::clicked, this, &CMyProperySheet::onHelp);
    restoreSize();
}

void CMyProperySheet::restoreSize() {
    const Placement kept =
        ReadPlacement(app_.registry().getText(orlavo::section::kSettings, kWindowValue));
    QSize size = kept.size.isEmpty() ? kDefaultSize : kept.size;
    // Never larger than the screen, never smaller than the pages need.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size.expandedTo(minimumSizeHint()));
    if (kept.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CMyProperySheet::storeSize() {
    if (!opened_)
        return;
    const bool maximized = isMaximized();
    const QSize size = maximized ? normalGeometry().size() : this->size();
    if (size.isEmpty())
        return;
    app_.registry().setText(orlavo::section::kSettings, kWindowValue,
                            PlacementText({size, maximized}));
}

void CMyProperySheet::done(int result) {
    storeSize();
    QDialog::done(result);
}

void CMyProperySheet::addPage(CWizardPage* page) {
    page->sheet_ = this;
    pages_.append(page);
    stack_->addWidget(page);
    if (active_ < 0) {
        active_ = 0;
        stack_->setCurrentWidget(page);
        setWindowTitle(page->title());
    }
}

void CMyProperySheet::showEvent(QShowEvent* event) {
    if (!opened_) {
        opened_ = true;
        // Every button as wide as the widest caption; Continue 30 pixels wider.
        int w = 96;
        for (QPushButton* b : {back_, cancel_, help_})
            w = std::max(w, b->sizeHint().width());
        for (QPushButton* b : {back_, cancel_, help_})
            b->setFixedWidth(w);
        // Continue reads "Send Order" on the last step: room for either caption.
        const QString caption = next_->text();
        int nextWidth = std::max(w + 30, next_->sizeHint().width());
        next_->setText(S(148));
        nextWidth = std::max(nextWidth, next_->sizeHint().width());
        next_->setText(caption);
        next_->setFixedWidth(nextWidth);
        layoutWithBack();
        layoutWithoutBack();
        if (active_ >= 0)
            activate(active_);
    }
    QDialog::showEvent(event);
}

bool CMyProperySheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish) {
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button && button != next_ && button->window() == this)
            button->setAutoDefault(false);
    }
    return QDialog::eventFilter(watched, event);
}

void CMyProperySheet::layoutWithBack() {
    back_->show();
}

void CMyProperySheet::layoutWithoutBack() {
    back_->hide();
}

void CMyProperySheet::setActivePage(int index) {
    if (index < 0 || index >= pages_.size())
        return;
    if (index == active_) {
        activate(index);
        return;
    }
    if (CWizardPage* old = activePage())
        old->onKillActive();
    activate(index);
}

void CMyProperySheet::activate(int index) {
    active_ = index;
    CWizardPage* p = pages_[index];
    stack_->setCurrentWidget(p);
    setWindowTitle(p->title());
    // Each page starts with Next enabled; a page that needs it off (step 1
    // without photos) says so as it becomes active. An order resumed on a
    // later step must not keep the state step 1 left behind.
    next_->setEnabled(true);
    p->onSetActive();
    // The window's least size follows the page now on show.
    stack_->updateGeometry();
}

void CMyProperySheet::onBack() {
    CWizardPage* p = activePage();
    if (!p || !p->onWizardBack())
        return;
    if (active_ > 0)
        setActivePage(active_ - 1);
}

void CMyProperySheet::onNext() {
    CWizardPage* p = activePage();
    if (!p || !p->onWizardNext())
        return;
    // The last page handles its own press ("Send Order"); there is no page after it.
    if (active_ + 1 < pages_.size())
        setActivePage(active_ + 1);
}

void CMyProperySheet::onHelp() {
    const std::string url = app_.registry().getText(orlavo::section::kDownloadInfo, "HelpURL");
    OpenInBrowser(app_.effects(), this, QString::fromStdString(url));
}

void CMyProperySheet::reject() {
    // No is the default: a stray Enter must not throw the order away.
    if (app_.ShowAppMessageId(161, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    QDialog::reject();
}

void CMyProperySheet::endWizard(int result) {
    done(result);
}
