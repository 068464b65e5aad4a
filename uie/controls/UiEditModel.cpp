#include "uie/controls/UiEditModel.h"

#include <algorithm>

namespace UIE {

namespace {
int Length(const std::wstring& text) {
    return static_cast<int>(text.size());
}

bool IsHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// True when index `i` lies between the two halves of a pair.
bool SplitsPair(const std::wstring& text, int i) {
    return i > 0 && i < Length(text) && IsHighSurrogate(text[static_cast<size_t>(i - 1)]) &&
           IsLowSurrogate(text[static_cast<size_t>(i)]);
}

// How many units the character before (or at) index i takes: 2 for a whole pair, else 1.
int UnitsBefore(const std::wstring& text, int i) {
    return SplitsPair(text, i - 1) ? 2 : 1;
}

int UnitsAt(const std::wstring& text, int i) {
    return SplitsPair(text, i + 1) ? 2 : 1;
}
}  // namespace

int EditPrefixWidth(const std::vector<int>& prefix, int n) {
    if (n <= 0 || prefix.empty())
        return 0;
    const int last = static_cast<int>(prefix.size()) - 1;
    return prefix[static_cast<size_t>(std::min(n, last))];
}

int EditHitTest(const EditPrefixWidthFn& width, const std::wstring& text, int x, int scroll, int inset) {
    const int offset = scroll + x - inset;
    // Prefix widths only grow, so do the middles of the characters: the first middle right of
    // `offset` is found by halving, measuring a handful of prefixes instead of all of them.
    int lo = 0;
    int hi = Length(text);
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (offset < (width(mid) + width(mid + 1)) / 2)
            hi = mid;
        else
            lo = mid + 1;
    }
    if (!SplitsPair(text, lo))
        return lo;
    // Inside a pair: the nearer side of the whole character.
    return offset < (width(lo - 1) + width(lo + 1)) / 2 ? lo - 1 : lo + 1;
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
    const int room = std::max(kEditMaxLength - Length(text), 0);
    int kept = std::min(Length(inserted), room);
    // A high surrogate that fills the last place would stay without its low half (typed pairs
    // arrive one unit at a time).
    if (kept > 0 && kept == room && IsHighSurrogate(inserted[static_cast<size_t>(kept - 1)]))
        --kept;
    text.insert(static_cast<size_t>(caret), inserted, 0, static_cast<size_t>(kept));
    caret = anchor = caret + kept;
}

EditKeyResult ApplyEditKey(std::wstring& text, int& caret, int& anchor, unsigned virtualKey, bool shift) {
    caret = std::clamp(caret, 0, Length(text));
    anchor = std::clamp(anchor, 0, Length(text));
    if (virtualKey == kEditKeyBackspace || virtualKey == kEditKeyDelete) {
        if (caret != anchor) {
            DeleteEditSelection(text, caret, anchor);
        } else if (virtualKey == kEditKeyBackspace && caret > 0) {
            const int units = UnitsBefore(text, caret);
            caret -= units;
            text.erase(static_cast<size_t>(caret), static_cast<size_t>(units));
        } else if (virtualKey == kEditKeyDelete && caret < Length(text)) {
            text.erase(static_cast<size_t>(caret), static_cast<size_t>(UnitsAt(text, caret)));
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
            moved = caret > 0 ? caret - UnitsBefore(text, caret) : caret;
            break;
        case kEditKeyRight:
            moved = caret < Length(text) ? caret + UnitsAt(text, caret) : caret;
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

std::wstring StripControlCharacters(const wchar_t* text) {
    std::wstring kept;
    if (!text)
        return kept;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p >= 32 && *p != 127)
            kept.push_back(*p);
    }
    return kept;
}

}  // namespace UIE
