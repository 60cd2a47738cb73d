#pragma once
// The prints of one photo, one line at a time: each drawn at its product's
// proportions, with the print size, the quality rating and the line's
// "Zoom and Trim" box, which changes the line at once.
//
// The window opens at once with the photo's thumbnail blown up; the sharp
// picture is decoded at the view's size (device pixels) on a worker of the
// global thread pool, which gets the path by value and touches nothing else,
// and comes back through a watcher on the window thread. When the window
// closes first, the late picture is dropped.

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <vector>

class ProductPageData;
class PrintPreviewView;
class QCheckBox;
class QLabel;
class QListWidget;

class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // Shows the lines of PHOTO, PRODUCT's line first when it has one.
    PrintPreviewDialog(ProductPageData& data, int photo, int product, QWidget* parent = nullptr);
    ~PrintPreviewDialog() override;

    int photo() const { return photo_; }
    // The product whose line is shown, -1 when the photo has no line.
    int currentProduct() const;
    // Shows the line of PRODUCT.
    void showLine(int product);
    // The sharp picture has come (or the file could not be read).
    bool pictureDone() const { return pictureDone_; }

    QListWidget* lineList() const { return lines_; }
    PrintPreviewView* view() const { return view_; }
    QCheckBox* zoomTrimBox() const { return zoomTrim_; }
    QLabel* sizeLabel() const { return size_; }
    QLabel* qualityLabel() const { return quality_; }
    QLabel* warningLabel() const { return warning_; }

signals:
    // The user changed the "Zoom and Trim" of a line.
    void lineChanged(int photo, int product);
    // The sharp picture is drawn, or the file's failure shown.
    void pictureShown();

private:
    void onLineSelected(int row);
    void onZoomTrim(bool on);
    void onPictureDecoded();
    void refresh();

    ProductPageData& data_;
    int photo_;
    std::vector<int> products_;  // the list's entries
    bool pictureDone_ = false;
    bool unreadable_ = false;
    QListWidget* lines_;
    PrintPreviewView* view_;
    QLabel* name_;
    QLabel* size_;
    QLabel* quality_;
    QCheckBox* zoomTrim_;
    QLabel* warning_;
    QFutureWatcher<QImage> decode_;
};
