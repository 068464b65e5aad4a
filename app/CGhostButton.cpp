#include "app/CGhostButton.h"

#include "uie/controls/UiGlyphs.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"

namespace SetupUi {

using UIE::Scale;

namespace {
constexpr Gdiplus::ARGB kGrey = 0xFF84878C;
}

CGhostButton::CGhostButton(std::wstring caption, int kind, std::function<void()> handler)
    : text_(std::move(caption)), iconKind_(kind) {
    onClick = std::move(handler);
}

int CGhostButton::FittingWidth() const {
    const int caption = UIE::Unscale(UIE::MeasureText(text_.c_str(), 13, false, -1).width);
    return caption + (iconKind_ != kNoIcon ? 24 : 0) + 16;
}

void CGhostButton::Paint(UIE::UiCanvas& canvas) {
    const UIE::UiRect px = GetPixelRect();
    if (IsPressed() || IsHovered())
        canvas.FillRoundRect(static_cast<float>(Scale(6)), {0, 0, px.width, px.height},
                             IsPressed() ? 0x28FF6B4A : 0x18FF6B4A);
    const int iconRoom = iconKind_ != kNoIcon ? Scale(24) : 0;
    const int left = Scale(8) + (iconKind_ == kChevronBefore ? Scale(24) : 0);
    canvas.DrawString(text_.c_str(), 13, kGrey, static_cast<float>(left), 0.0f,
                      static_cast<float>(px.width - Scale(16) - iconRoom), static_cast<float>(px.height),
                      UIE::kAlignNear, false);
    if (iconKind_ == kNoIcon)
        return;
    const int box = Scale(20);
    const int boxLeft = iconKind_ == kChevronBefore ? Scale(8) : px.width - Scale(8) - box;
    UIE::DrawGlyph(canvas, iconKind_ == kChevronBefore ? UIE::kGlyphChevronLeft : UIE::kGlyphChevronRight, boxLeft,
                   (px.height - box) / 2, box, box, kGrey, Scale(1));
}

UIE::UiAccessInfo CGhostButton::Describe() {
    return Described(UIE::UiRole::PushButton, text_);
}

}  // namespace SetupUi
