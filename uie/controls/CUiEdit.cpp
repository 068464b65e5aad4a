#include "uie/controls/CUiEdit.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/ScopedWin.h"
#include "uie/controls/UiEditModel.h"
#include "uie/controls/UiIconRegistry.h"
#include "uie/core/UiCanvas.h"
#include "uie/core/UiDpi.h"
#include "uie/core/UiFonts.h"
#include "uie/core/UiTheme.h"

namespace UIE {

namespace {
constexpr int kFontSize = 13;
constexpr int kRadiusDip = 6;
constexpr int kTextInsetDip = 10;
constexpr int kIconLeftDip = 10;
constexpr int kIconGapDip = 16;  // icon size plus this is the text inset with an icon
constexpr int kCaretHeightDip = 16;
constexpr int kBandInsetDip = 6;
constexpr int kEmptyWidthDip = 80;
constexpr int kTextPaddingDip = 24;
constexpr int kHeightDip = 28;
constexpr Gdiplus::ARGB kFill = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kBorder = 0xFFDDDDDD;
constexpr COLORREF kSelection = 0xFFE4CC;
constexpr COLORREF kPlaceholder = 0xBBBBBB;
constexpr int32_t kIconTint = 0x008C8784;

// The window the field is shown in: the system caret and the clipboard belong to it.
HWND OwnerWindow(const CUiControl& control) {
    return control.scene ? static_cast<HWND>(control.scene->NativeWindow()) : nullptr;
}

bool KeyDown(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

int Length(const std::wstring& text) {
    return static_cast<int>(text.size());
}
}  // namespace

CUiEdit::~CUiEdit() = default;

int CUiEdit::Inset() const {
    return Scale(iconName.empty() ? kTextInsetDip : iconSize + kIconGapDip);
}

int CUiEdit::AreaWidth() const {
    return Scale(bounds.width) - 2 * Inset();
}

int CUiEdit::PrefixWidth(int n) {
    const int dpi = GetDpi().dpi;
    if (prefixWidths_.size() != text.size() + 1 || measuredDpi_ != dpi || measuredText_ != text) {
        prefixWidths_.assign(text.size() + 1, -1);
        prefixWidths_[0] = 0;
        measuredText_ = text;
        measuredDpi_ = dpi;
    }
    const size_t index = static_cast<size_t>(std::clamp(n, 0, Length(text)));
    if (prefixWidths_[index] < 0)
        prefixWidths_[index] = MeasureTextOnce(text.c_str(), kFontSize, false, static_cast<int>(index)).width;
    return prefixWidths_[index];
}

int CUiEdit::HitTest(int x) {
    return EditHitTest([this](int n) { return PrefixWidth(n); }, text, Scale(x), scroll, Inset());
}

void CUiEdit::AdjustScroll() {
    scroll = AdjustEditScroll(scroll, PrefixWidth(caret), PrefixWidth(Length(text)), AreaWidth());
}

bool CUiEdit::CaretPosition(int& x, int& y) {
    if (!OwnerWindow(*this))
        return false;
    int absX = 0;
    int absY = 0;
    GetAbsolutePosition(absX, absY);
    x = Scale(absX) + Inset() + PrefixWidth(caret) - scroll;
    y = Scale(absY) + (Scale(bounds.height) - Scale(kCaretHeightDip)) / 2;
    return true;
}

void CUiEdit::PlaceCaret() {
    int x = 0;
    int y = 0;
    if (focused && CaretPosition(x, y))
        SetCaretPos(x, y);
}

UiSize CUiEdit::Measure(int) {
    int width = kEmptyWidthDip;
    if (!text.empty())
        width = Unscale(MeasureText(text.c_str(), kFontSize, false, -1).width) + kTextPaddingDip;
    if (!placeholder.empty())
        width =
            std::max(width, Unscale(MeasureText(placeholder.c_str(), kFontSize, false, -1).width) + kTextPaddingDip);
    return {width, kHeightDip};
}

void CUiEdit::Paint(UiCanvas& canvas) {
    const UiRect px = GetPixelRect();
    const int w = px.width;
    const int h = px.height;
    const float radius = static_cast<float>(Scale(kRadiusDip));
    canvas.FillRoundRect(radius, {0, 0, w, h}, kFill);
    // The border is drawn inside the box and stays the same with or without focus.
    const int sw = std::max(1, GetDpi().dpi / 96);
    const float half = static_cast<float>(sw) / 2.0f;
    UiPathPtr outline =
        UiCanvas::CreateRoundRectPath(half, half, static_cast<float>(w - sw), static_cast<float>(h - sw), radius);
    if (outline && outline->native)
        canvas.StrokePath(*outline, kBorder, static_cast<float>(sw));

    if (!iconName.empty()) {
        if (SvgIcon* icon = FindIcon(iconName)) {
            const int side = Scale(iconSize);
            icon->Draw(canvas, Scale(kIconLeftDip), (h - side) / 2, side, side, kIconTint);
        }
    }

    const int area = AreaWidth();
    canvas.PushControl({Inset(), 0, area, h}, 0);
    if (text.empty()) {
        canvas.DrawText(placeholder.c_str(), kFontSize, kPlaceholder, {0, 0, area, h}, 0, false);
    } else {
        if (caret != anchor) {
            const int lo = PrefixWidth(std::min(caret, anchor)) - scroll;
            const int hi = PrefixWidth(std::max(caret, anchor)) - scroll;
            const int band = Scale(kBandInsetDip);
            canvas.FillRect({lo, band, hi - lo, h - 2 * band}, kSelection);
        }
        // Wide enough that the text is never cut with an ellipsis; the region clips it instead.
        canvas.DrawText(text.c_str(), kFontSize, ArgbToColorRef(GetTheme().text),
                        {-scroll, 0, PrefixWidth(Length(text)) + area, h}, 0, false);
    }
    canvas.Pop();
}

void CUiEdit::OnMouseDown(int x, int) {
    caret = anchor = HitTest(x);
    dragging = true;
    AdjustScroll();
    PlaceCaret();
    Invalidate();
}

void CUiEdit::OnMouseMove(int x, int) {
    if (!dragging)
        return;
    const int index = HitTest(x);
    if (index == caret)
        return;
    caret = index;  // the anchor stays where the press put it
    AdjustScroll();
    PlaceCaret();
    Invalidate();
}

void CUiEdit::OnMouseUp(int, int) {
    dragging = false;
}

void CUiEdit::OnFocus() {
    focused = true;
    if (HWND owner = OwnerWindow(*this)) {
        CreateCaret(owner, nullptr, std::max(1, Scale(1)), Scale(kCaretHeightDip));
        PlaceCaret();
        ShowCaret(owner);
    }
    Invalidate();
}

void CUiEdit::OnBlur() {
    focused = false;
    dragging = false;
    if (scene)
        HideCaret(OwnerWindow(*this));
    DestroyCaret();
    Invalidate();
}

void CUiEdit::OnChar(wchar_t ch) {
    // Control characters are not text; Backspace arrives as a key.
    if (ch >= 32 && ch != 127)
        InsertText(std::wstring(1, ch));
}

void CUiEdit::OnImeResult(const wchar_t* result) {
    if (result && *result)
        InsertText(result);
}

void CUiEdit::OnKeyDown(unsigned virtualKey) {
    if (KeyDown(VK_CONTROL)) {
        switch (virtualKey) {
            case 'A':
                anchor = 0;
                caret = Length(text);
                PlaceCaret();
                Invalidate();
                return;
            case 'C':
                Copy();
                return;
            case 'X':
                Cut();
                return;
            case 'V':
                Paste();
                return;
            default:
                break;
        }
    }
    switch (ApplyEditKey(text, caret, anchor, virtualKey, KeyDown(VK_SHIFT))) {
        case EditKeyResult::kEdited:
            NotifyChange();
            break;
        case EditKeyResult::kMoved:
            AdjustScroll();
            PlaceCaret();
            Invalidate();
            break;
        case EditKeyResult::kNone:
            break;
    }
}

bool CUiEdit::GetImeCaretRect(UiLtrb* out) {
    int x = 0;
    int y = 0;
    if (!out || !CaretPosition(x, y))
        return false;
    *out = {x, y, x + 1, y + Scale(kCaretHeightDip)};
    return true;
}

void CUiEdit::SetText(const std::wstring& value) {
    if (&value != &text)
        text = value;
    caret = anchor = Length(text);
    scroll = 0;
    PlaceCaret();
    RequestLayout();
    NotifyAccess(UiAccessEvent::ValueChange);
}

UiAccessInfo CUiEdit::Describe() {
    UiAccessInfo info = Described(UiRole::EditableText, placeholder);
    info.value = text;
    return info;
}

void CUiEdit::InsertText(const std::wstring& inserted) {
    InsertEditText(text, caret, anchor, inserted);
    NotifyChange();
}

void CUiEdit::NotifyChange() {
    AdjustScroll();
    PlaceCaret();
    Invalidate();
    NotifyAccess(UiAccessEvent::ValueChange);
    if (onChange)
        onChange(text);
}

bool CUiEdit::Copy() {
    if (caret == anchor)
        return false;
    const int lo = std::min(caret, anchor);
    const std::wstring selected =
        text.substr(static_cast<size_t>(lo), static_cast<size_t>(std::max(caret, anchor) - lo));
    // The memory is made and filled before the clipboard is emptied: a failure then leaves the
    // user's earlier clipboard text where it was.
    base::UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (selected.size() + 1) * sizeof(wchar_t)));
    if (!memory)
        return false;
    {
        base::GlobalLockScope lock(memory.Get());
        if (!lock.Get())
            return false;
        // Up to the first NUL, which also terminates the clipboard text.
        const size_t units = std::min(selected.size(), wcslen(selected.c_str()));
        std::memcpy(lock.Get(), selected.c_str(), (units + 1) * sizeof(wchar_t));
    }
    base::ClipboardScope clipboard(OwnerWindow(*this));
    if (!clipboard || !EmptyClipboard())
        return false;
    // The clipboard owns the memory once it accepts it.
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get()))
        return false;
    memory.Release();
    return true;
}

void CUiEdit::Cut() {
    // The selection goes only once the clipboard holds it: otherwise the text would be lost.
    if (!Copy())
        return;
    DeleteEditSelection(text, caret, anchor);
    NotifyChange();
}

void CUiEdit::Paste() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT))
        return;
    std::wstring pasted;
    {
        base::ClipboardScope clipboard(OwnerWindow(*this));
        if (!clipboard)
            return;
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (!data)
            return;
        base::GlobalLockScope lock(data);
        if (!lock.Get())
            return;
        pasted = StripControlCharacters(static_cast<const wchar_t*>(lock.Get()));
    }
    InsertText(pasted);
}

}  // namespace UIE
