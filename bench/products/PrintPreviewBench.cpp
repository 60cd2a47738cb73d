// The print preview of one 12-megapixel photo (4000 x 3000, about 3 MB) on
// step 2, in the wizard sheet on the offscreen platform:
//   ClickToSharpPreview: a click on the photo's thumbnail until the preview
//     window is drawn with the photo decoded at the view's size (the goal is
//     under 150 ms; run with QT_SCALE_FACTOR=2 for a screen at 200%).
//   ScaledDecodeAlone: the preview's decode by itself, as its worker runs it
//     (its CPU time is what the click costs beyond the window's own work,
//     whatever else the machine is busy with).
//   PeerQImageFullDecode: the same file read whole by Qt's own JPEG reader,
//     which a preview without a scaled decode would wait for before drawing.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <memory>

#include "bench/support/QuietEffects.h"
#include "lab/SamplePhotoMaker.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/photos/ThumbnailMaker.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/PrintPreviewDialog.h"
#include "wizard/products/ui/PrintPreviewView.h"

namespace {

constexpr const char* kCatalogue = R"xml(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" prod_description="6x4 in Gloss (152 x 102 mm)" price=".25" x_dim="152" y_dim="102"/>
    <product id="P2" prod_description="5x5 in Square (127 x 127 mm)" price="0.40" x_dim="127" y_dim="127"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/></ship></shipping>
</affiliateinfo>
)xml";

using orlavo::bench::QuietEffects;

// Step 2 with one 12-megapixel photo on disk and two lines.
struct OnePhoto {
    OnePhoto() {
        qputenv("ORLAVO_REGISTRY", temp.filePath("registry.sqlite3").toUtf8());
        const orlavo::lab::RgbImage rgb =
            orlavo::lab::SamplePhotoMaker::DrawLandscape(4000, 3000, 11);
        const QImage picture(rgb.pixels.data(), rgb.width, rgb.height, rgb.width * 3,
                             QImage::Format_RGB888);
        path = temp.filePath("big.jpg");
        picture.save(path, "JPG", 90);
        app = std::make_unique<CWizardApp>(std::vector<std::string>{"bench", "Bench"}, effects,
                                           std::string{}, MakeStepPage);
        app->StartUp();
        app->xml.LoadDownloaded("http://127.0.0.1/catalogue.xml", kCatalogue, app->shops);
        app->order.setProductCount(app->xml.GetProductCount());
        app->selectedThumbnails.append(
            picture.scaled(92, 92, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        app->order.AddPhoto(path.toStdString(), 0, 3000000, 4000, 3000);
        app->order.SetQuantity(0, 0, 1);
        app->order.SetQuantity(0, 1, 1);
        sheet().resize(900, 700);
        sheet().show();
        sheet().setActivePage(1);
        QApplication::processEvents();
    }
    CMyProperySheet& sheet() { return *app->sheet(); }
    CCustomProductPage& page() { return *static_cast<CCustomProductPage*>(sheet().page(1)); }

    QTemporaryDir temp;
    QString path;
    QuietEffects effects;
    std::unique_ptr<CWizardApp> app;
};

void ClickToSharpPreview(benchmark::State& state) {
    OnePhoto o;
    PhotoProductBlock* block = o.page().block(0);
    const QPointF at = block->thumbnailRect().center();
    for (auto _ : state) {
        QMouseEvent press(QEvent::MouseButtonPress, at, block->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(block, &press);
        PrintPreviewDialog* d = o.page().preview();
        if (d == nullptr) {
            state.SkipWithError("no preview opened");
            break;
        }
        while (!d->pictureDone())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        d->repaint();
        state.PauseTiming();
        state.counters["picture_px"] = d->view()->picture().width();
        d->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["goal_ms"] = 150;
}
BENCHMARK(ClickToSharpPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

void ScaledDecodeAlone(benchmark::State& state) {
    OnePhoto o;
    const int side = qRound(PrintPreviewView::kSide * qApp->devicePixelRatio());
    for (auto _ : state) {
        const QImage picture = orlavo::wizard::MakePreviewPicture(o.path.toStdString(), side);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["side_px"] = side;
}
BENCHMARK(ScaledDecodeAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

void PeerQImageFullDecode(benchmark::State& state) {
    OnePhoto o;
    for (auto _ : state) {
        QImage whole(o.path);
        benchmark::DoNotOptimize(whole.bits());
    }
}
BENCHMARK(PeerQImageFullDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
