// The linear layout's arithmetic on described children: no controls, no window. Built natively
// (sanitizers) and for Windows.
#include "uie/core/UiLinearArithmetic.h"

#include <gtest/gtest.h>

#include <vector>

#include "uie/core/CUiControl.h"

using namespace UIE;

namespace {

// A child of the given specs whose content measures `content`, whatever width it is offered; the
// offered width is recorded.
UiLinearChild Child(int widthSpec, int heightSpec, UiSize content = {}, int* offered = nullptr) {
    UiLinearChild c;
    c.widthSpec = widthSpec;
    c.heightSpec = heightSpec;
    c.measure = [content, offered](int width) {
        if (offered)
            *offered = width;
        return content;
    };
    return c;
}

std::vector<int> Xs(const std::vector<UiRect>& placed) {
    std::vector<int> xs;
    for (const UiRect& r : placed)
        xs.push_back(r.x);
    return xs;
}
std::vector<int> Widths(const std::vector<UiRect>& placed) {
    std::vector<int> widths;
    for (const UiRect& r : placed)
        widths.push_back(r.width);
    return widths;
}

}  // namespace

TEST(LinearArithmetic, RowsDistributeFreeSpace) {
    struct Case {
        const char* name;
        int justify;
        std::vector<UiLinearChild> children;
        std::vector<int> xs;
        std::vector<int> widths;
    };
    const Case cases[] = {
        {"centre", 1, {Child(40, 10), Child(60, 10)}, {45, 95}, {40, 60}},
        {"end", 2, {Child(40, 10), Child(60, 10)}, {90, 140}, {40, 60}},
        {"between", 3, {Child(40, 10), Child(60, 10)}, {0, 140}, {40, 60}},
        {"around", 4, {Child(40, 10), Child(60, 10)}, {22, 117}, {40, 60}},
        {"between, one child", 3, {Child(40, 10)}, {0}, {40}},
        {"fill beside wrap, justify ignored", 2, {Child(-1, 10, {30, 10}), Child(-2, 10)}, {0, 40}, {30, 160}},
    };
    UiLinearParams row;
    row.spacing = 10;
    for (const Case& c : cases) {
        row.justify = c.justify;
        const std::vector<UiRect> placed = ArrangeLinear(row, c.children, {200, 20});
        EXPECT_EQ(Xs(placed), c.xs) << c.name;
        EXPECT_EQ(Widths(placed), c.widths) << c.name;
    }
}

// The last filling child absorbs the rounding: 33 (33.3 + 0.5), 34 (67 / 2 + 0.5), then the rest.
TEST(LinearArithmetic, FillingChildrenShareTheFreeSpaceExactly) {
    const std::vector<UiLinearChild> three = {Child(-2, 10), Child(-2, 10), Child(-2, 10)};
    const std::vector<UiRect> placed = ArrangeLinear({}, three, {100, 10});
    EXPECT_EQ(Widths(placed), (std::vector<int>{33, 34, 33}));
    EXPECT_EQ(Xs(placed), (std::vector<int>{0, 33, 67}));
}

TEST(LinearArithmetic, WeightsOfZeroOrLessCountAsOne) {
    std::vector<UiLinearChild> children = {Child(-2, 10), Child(-2, 10)};
    children[0].weight = 0.0f;
    children[1].weight = 3.0f;
    EXPECT_EQ(Widths(ArrangeLinear({}, children, {100, 10})), (std::vector<int>{25, 75}));
    children[0].weight = -2.0f;
    EXPECT_EQ(Widths(ArrangeLinear({}, children, {100, 10})), (std::vector<int>{25, 75}));
}

// The agreement row: a check box, then text pulled 4 DIP to the left; both centred across.
TEST(LinearArithmetic, MarginsInsetsAndCrossAlignment) {
    UiLinearParams row;
    row.inset = {5, 3, 5, 3};
    row.defaultAlignment = 1;
    std::vector<UiLinearChild> children = {Child(16, 20), Child(-1, -1, {100, 17})};
    children[1].margin.left = -4;
    const std::vector<UiRect> placed = ArrangeLinear(row, children, {300, 31});
    EXPECT_EQ(placed[0].x, 5);
    EXPECT_EQ(placed[0].y, 3 + 2);  // cross room 25, size 20: offset 2
    EXPECT_EQ(placed[1].x, 5 + 16 - 4);
    EXPECT_EQ(placed[1].y, 3 + 4);
    children[1].alignment = 2;  // its own alignment wins: the end
    EXPECT_EQ(ArrangeLinear(row, children, {300, 31})[1].y, 3 + 8);
}

TEST(LinearArithmetic, ColumnsStackAndFillAcross) {
    UiLinearParams column;
    column.horizontal = false;
    column.spacing = 4;
    const std::vector<UiLinearChild> children = {Child(-2, 20), Child(50, -1, {0, 12}), Child(-2, -2)};
    const std::vector<UiRect> placed = ArrangeLinear(column, children, {80, 100});
    EXPECT_EQ(placed[0].width, 80);
    EXPECT_EQ(placed[1].width, 50);
    EXPECT_EQ(placed[1].y, 24);
    EXPECT_EQ(placed[2].y, 40);
    EXPECT_EQ(placed[2].height, 60);
    // A column whose child fills across claims the whole offered width.
    EXPECT_EQ(MeasureLinear(column, children, 120).width, 120);
    EXPECT_EQ(MeasureLinear(column, children, 120).height, 20 + 12 + 0 + 2 * 4);
}

TEST(LinearArithmetic, MeasureAddsChildrenSpacingAndInsets) {
    UiLinearParams row;
    row.spacing = 6;
    row.inset = {1, 2, 3, 4};
    int offered = 0;
    std::vector<UiLinearChild> children = {Child(30, 10), Child(-1, -1, {40, 18}, &offered)};
    children[1].padding = {2, 1, 2, 1};
    children[1].margin = {5, 0, 5, 0};
    const UiSize size = MeasureLinear(row, children, 200);
    EXPECT_EQ(size.width, 30 + 6 + 5 + 44 + 5 + 4);
    EXPECT_EQ(size.height, 20 + 6);
    EXPECT_EQ(offered, 200 - 4 - 10 - 4);
    MeasureLinear(row, children, -1);  // unbounded: an inner width of 10000
    EXPECT_EQ(offered, 10000 - 10 - 4);
    EXPECT_EQ(MeasureLinear(row, {}, 50).width, 4);  // just the insets
}
