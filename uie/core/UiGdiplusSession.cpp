#include "uie/core/UiGdiplusSession.h"

#include <windows.h>
#include <gdiplus.h>

#include "uie/core/UiFonts.h"

namespace UIE {

UiGdiplusSession::UiGdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok)
        token_ = token;
    if (token_)
        ChooseUiFontFamily();
}

UiGdiplusSession::~UiGdiplusSession() {
    if (!token_)
        return;
    ClearFontCache();
    DeleteUiFontFamily();
    Gdiplus::GdiplusShutdown(token_);
}

}  // namespace UIE
