#include "app/CChromeButton.h"

#include <algorithm>

#include "uie/controls/UiGlyphs.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"

namespace SetupUi {

using UIE::Scale;

CChromeButton::CChromeButton(unsigned char kindValue, std::function<void()> handler) : kind_(kindValue) {
    onClick = std::move(handler);
    accessName = kind_ == kClose ? L"关闭" : L"最小化";
    readingGroup = 1;
}

UIE::UiAccessInfo CChromeButton::Describe() {
    return Described(UIE::UiRole::PushButton, std::wstring());
}

void CChromeButton::Paint(UIE::UiCanvas& canvas) {
    const UIE::UiRect px = GetPixelRect();
    if (IsHovered()) {
        const int inset = std::max(1, UIE::GetDpi().dpi / 96);
        canvas.FillRoundRect(static_cast<float>(Scale(4)), {inset, inset, px.width - 2 * inset, px.height - 2 * inset},
                             0x14000000);
    }
    UIE::DrawGlyph(canvas, kind_ == kClose ? UIE::kGlyphCross : UIE::kGlyphMinus, 0, 0, px.width, px.height, 0xFF5A5A68,
                   Scale(1));
}

}  // namespace SetupUi
