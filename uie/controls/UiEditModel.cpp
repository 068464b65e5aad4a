#include "uie/controls/UiEditModel.h"

#include <algorithm>

namespace UIE {

namespace {
int Length(const std::wstring& text) {
    return static_cast<int>(text.size());
}
}  // namespace

int EditPrefixWidth(const std::vector<int>& prefix, int n) {
    if (n <= 0 || prefix.empty())
        return 0;
    const int last = static_cast<int>(prefix.size()) - 1;
    return prefix[static_cast<size_t>(std::min(n, last))];
}

int EditHitTest(const std::vector<int>& prefix, int x, int scroll, int inset) {
    const int length = prefix.empty() ? 0 : static_cast<int>(prefix.size()) - 1;
    const int offset = scroll + x - inset;
    for (int i = 0; i < length; ++i) {
        if (offset < (EditPrefixWidth(prefix, i) + EditPrefixWidth(prefix, i + 1)) / 2)
            return i;
    }
    return length;
}

int AdjustEditScroll(int scroll, int caretWidth, int textWidth, int areaWidth) {
    if (caretWidth - scroll > areaWidth)
        scroll = caretWidth - areaWidth;
    if (caretWidth - scroll < 0)
        scroll = caretWidth;
    if (scroll > textWidth - areaWidth && textWidth > areaWidth)
        scroll = textWidth - areaWidth;
    return std::max(scroll, 0);
}

void DeleteEditSelection(std::wstring& text, int& caret, int& anchor) {
    if (caret == anchor)
        return;
    const int lo = std::clamp(std::min(caret, anchor), 0, Length(text));
    const int hi = std::clamp(std::max(caret, anchor), 0, Length(text));
    text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    caret = anchor = lo;
}

void InsertEditText(std::wstring& text, int& caret, int& anchor, const std::wstring& inserted) {
    DeleteEditSelection(text, caret, anchor);
    caret = std::clamp(caret, 0, Length(text));
    text.insert(static_cast<size_t>(caret), inserted);
    caret = anchor = caret + Length(inserted);
}

EditKeyResult ApplyEditKey(std::wstring& text, int& caret, int& anchor, unsigned virtualKey, bool shift) {
    caret = std::clamp(caret, 0, Length(text));
    anchor = std::clamp(anchor, 0, Length(text));
    if (virtualKey == kEditKeyBackspace || virtualKey == kEditKeyDelete) {
        if (caret != anchor) {
            DeleteEditSelection(text, caret, anchor);
        } else if (virtualKey == kEditKeyBackspace && caret > 0) {
            text.erase(static_cast<size_t>(--caret), 1);
        } else if (virtualKey == kEditKeyDelete && caret < Length(text)) {
            text.erase(static_cast<size_t>(caret), 1);
        }
        anchor = caret;
        return EditKeyResult::kEdited;
    }

    int moved = caret;
    switch (virtualKey) {
        case kEditKeyEnd:
            moved = Length(text);
            break;
        case kEditKeyHome:
            moved = 0;
            break;
        case kEditKeyLeft:
            moved = caret > 0 ? caret - 1 : caret;
            break;
        case kEditKeyRight:
            moved = caret < Length(text) ? caret + 1 : caret;
            break;
        default:
            return EditKeyResult::kNone;
    }
    // Without Shift the selection collapses at the new caret, not at the selection's edge.
    const int movedAnchor = shift ? anchor : moved;
    if (moved == caret && movedAnchor == anchor)
        return EditKeyResult::kNone;
    caret = moved;
    anchor = movedAnchor;
    return EditKeyResult::kMoved;
}

std::wstring StripLineBreaks(const wchar_t* text) {
    std::wstring kept;
    if (!text)
        return kept;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p != L'\r' && *p != L'\n')
            kept.push_back(*p);
    }
    return kept;
}

}  // namespace UIE
