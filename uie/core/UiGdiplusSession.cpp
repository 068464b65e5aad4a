#include "uie/core/UiGdiplusSession.h"

#include <windows.h>
#include <gdiplus.h>

#include <vector>

#include "uie/core/UiFonts.h"

namespace UIE {

namespace {
std::vector<std::function<void()>>& ReleaseHooks() {
    static std::vector<std::function<void()>> hooks;
    return hooks;
}
}  // namespace

void UiGdiplusSession::AddReleaseHook(std::function<void()> release) {
    ReleaseHooks().push_back(std::move(release));
}

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
    const std::vector<std::function<void()>>& hooks = ReleaseHooks();
    for (auto hook = hooks.rbegin(); hook != hooks.rend(); ++hook)
        (*hook)();
    ClearFontCache();
    DeleteUiFontFamily();
    Gdiplus::GdiplusShutdown(token_);
}

}  // namespace UIE
