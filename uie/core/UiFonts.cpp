#include "uie/core/UiFonts.h"

#include <cstdint>
#include <map>

#include "uie/core/UiDpi.h"

namespace UIE {

using namespace Gdiplus::DllExports;

std::wstring uiFaceName;
UiFontFamily* uiFontFamily = nullptr;

namespace {

std::map<uint32_t, UiFont*>& FontCache() {
    static std::map<uint32_t, UiFont*> cache;
    return cache;
}

void FreeFamily(UiFontFamily* family) {
    if (!family)
        return;
    if (family->native)
        GdipDeleteFontFamily(family->native);
    GdipFree(family);
}

UiFontFamily* AllocFamily() {
    auto* family = static_cast<UiFontFamily*>(GdipAlloc(sizeof(UiFontFamily)));
    if (family) {
        family->native = nullptr;
        family->lastStatus = Gdiplus::Ok;
    }
    return family;
}

UiFontFamily* CreateFamilyFromName(const wchar_t* face) {
    UiFontFamily* family = AllocFamily();
    if (family) {
        Gdiplus::GpStatus status = GdipCreateFontFamilyFromName(face, nullptr, &family->native);
        if (status != Gdiplus::Ok)
            family->lastStatus = status;
    }
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

UiFontFamily* CloneGenericSansSerif() {
    UiFontFamily* family = AllocFamily();
    if (family && GenericSansSerif()) {
        Gdiplus::GpStatus status = GdipCloneFontFamily(GenericSansSerif(), &family->native);
        if (status != Gdiplus::Ok)
            family->lastStatus = status;
    }
    return family;
}

}  // namespace

void ChooseUiFontFamily() {
    if (uiFontFamily)
        return;
    Gdiplus::GpFontFamily* probe = nullptr;
    GdipCreateFontFamilyFromName(L"微软雅黑", nullptr, &probe);
    uiFaceName = probe ? L"微软雅黑" : L"宋体";

    UiFontFamily* family = CreateFamilyFromName(uiFaceName.c_str());
    if (!family || !family->native) {
        FreeFamily(family);
        family = CloneGenericSansSerif();
    }
    uiFontFamily = family;
    if (probe)
        GdipDeleteFontFamily(probe);
}

void DeleteUiFontFamily() {
    FreeFamily(uiFontFamily);
    uiFontFamily = nullptr;
}

UiFont* GetFont(int sizeDip, bool bold) {
    const uint32_t key = static_cast<uint32_t>(sizeDip) * 2 + (bold ? 1 : 0);
    auto& cache = FontCache();
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    if (!uiFontFamily)
        return nullptr;

    const int px = Scale(sizeDip);
    const float emSize = px > 0 ? static_cast<float>(px) : 1.0f;
    auto* font = static_cast<UiFont*>(GdipAlloc(sizeof(UiFont)));
    if (font) {
        font->native = nullptr;
        font->lastStatus = Gdiplus::Ok;
        Gdiplus::GpStatus status = GdipCreateFont(uiFontFamily->native, emSize,
                                                  bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular,
                                                  Gdiplus::UnitPixel, &font->native);
        if (status != Gdiplus::Ok)
            font->lastStatus = status;
    }
    cache[key] = font;
    return font;
}

void ClearFontCache() {
    auto& cache = FontCache();
    for (auto& entry : cache) {
        UiFont* font = entry.second;
        if (!font)
            continue;
        if (font->native)
            GdipDeleteFont(font->native);
        GdipFree(font);
    }
    cache.clear();
}

}  // namespace UIE
