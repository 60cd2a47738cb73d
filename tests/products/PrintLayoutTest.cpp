// Where a photo lands on a product's paper, and when a line is marked.

#include "wizard/products/PrintLayout.h"

#include "wizard/photos/OrderModel.h"
#include "wizard/products/ProductLines.h"
#include "wizard/products/QualityRating.h"

#include <gtest/gtest.h>

namespace orlavo::wizard {
namespace {

struct LayoutCase {
    const char* what;
    int photoW, photoH, xDim, yDim;
    bool trim;
    int paperWmm, paperHmm;
    PixelBox paper;  // in the photo's pixels
    double cutAway;
};

TEST(PrintLayout, PlacesThePaperByTheLongSideAndCropsOrBordersAboutTheCentre) {
    const LayoutCase cases[] = {
        {"4:3 on 6x4, trimmed: top and bottom cut evenly",
         4000,
         3000,
         152,
         102,
         true,
         152,
         102,
         {0, 157.89, 4000, 2684.21},
         0.1053},
        {"4:3 on 6x4, whole: white at left and right",
         4000,
         3000,
         152,
         102,
         false,
         152,
         102,
         {-235.29, 0, 4470.59, 3000},
         0.0},
        {"portrait on a landscape product: the print turns",
         3000,
         4000,
         152,
         102,
         true,
         102,
         152,
         {157.89, 0, 2684.21, 4000},
         0.1053},
        {"portrait, whole: white above and below",
         3000,
         4000,
         152,
         102,
         false,
         102,
         152,
         {0, -235.29, 3000, 4470.59},
         0.0},
        {"catalogue gives the short side first",
         4000,
         3000,
         102,
         152,
         true,
         152,
         102,
         {0, 157.89, 4000, 2684.21},
         0.1053},
        {"square product, trimmed: a quarter goes",
         4000,
         3000,
         127,
         127,
         true,
         127,
         127,
         {500, 0, 3000, 3000},
         0.25},
        {"square product, whole",
         4000,
         3000,
         127,
         127,
         false,
         127,
         127,
         {0, -500, 4000, 4000},
         0.0},
        {"square photo on 6x4 lies landscape",
         2000,
         2000,
         152,
         102,
         true,
         152,
         102,
         {0, 328.95, 2000, 1342.11},
         0.3289},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        const PrintLayout l = LayOutPrint(c.photoW, c.photoH, c.xDim, c.yDim, c.trim);
        ASSERT_TRUE(l.shown());
        EXPECT_EQ(l.paperWidthMm, c.paperWmm);
        EXPECT_EQ(l.paperHeightMm, c.paperHmm);
        EXPECT_NEAR(l.paper.x, c.paper.x, 0.01);
        EXPECT_NEAR(l.paper.y, c.paper.y, 0.01);
        EXPECT_NEAR(l.paper.width, c.paper.width, 0.01);
        EXPECT_NEAR(l.paper.height, c.paper.height, 0.01);
        EXPECT_NEAR(l.cutAway, c.cutAway, 0.0001);
        // The paper keeps the product's proportions whichever way it lies.
        EXPECT_NEAR(l.paper.width / l.paper.height, double(c.paperWmm) / c.paperHmm, 1e-9);
        // Trimmed, the paper is all photo; whole, the photo is all printed.
        const PixelBox& expectPrinted = c.trim ? l.paper : l.photo;
        EXPECT_NEAR(l.printed.width * l.printed.height, expectPrinted.width * expectPrinted.height,
                    0.5);
    }
}

TEST(PrintLayout, NoLayoutWithoutBothSizesOfProductAndPhoto) {
    const struct {
        int photoW, photoH, xDim, yDim;
        LayoutGap gap;
    } cases[] = {
        {4000, 3000, 0, 0, LayoutGap::NoProductSize},
        {4000, 3000, 152, 0, LayoutGap::NoProductSize},
        {4000, 3000, -5, 102, LayoutGap::NoProductSize},
        {0, 0, 152, 102, LayoutGap::NoPhotoSize},
        {0, 0, 0, 0, LayoutGap::NoProductSize},
    };
    for (const auto& c : cases) {
        for (bool trim : {false, true}) {
            const PrintLayout l = LayOutPrint(c.photoW, c.photoH, c.xDim, c.yDim, trim);
            EXPECT_FALSE(l.shown());
            EXPECT_EQ(l.gap, c.gap);
            EXPECT_FALSE(LayoutGapText(l.gap).empty());
        }
    }
    EXPECT_EQ(LayoutGapText(LayoutGap::NoProductSize),
              "This product has no print size, so no preview can be shown.");
    EXPECT_FALSE(TrimCutsTooMuch(4000, 3000, 0, 0));
}

TEST(PrintLayout, PrintSizeInMillimetresAndInches) {
    EXPECT_EQ(PrintSizeText(152, 102), "152 x 102 mm (6.0 x 4.0 in)");
    EXPECT_EQ(PrintSizeText(102, 152), "102 x 152 mm (4.0 x 6.0 in)");
    EXPECT_EQ(PrintSizeText(305, 203), "305 x 203 mm (12.0 x 8.0 in)");
}

// A photo with one line of product 0 of TABLE.
SelectedPhoto Photo(int width, int height, int zoomTrim, int quantity = 1) {
    SelectedPhoto p;
    p.path = "/photos/a.jpg";
    p.width = width;
    p.height = height;
    p.orderLines = {OrderLine{quantity, zoomTrim}};
    return p;
}

ProductTable Table(int xDim, int yDim) {
    ProductTable t;
    t.products = {{"Print", "0.25", xDim, yDim}};
    t.currency = "GBP";
    return t;
}

TEST(LineWarning, MarksATrimThatCutsMoreThanAFifthAndPoorQuality) {
    const std::string cut25 = "Zoom and Trim cuts away 25% of this photo.";
    const std::string poor =
        "Quality \"Poor\": the photo has too few pixels for a print this size.";
    const struct {
        const char* what;
        SelectedPhoto photo;
        ProductTable table;
        std::string warning;
    } cases[] = {
        {"6x4 trimmed cuts 11%", Photo(4000, 3000, 1), Table(152, 102), ""},
        {"square trimmed cuts 25%", Photo(4000, 3000, 1), Table(127, 127), cut25},
        {"portrait on square, trimmed", Photo(3000, 4000, 1), Table(127, 127), cut25},
        {"square, not trimmed", Photo(4000, 3000, 0), Table(127, 127), ""},
        {"square, still undecided", Photo(4000, 3000, 2), Table(127, 127), ""},
        {"exactly a fifth is not more", Photo(5000, 4000, 1), Table(127, 127), ""},
        {"just over a fifth never reads 20%", Photo(5010, 4000, 1), Table(127, 127),
         "Zoom and Trim cuts away 21% of this photo."},
        {"poor quality whatever the trim", Photo(400, 300, 0), Table(152, 102), poor},
        {"medium quality is no reason", Photo(640, 480, 0), Table(152, 102), ""},
        {"both reasons, one a line", Photo(400, 300, 1), Table(127, 127), cut25 + "\n" + poor},
        {"no print size: nothing to say", Photo(4000, 3000, 1), Table(0, 0), ""},
        {"size of the photo unknown", Photo(0, 0, 1), Table(152, 102), ""},
        {"no line of that product", Photo(400, 300, 1, 0), Table(127, 127), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineWarning(c.photo, 0, c.table), c.warning) << c.what;
    // A product beyond the catalogue or the photo's lines is no line.
    EXPECT_EQ(LineWarning(Photo(400, 300, 1), 1, Table(127, 127)), "");
    EXPECT_EQ(LineWarning(Photo(400, 300, 1), -1, Table(127, 127)), "");
}

}  // namespace
}  // namespace orlavo::wizard

namespace orlavo::wizard {
namespace {

TEST(ChosenCrop, ZoomStopsWherePoorWouldBeginAndTheFrameStaysInsideThePhoto) {
    // 4000 x 3000 on a 6x4 (152 mm): the centre crop keeps 4000 x 2684.
    EXPECT_EQ(CentreCrop(4000, 3000, 152, 102), (CropBox{0, 158, 4000, 2684}));
    // Above "Poor" needs a long side of at least 602 pixels on 152 mm.
    EXPECT_EQ(RateQuality(602, 1, 152), Quality::Medium);
    EXPECT_EQ(RateQuality(601, 1, 152), Quality::Poor);
    const double most = MaxZoom(4000, 3000, 152, 102);
    EXPECT_NEAR(most, 4000.0 / 602, 1e-9);
    const CropBox deepest = CropAt(4000, 3000, 152, 102, 100.0, 2000, 1500);
    EXPECT_EQ(deepest.width, 602);
    EXPECT_NE(RateQuality(deepest.width, deepest.height, 152), Quality::Poor);
    // Already poor at the centre crop: no zoom at all.
    EXPECT_EQ(MaxZoom(500, 400, 152, 102), 1.0);
    // Pushed past a corner, the frame stops at the photo's edges.
    const CropBox corner = CropAt(4000, 3000, 152, 102, 2.0, -500, 99999);
    EXPECT_EQ(corner, (CropBox{0, 3000 - 1342, 2000, 1342}));
    EXPECT_NEAR(ZoomOf(4000, 3000, 152, 102, corner), 2.0, 1e-9);
    EXPECT_TRUE(CropAt(4000, 3000, 0, 102, 2.0, 0, 0).empty());

    const PrintLayout layout = LayOutCrop(4000, 3000, 152, 102, corner);
    EXPECT_EQ(layout.paperWidthMm, 152);
    EXPECT_DOUBLE_EQ(layout.paper.x, 0);
    EXPECT_DOUBLE_EQ(layout.paper.width, 2000);
    EXPECT_NEAR(layout.cutAway, 1 - 2000.0 * 1342 / (4000.0 * 3000), 1e-9);
}

TEST(ChosenCrop, ATurnedPhotoLandsOnTurnedPaperWithItsFrameTurnedToo) {
    OrderModel order(1);
    order.AddPhoto("/a.jpg", 0, 1, 4000, 3000);
    order.SetQuantity(0, 0, 1);
    order.SetZoomTrim(0, 0, 1);
    order.SetCrop(0, 0, CropAt(4000, 3000, 152, 102, 2.0, 1000, 1000));
    order.TurnPhoto(0, true);
    const SelectedPhoto& p = order.photos()[0];
    const PrintLayout layout = LayOutCrop(p.width, p.height, 152, 102, p.orderLines[0].crop);
    EXPECT_EQ(layout.paperWidthMm, 102);
    EXPECT_EQ(layout.paperHeightMm, 152);
    // The frame keeps the turned paper's proportions.
    EXPECT_NEAR(double(p.orderLines[0].crop.width) / p.orderLines[0].crop.height, 102.0 / 152,
                0.01);
}

TEST(ChosenCrop, RowsRateAndWarnByTheCroppedPixels) {
    const ProductTable table = Table(152, 102);
    SelectedPhoto p = Photo(4000, 3000, 1);
    p.orderLines[0].crop = {0, 0, 1000, 671};
    EXPECT_EQ(MakeRowTexts(p, 0, table).quality, "Fine");
    EXPECT_EQ(MakeRowTexts(p, 0, table).name, "Print, own crop");
    EXPECT_EQ(LineWarning(p, 0, table), "Zoom and Trim cuts away 94% of this photo.");
    p.orderLines[0].crop = {0, 0, 590, 396};
    EXPECT_EQ(MakeRowTexts(p, 0, table).quality, "Poor");
    // Zoom and Trim off: the crop waits, the whole photo counts.
    p.orderLines[0].zoomTrim = 0;
    EXPECT_EQ(MakeRowTexts(p, 0, table).quality, "Excellent");
    EXPECT_EQ(MakeRowTexts(p, 0, table).name, "Print");
    EXPECT_EQ(LineWarning(p, 0, table), "");
}

}  // namespace
}  // namespace orlavo::wizard
