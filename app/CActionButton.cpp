#include "app/CActionButton.h"

#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"

namespace SetupUi {

using UIE::Scale;

CActionButton::CActionButton(std::wstring caption, std::function<void()> handler) : text_(std::move(caption)) {
    onClick = std::move(handler);
}

void CActionButton::Paint(UIE::UiCanvas& canvas) {
    const UIE::UiRect px = GetPixelRect();
    const UIE::UiRect box = {0, 0, px.width, px.height};
    const float radius = static_cast<float>(Scale(6));
    canvas.FillRoundRect(radius, box, enabled ? 0xFFFF7467 : 0xFFD8D8D8);
    if (IsPressed() && enabled)
        canvas.FillRoundRect(radius, box, 0x14000000);
    else if (IsHovered() && enabled)
        canvas.FillRoundRect(radius, box, 0x10FFFFFF);
    canvas.DrawString(text_.c_str(), 14, 0xFFFFFFFF, 0.0f, 0.0f, static_cast<float>(px.width),
                      static_cast<float>(px.height), UIE::kAlignCenter, false);
}

UIE::UiAccessInfo CActionButton::Describe() {
    return Described(UIE::UiRole::PushButton, text_);
}

}  // namespace SetupUi
