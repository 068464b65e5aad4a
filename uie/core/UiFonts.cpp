#include "uie/core/UiFonts.h"

#include <cstdint>
#include <cwchar>
#include <map>
#include <tuple>

#include "base/ScopedWin.h"
#include "uie/core/UiDpi.h"

namespace UIE {

using namespace Gdiplus::DllExports;

std::wstring uiFaceName;
UiFontFamilyPtr uiFontFamily;

namespace {

std::map<uint32_t, UiFontPtr>& FontCache() {
    static std::map<uint32_t, UiFontPtr> cache;
    return cache;
}

// Measured sizes by (text, size, weight, DPI): labels and tooltips measure the same strings on
// every layout and paint, and one GDI+ measurement costs tens of microseconds.
struct MeasureKey {
    std::wstring text;
    int sizeDip;
    bool bold;
    int dpi;
    bool operator<(const MeasureKey& o) const {
        return std::tie(text, sizeDip, bold, dpi) < std::tie(o.text, o.sizeDip, o.bold, o.dpi);
    }
};
constexpr size_t kMaxMeasured = 1024;

std::map<MeasureKey, UiSize>& MeasureCache() {
    static std::map<MeasureKey, UiSize> cache;
    return cache;
}

// What a measurement needs besides the font: a GDI+ graphics on a memory DC that is compatible
// with the screen, and the one-line format. Made on the first measurement and kept until
// ClearFontCache: making them for every measurement (a screen DC, a graphics object, a format)
// took about 0.1 ms each time under Wine, several times over before the first frame.
struct MeasureContext {
    base::UniqueMemoryDc dc;
    UiGraphicsPtr graphics;
    UiStringFormatPtr format;
};

MeasureContext& Measurer() {
    static MeasureContext context;
    return context;
}

// The graphics object goes before the DC it draws on.
void ReleaseMeasurer(MeasureContext& context) {
    context.graphics.reset();
    context.format.reset();
    context.dc.Reset();
}

UiSize MeasureUncached(const wchar_t* text, int length, int sizeDip, bool bold);

UiFontFamilyPtr CreateFamilyFromName(const wchar_t* face) {
    UiFontFamilyPtr family = AllocGdipWrapper<Gdiplus::GpFontFamily>();
    if (family)
        family->Keep(GdipCreateFontFamilyFromName(face, nullptr, &family->native));
    return family;
}

// GDI+ hands out the generic family as a shared object; it is fetched once and only cloned.
Gdiplus::GpFontFamily* GenericSansSerif() {
    static Gdiplus::GpFontFamily* generic = [] {
        Gdiplus::GpFontFamily* family = nullptr;
        GdipGetGenericFontFamilySansSerif(&family);
        return family;
    }();
    return generic;
}

UiFontFamilyPtr CloneGenericSansSerif() {
    UiFontFamilyPtr family = AllocGdipWrapper<Gdiplus::GpFontFamily>();
    if (family && GenericSansSerif())
        family->Keep(GdipCloneFontFamily(GenericSansSerif(), &family->native));
    return family;
}

int MeasuredLength(const wchar_t* text, int maxChars) {
    const int length = static_cast<int>(std::wcslen(text));
    return (maxChars >= 0 && maxChars < length) ? maxChars : length;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared family
// ---------------------------------------------------------------------------------------------

void ChooseUiFontFamily() {
    if (uiFontFamily)
        return;
    Gdiplus::GpFontFamily* probe = nullptr;
    const Gdiplus::GpStatus found = GdipCreateFontFamilyFromName(L"微软雅黑", nullptr, &probe);
    uiFaceName = probe ? L"微软雅黑" : L"宋体";

    // A probe that found the preferred face is that face's family already: it is kept rather than
    // asked for a second time, each lookup being a walk over the installed fonts.
    UiFontFamilyPtr family = probe ? WrapGdipNative(probe, found) : CreateFamilyFromName(uiFaceName.c_str());
    if (!family || !family->native)
        family = CloneGenericSansSerif();
    uiFontFamily = std::move(family);
}

void DeleteUiFontFamily() {
    uiFontFamily.reset();
}

// ---------------------------------------------------------------------------------------------
// Font cache
// ---------------------------------------------------------------------------------------------

UiFont* GetFont(int sizeDip, bool bold) {
    const uint32_t key = static_cast<uint32_t>(sizeDip) * 2 + (bold ? 1 : 0);
    auto& cache = FontCache();
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second.get();
    if (!uiFontFamily)
        return nullptr;  // nothing is cached, so a later call with a family succeeds

    const int px = Scale(sizeDip);
    const float emSize = px > 0 ? static_cast<float>(px) : 1.0f;
    UiFontPtr font = AllocGdipWrapper<Gdiplus::GpFont>();
    if (font)
        font->Keep(GdipCreateFont(uiFontFamily->native, emSize,
                                  bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular, Gdiplus::UnitPixel,
                                  &font->native));
    UiFont* result = font.get();
    cache[key] = std::move(font);
    return result;
}

void ClearFontCache() {
    FontCache().clear();
    MeasureCache().clear();
    ReleaseMeasurer(Measurer());  // its GDI+ objects must go before GDI+ stops
}

// ---------------------------------------------------------------------------------------------
// Measurement
// ---------------------------------------------------------------------------------------------

UiSize MeasureText(const wchar_t* text, int sizeDip, bool bold, int maxChars) {
    if (!text)
        return {};
    const int length = MeasuredLength(text, maxChars);
    MeasureKey key{std::wstring(text, static_cast<size_t>(length)), sizeDip, bold, GetDpi().dpi};
    auto& cache = MeasureCache();
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    const UiSize size = MeasureUncached(text, length, sizeDip, bold);
    if (size.width > 0 || size.height > 0) {  // a failure is tried again next time
        if (cache.size() >= kMaxMeasured)
            cache.clear();
        cache.emplace(std::move(key), size);
    }
    return size;
}

UiSize MeasureTextOnce(const wchar_t* text, int sizeDip, bool bold, int maxChars) {
    if (!text)
        return {};
    return MeasureUncached(text, MeasuredLength(text, maxChars), sizeDip, bold);
}

namespace {

bool PrepareMeasurer(MeasureContext& context) {
    if (context.graphics && context.format)
        return true;
    ReleaseMeasurer(context);
    context.dc.Reset(CreateCompatibleDC(nullptr));
    if (!context.dc)
        return false;
    Gdiplus::GpGraphics* native = nullptr;
    const Gdiplus::GpStatus created = GdipCreateFromHDC(context.dc.Get(), &native);
    UiGraphicsPtr graphics = WrapGdipNative(native, created);
    if (!graphics || !graphics->native)
        return false;
    graphics->Keep(GdipSetTextRenderingHint(graphics->native, Gdiplus::TextRenderingHintClearTypeGridFit));

    UiStringFormatPtr format = CloneTypographicFormat();
    if (!format || !format->native)
        return false;
    INT flags = 0;
    GdipGetStringFormatFlags(format->native, &flags);
    format->Keep(GdipSetStringFormatFlags(format->native, flags | Gdiplus::StringFormatFlagsNoWrap));
    format->Keep(GdipSetStringFormatTrimming(format->native, Gdiplus::StringTrimmingEllipsisCharacter));
    context.graphics = std::move(graphics);
    context.format = std::move(format);
    return true;
}

UiSize MeasureUncached(const wchar_t* text, int length, int sizeDip, bool bold) {
    UiFont* font = GetFont(sizeDip, bold);
    if (!font)
        return {};
    MeasureContext& context = Measurer();
    if (!PrepareMeasurer(context))
        return {};
    // Wide enough for the longest path the edit holds (32,767 units): a narrower box would end the
    // line in an ellipsis and measure it short.
    const Gdiplus::RectF layout(0.0f, 0.0f, 1.0e7f, 1000.0f);
    Gdiplus::RectF box;
    const Gdiplus::GpStatus status = GdipMeasureString(context.graphics->native, text, length, font->native, &layout,
                                                       context.format->native, &box, nullptr, nullptr);
    if (status != Gdiplus::Ok)
        return {};
    return {static_cast<int32_t>(box.Width) + 1, static_cast<int32_t>(box.Height) + 1};
}

}  // namespace

}  // namespace UIE
