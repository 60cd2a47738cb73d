#pragma once
// A white child window with a scrollable content area: the content size, its
// page and line steps, scroll bars only when the content does not fit, and
// the mouse wheel. The content starts at the top-left corner and lives on
// canvas(), which moves as the panel scrolls.

#include <QAbstractScrollArea>
#include <QSize>

class QScrollBar;

class ScrollPanel : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ScrollPanel(QWidget* parent = nullptr);

    // The content size in pixels. A page step of 0 becomes a tenth of the
    // content size and a line step of 0 a tenth of the page step, each
    // direction by itself.
    void SetContentSize(QSize content, QSize page = {}, QSize line = {});
    QSize contentSize() const { return content_; }
    QSize pageStep() const { return page_; }
    QSize lineStep() const { return line_; }

    // Where the content is drawn: children of the content go here.
    QWidget* canvas() const { return canvas_; }
    // The top-left content point shown at the panel's top-left corner.
    QPoint scrollPosition() const;
    // Scrolls so that RECT (content coordinates) is shown, as little as needed.
    void ensureVisible(const QRect& rect);

    // Wheel lines per notch for the whole process: the desktop's setting read
    // once (3 when there is none); -1 means a page per notch.
    static int WheelLinesPerNotch();
    static void SetWheelLinesPerNotch(int lines);

signals:
    // The shown part of the content changed (scrolled or resized).
    void shownAreaChanged();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void updateScrollBars();
    void placeCanvas();
    void stepAction(QScrollBar* bar, int action, int page);
    void followFocus(QWidget* now);

    QWidget* canvas_;
    QSize content_{0, 0};
    QSize page_{0, 0};
    QSize line_{0, 0};
    bool updatingBars_ = false;
    double wheelLines_ = 0;  // the part of a line the wheel still owes
};
