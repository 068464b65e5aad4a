// The text model of the single-line edit, apart from any window: hit testing against measured
// prefix widths, keeping the caret in view, the editing keys and the paste filter. Indices are
// UTF-16 units; widths and positions are device pixels. Pure logic, no Windows header.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace UIE {

// Virtual-key codes the edit handles itself (the values of VK_BACK and friends).
constexpr unsigned kEditKeyBackspace = 8;
constexpr unsigned kEditKeyEnd = 35;
constexpr unsigned kEditKeyHome = 36;
constexpr unsigned kEditKeyLeft = 37;
constexpr unsigned kEditKeyRight = 39;
constexpr unsigned kEditKeyDelete = 46;

// The longest text the user can type or paste: the longest path Windows accepts.
constexpr int kEditMaxLength = 32767;

// W(n), the width of the first n units in device pixels.
using EditPrefixWidthFn = std::function<int(int n)>;

// W(n) from a table of len + 1 prefix widths (W(0) .. W(len)); n is clamped to the text, and an
// empty table measures 0.
int EditPrefixWidth(const std::vector<int>& prefix, int n);

// The character index under device-pixel x (relative to the control), where the boundary between
// two characters is the middle of the character; `inset` is where the text area starts. Asks W for
// about log2(length) prefixes, and never answers the middle of a surrogate pair.
int EditHitTest(const EditPrefixWidthFn& width, const std::wstring& text, int x, int scroll, int inset);

// The scroll that keeps a caret at `caretWidth` inside an area `areaWidth` wide, without empty
// space right of a text that overflows. A text that fits is left where it is.
int AdjustEditScroll(int scroll, int caretWidth, int textWidth, int areaWidth);

// Removes the units between caret and anchor and collapses both at the start of the removed range.
void DeleteEditSelection(std::wstring& text, int& caret, int& anchor);

// Replaces the selection with `inserted` and leaves the caret after it. What would pass
// kEditMaxLength is cut off, never between the two halves of a surrogate pair.
void InsertEditText(std::wstring& text, int& caret, int& anchor, const std::wstring& inserted);

enum class EditKeyResult {
    kNone,    // nothing changed
    kMoved,   // caret or anchor moved
    kEdited,  // an editing key: the owner reports a change even when no unit went away
};

// Backspace, Delete, Home, End, Left and Right. Shift keeps the anchor for the moving keys. A
// surrogate pair is one character to every key.
EditKeyResult ApplyEditKey(std::wstring& text, int& caret, int& anchor, unsigned virtualKey, bool shift);

// Clipboard text as the edit takes it: the control characters that typing refuses (below 32, and
// 127) are dropped, everything else up to the terminating NUL is kept. Null reads as empty.
std::wstring StripControlCharacters(const wchar_t* text);

}  // namespace UIE
