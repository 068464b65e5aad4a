#include "app/CCheckBadge.h"

#include <windows.h>

#include <memory>

#include "uie/controls/SvgIcon.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiGdiplusSession.h"

namespace SetupUi {

namespace {

constexpr int kBadgeResource = 105;

// One picture for every badge of the process, loaded on the first paint and tried only once.
struct SharedBadge {
    bool attempted = false;
    std::unique_ptr<UIE::SvgIcon> icon;
};

SharedBadge& Shared() {
    static SharedBadge badge;
    return badge;
}

UIE::SvgIcon* BadgeIcon() {
    SharedBadge& shared = Shared();
    if (!shared.attempted) {
        shared.attempted = true;
        auto icon = std::make_unique<UIE::SvgIcon>();
        if (icon->LoadFromResource(GetModuleHandleW(nullptr), kBadgeResource)) {
            shared.icon = std::move(icon);
            // The picture lives on; its bitmaps must go before GDI+ stops.
            UIE::UiGdiplusSession::AddReleaseHook([] { Shared().icon->ReleaseBitmaps(); });
        }
    }
    return shared.icon.get();
}

}  // namespace

UIE::UiAccessInfo CCheckBadge::Describe() {
    return Described(UIE::UiRole::Graphic, std::wstring());
}

void CCheckBadge::Paint(UIE::UiCanvas& canvas) {
    const UIE::UiRect px = GetPixelRect();
    UIE::SvgIcon* icon = BadgeIcon();
    if (icon && icon->HasImage())
        icon->Draw(canvas, 0, 0, px.width, px.height, -1);
    else
        canvas.FillCheckCircle({0, 0, px.width, px.height}, 0xFF52C41A);
}

}  // namespace SetupUi
