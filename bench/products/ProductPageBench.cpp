// Step 2 with a full order, 197 photos of 3 lines each, in the wizard sheet
// on the offscreen platform:
//   Activation: the page becomes current and is drawn once (the goal is
//     under 150 ms).
//   ActivationAfterEveryBlockWasMade: the same after the user had scrolled
//     through the whole order, so that every block existed.
//   ScrollOneNotch: one wheel notch down and the redraw, over the whole
//     order (smooth scrolling wants a few milliseconds).
//   AddToEveryPhoto: the page's "Add" with the subtotal.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench/support/BenchRows.h"
#include "bench/support/QuietEffects.h"
#include "bench/support/RoundsReporter.h"

#include "common/RegistryRoot.h"
#include "platform/RegistryStore.h"
#include "wizard/app/AppEffects.h"
#include "wizard/app/CMyProperySheet.h"
#include "wizard/app/CWizardApp.h"
#include "wizard/app/StepPages.h"
#include "wizard/products/ui/CCustomProductPage.h"
#include "wizard/products/ui/PhotoProductBlock.h"
#include "wizard/products/ui/StackPanel.h"

namespace {

constexpr const char* kCatalogue = R"xml(<?xml version="1.0"?>
<affiliateinfo>
  <affiliate id="77" currency="GBP"/>
  <products>
    <product id="P1" prod_description="6x4 in Gloss (152 x 102 mm)" price=".25" x_dim="152" y_dim="102"/>
    <product id="P2" prod_description="7x5 in Gloss (178 x 127 mm)" price="0.45" x_dim="178" y_dim="127"/>
    <product id="P3" prod_description="8x6 in Matt (203 x 152 mm)" price="0.65" x_dim="203" y_dim="152"/>
    <product id="P4" prod_description="10x8 in Matt (254 x 203 mm)" price="0.95" x_dim="254" y_dim="203"/>
    <product id="P5" prod_description="12x8 Poster (305 x 203 mm)" price="2.50" x_dim="305" y_dim="203"/>
  </products>
  <payment><pay id="1" name="Visa"/></payment>
  <shipping><ship id="1"><country name="United Kingdom" value="GB"/></ship></shipping>
</affiliateinfo>
)xml";

using orlavo::bench::QuietEffects;

// The wizard on step 2 with 197 photos of 3 lines each.
struct FullOrder {
    FullOrder() {
        qputenv("ORLAVO_REGISTRY", temp.filePath("registry.sqlite3").toUtf8());
        app = std::make_unique<CWizardApp>(std::vector<std::string>{"bench", "Bench"}, effects,
                                           std::string{}, MakeStepPage);
        app->StartUp();
        app->xml.LoadDownloaded("http://127.0.0.1/catalogue.xml", kCatalogue, app->shops);
        app->order.setProductCount(app->xml.GetProductCount());
        for (int i = 0; i < 197; ++i) {
            QImage thumb(92, 69, QImage::Format_RGB32);
            thumb.fill(QColor::fromHsv(i * 7 % 360, 120, 200));
            app->selectedThumbnails.append(thumb);
            app->order.AddPhoto("/photos/p" + std::to_string(i) + ".jpg", 0, 2000000, 3264, 2448);
            for (int j : {0, 2, 4})
                app->order.SetQuantity(static_cast<std::size_t>(i), j, 1 + i % 3);
        }
        sheet().resize(900, 700);
        sheet().show();
        sheet().setActivePage(1);
        QApplication::processEvents();
    }
    CMyProperySheet& sheet() { return *app->sheet(); }
    CCustomProductPage& page() { return *static_cast<CCustomProductPage*>(sheet().page(1)); }
    // What the sheet does when the user comes to step 2, and the first frame.
    void activate() {
        sheet().setActivePage(0);
        sheet().setActivePage(1);
        sheet().repaint();
    }

    QTemporaryDir temp;
    QuietEffects effects;
    std::unique_ptr<CWizardApp> app;
};

// Made on first use; gone before the application object is.
std::unique_ptr<FullOrder>& OrderSlot() {
    static std::unique_ptr<FullOrder> order;
    return order;
}

FullOrder& Order() {
    if (!OrderSlot())
        OrderSlot() = std::make_unique<FullOrder>();
    return *OrderSlot();
}

void Activation(benchmark::State& state) {
    FullOrder& o = Order();
    for (auto _ : state)
        o.activate();
    state.counters["blocks_made"] = o.page().madeBlocks().size();
}
BENCHMARK(Activation)->Unit(benchmark::kMillisecond);

void ActivationAfterEveryBlockWasMade(benchmark::State& state) {
    FullOrder& o = Order();
    QScrollBar* bar = o.page().blocksPanel()->verticalScrollBar();
    for (auto _ : state) {
        state.PauseTiming();
        o.activate();
        for (int i = 0; i < 197; ++i)
            o.page().block(i);
        QApplication::processEvents();
        state.ResumeTiming();
        o.activate();
    }
    bar->setValue(0);
}
BENCHMARK(ActivationAfterEveryBlockWasMade)->Unit(benchmark::kMillisecond);

void ScrollOneNotch(benchmark::State& state) {
    FullOrder& o = Order();
    o.activate();
    StackPanel* panel = o.page().blocksPanel();
    QWidget* viewport = panel->viewport();
    const QPointF at(20, 20);
    for (auto _ : state) {
        if (panel->verticalScrollBar()->value() == panel->verticalScrollBar()->maximum()) {
            state.PauseTiming();
            o.activate();
            state.ResumeTiming();
        }
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        o.sheet().repaint();
    }
}
BENCHMARK(ScrollOneNotch)->Unit(benchmark::kMicrosecond);

// One block made as it comes into view, shown and drawn.
void MakeOneBlock(benchmark::State& state) {
    FullOrder& o = Order();
    o.activate();
    StackPanel* panel = o.page().blocksPanel();
    int next = 100;
    for (auto _ : state) {
        QWidget* b = o.page().block(next);
        b->repaint();
        state.PauseTiming();
        if (++next == 197) {
            o.activate();
            next = 100;
        }
        QApplication::processEvents();
        state.ResumeTiming();
    }
    (void)panel;
}
BENCHMARK(MakeOneBlock)->Unit(benchmark::kMicrosecond);

void AddToEveryPhoto(benchmark::State& state) {
    FullOrder& o = Order();
    o.activate();
    for (auto _ : state)
        o.page().addButton()->click();
}
BENCHMARK(AddToEveryPhoto)->Unit(benchmark::kMicrosecond);

}  // namespace

// Google Benchmark's options, and: --runs N (rounds, default 5), --rows FILE.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const std::string rowsFile = orlavo::bench::TakeRowsOption(argc, argv);
    int rounds = 5;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            argv[kept++] = argv[i];
    }
    auto times = orlavo::bench::RunRounds(kept, argv, rounds);
    OrderSlot().reset();
    if (rowsFile.empty())
        return 0;
    using orlavo::bench::Goal;
    const auto spread = orlavo::bench::Summarize(times["Activation"]);
    orlavo::bench::Row row;
    row.id = "products.activation";
    row.work = "step 2 activation, 197 photos x 3 lines";
    row.orlavo = orlavo::bench::Figure(spread, "ms", 1);
    row.peer = "-";
    row.ratio = "-";
    row.goal = "< 150 ms";
    row.pass = spread.count > 0 && Goal{Goal::Kind::Below, 150}.metBy(spread.median);
    row.note = std::to_string(spread.count) + " rounds; page made current and drawn once";
    return orlavo::bench::AppendRow(rowsFile, row) ? 0 : 1;
}
