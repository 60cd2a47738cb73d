// Where a photo lands on a product's paper, and when a line is marked.

#include "wizard/products/PrintLayout.h"

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
