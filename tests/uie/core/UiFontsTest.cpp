// The font cache and text measurement with real GDI+ (the prefix maps the UI faces to
// WenQuanYi Micro Hei).
#include "uie/core/UiFonts.h"

#include <gtest/gtest.h>

#include "uie/core/UiTestSupport.h"

using namespace UIE;

namespace {

class UiFontsTest : public ::testing::Test {
protected:
    uitest::DpiScope dpi_{96};
    uitest::GdiplusSession gdiplus_;
};

float EmSize(UiFont* font) {
    float size = 0.0f;
    Gdiplus::DllExports::GdipGetFontSize(font->native, &size);
    return size;
}

INT Style(UiFont* font) {
    INT style = -1;
    Gdiplus::DllExports::GdipGetFontStyle(font->native, &style);
    return style;
}

}  // namespace

TEST_F(UiFontsTest, StartUpPicksTheYaHeiFace) {
    EXPECT_EQ(uiFaceName, L"微软雅黑");
    ASSERT_NE(uiFontFamily, nullptr);
    EXPECT_NE(uiFontFamily->native, nullptr);
}

TEST_F(UiFontsTest, RegularAndBoldAreSeparateCachedEntries) {
    UiFont* regular = GetFont(12, false);
    UiFont* bold = GetFont(12, true);
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(regular, bold);
    EXPECT_EQ(GetFont(12, false), regular);
    EXPECT_EQ(Style(regular), Gdiplus::FontStyleRegular);
    EXPECT_EQ(Style(bold), Gdiplus::FontStyleBold);
    EXPECT_FLOAT_EQ(EmSize(regular), 12.0f);
}

TEST_F(UiFontsTest, FontsAreBuiltInPixelsAtTheCurrentDpi) {
    uitest::DpiScope dpi(120);
    UiFont* font = GetFont(13, false);
    ASSERT_NE(font, nullptr);
    EXPECT_FLOAT_EQ(EmSize(font), 16.0f);  // 16.25
}

TEST_F(UiFontsTest, ZeroSizeBuildsAOnePixelFont) {
    UiFont* font = GetFont(0, false);
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->native, nullptr);
    EXPECT_FLOAT_EQ(EmSize(font), 1.0f);
}

TEST_F(UiFontsTest, NoFamilyMeansNoFontAndNothingCached) {
    UiFontFamilyPtr saved = std::move(uiFontFamily);
    EXPECT_EQ(GetFont(21, false), nullptr);
    EXPECT_EQ(MeasureText(L"abc", 21, false, -1).width, 0);
    uiFontFamily = std::move(saved);
    UiFont* font = GetFont(21, false);
    ASSERT_NE(font, nullptr);
    EXPECT_NE(font->native, nullptr);
}

TEST_F(UiFontsTest, ClearFontCacheMakesNewFonts) {
    UiFont* before = GetFont(14, false);
    ASSERT_NE(before, nullptr);
    ClearFontCache();
    UiFont* after = GetFont(14, false);
    ASSERT_NE(after, nullptr);
    EXPECT_NE(after->native, nullptr);
}

TEST_F(UiFontsTest, MeasureTextHonoursMaxChars) {
    const UiSize abc = MeasureText(L"abc", 13, false, -1);
    const UiSize limited = MeasureText(L"abcdef", 13, false, 3);
    const UiSize whole = MeasureText(L"abcdef", 13, false, -1);
    EXPECT_GT(abc.width, 1);
    EXPECT_GT(abc.height, 1);
    EXPECT_EQ(limited.width, abc.width);
    EXPECT_EQ(limited.height, abc.height);
    EXPECT_GT(whole.width, abc.width);
    EXPECT_EQ(MeasureText(L"abcdef", 13, false, 100).width, whole.width);
}

TEST_F(UiFontsTest, MeasureTextScalesWithSizeAndWeight) {
    const UiSize small = MeasureText(L"安装遇到问题", 12, false, -1);
    const UiSize large = MeasureText(L"安装遇到问题", 24, false, -1);
    EXPECT_GT(large.width, small.width * 3 / 2);
    EXPECT_GT(large.height, small.height);
    EXPECT_GE(MeasureText(L"Wide text", 13, true, -1).width, MeasureText(L"Wide text", 13, false, -1).width);
}

TEST_F(UiFontsTest, MeasureTextWithoutTextIsZero) {
    const UiSize none = MeasureText(nullptr, 13, false, -1);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}
