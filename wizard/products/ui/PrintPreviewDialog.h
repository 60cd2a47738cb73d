#pragma once
// The prints of one photo, one line at a time: each drawn at its product's
// proportions, with the print size, the quality rating and the line's
// "Zoom and Trim" box, which changes the line at once. With "Zoom and Trim"
// on, the user chooses what the print keeps: the photo is dragged under the
// paper and zoomed (wheel, slider, + and -) up to where its quality would
// rate "Poor"; "Reset" brings back the centre crop. The choice is the line's
// own crop, written into the order at once.
//
// The window opens at once with the photo's thumbnail blown up; the sharp
// picture is decoded at the view's size (device pixels) on a worker of the
// global thread pool, which gets the path by value and touches nothing else,
// and comes back through a watcher on the window thread. When the window
// closes first, the late picture is dropped.

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <optional>
#include <vector>

#include "wizard/photos/SelectedPhoto.h"

class ProductPageData;
class PrintPreviewView;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

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
    QSlider* zoomSlider() const { return zoom_; }
    QPushButton* resetButton() const { return reset_; }

signals:
    // The user changed the "Zoom and Trim" or the crop of a line.
    void lineChanged(int photo, int product);
    // The sharp picture is drawn, or the file's failure shown.
    void pictureShown();

private:
    void onLineSelected(int row);
    void onZoomTrim(bool on);
    void onPictureDecoded();
    void refresh();
    // The crop of the current line moved by DX, DY photo pixels, or zoomed to ZOOM.
    void moveCrop(double dx, double dy);
    void zoomTo(double zoom);
    // The crop at ZOOM (as it is when none) with its centre moved by DX, DY.
    void placeCrop(std::optional<double> zoom, double dx, double dy);
    void resetCrop();
    // Stores CROP as the current line's own (empty: the centre crop) and shows it.
    void storeCrop(const orlavo::wizard::CropBox& crop);
    // The part the current line keeps now: its own crop or the centre crop.
    orlavo::wizard::CropBox currentCrop() const;

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
    QLabel* zoomCaption_;
    QSlider* zoom_;
    QPushButton* reset_;
    QLabel* hint_;
    QFutureWatcher<QImage> decode_;
};
