// The single-line text field: a white rounded box with an optional leading named icon, a grey
// placeholder while empty and a light-blue selection band. The insertion point is the system
// caret, so it blinks as the user's settings say. The host forwards keys, characters and IME
// results to the focused edit; every edit the user makes reaches the change handler with the whole
// text. All text is measured and drawn at 13 DIP, not bold.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "uie/core/CUiControl.h"

namespace UIE {

class CUiEdit : public CUiControl {
public:
    using ChangeHandler = std::function<void(const std::wstring& text)>;

    ~CUiEdit() override;
    UiSize Measure(int availableWidth) override;
    void Paint(UiCanvas& canvas) override;
    void OnMouseMove(int x, int y) override;
    void OnMouseDown(int x, int y) override;
    void OnMouseUp(int x, int y) override;
    bool WantsTextCursor() override { return enabled; }
    bool IsFocusable() override { return true; }
    void OnFocus() override;
    void OnBlur() override;
    void OnChar(wchar_t ch) override;
    void OnKeyDown(unsigned virtualKey) override;
    void OnImeResult(const wchar_t* result) override;
    bool GetImeCaretRect(UiLtrb* out) override;
    UiAccessInfo Describe() override;  // named by `accessName`, or by the placeholder

    // Replaces the text with the caret at its end and no scroll; the change handler is not told.
    void SetText(const std::wstring& value);
    void SetOnChange(ChangeHandler handler) { onChange = std::move(handler); }

    std::wstring text;
    std::wstring placeholder;
    std::wstring iconName;
    int32_t iconSize = 16;  // DIP
    int32_t caret = 0;      // UTF-16 units
    int32_t anchor = 0;     // the other end of the selection
    int32_t scroll = 0;     // device pixels the text is shifted left
    bool focused = false;
    bool dragging = false;
    ChangeHandler onChange;

private:
    int Inset() const;
    int AreaWidth() const;
    int PrefixWidth(int n);
    int HitTest(int x);
    void AdjustScroll();
    bool CaretPosition(int& x, int& y);
    void PlaceCaret();
    void InsertText(const std::wstring& inserted);
    void NotifyChange();
    bool Copy();  // true once the clipboard holds the selection
    void Cut();
    void Paste();

    // W(0) .. W(length) for `measuredText` at `measuredDpi`, each measured when first asked for
    // (-1 until then) and all forgotten when the text changes. A key press asks for a few prefixes
    // and a hit test for about log2(length): measuring every prefix of a 32,767-unit path on each
    // change would be quadratic in its length.
    std::vector<int> prefixWidths_;
    std::wstring measuredText_;
    int measuredDpi_ = 0;
};

}  // namespace UIE
