// The edit's text model without a window: hit testing, scrolling, the editing keys, insertion and
// the paste filter.
#include "uie/controls/UiEditModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace UIE;

namespace {
// "abc" at 10 px a character; "iW" with a narrow and a wide character.
const std::vector<int> kEven = {0, 10, 20, 30};
const std::vector<int> kUneven = {0, 6, 20};
}  // namespace

TEST(UiEditModelTest, HitTestSplitsCharactersInTheMiddle) {
    struct Case {
        const std::vector<int>* prefix;
        const wchar_t* text;
        int x, scroll, inset, index;
    };
    const std::vector<int> none;
    // "a", a pair (measured as one wide character, its inner prefix in the middle), "b".
    const std::vector<int> pair = {0, 10, 15, 30, 40};
    const wchar_t* paired =
        L"a\xD83D\xDE00"
        L"b";
    const Case cases[] = {
        {&kEven, L"abc", 10, 0, 10, 0},  {&kEven, L"abc", 14, 0, 10, 0},   // left half of 'a': before it
        {&kEven, L"abc", 15, 0, 10, 1},  {&kEven, L"abc", 24, 0, 10, 1},   // right half of 'a': after it
        {&kEven, L"abc", 25, 0, 10, 2},  {&kEven, L"abc", 40, 0, 10, 3},   // past the end: the length
        {&kEven, L"abc", -5, 0, 10, 0},  {&kEven, L"abc", 14, 10, 10, 1},  // scrolled by one character
        {&kEven, L"abc", 4, 0, 26, 0},   {&kEven, L"abc", 31, 0, 26, 1},   // icon inset
        {&kUneven, L"iW", 12, 0, 10, 0}, {&kUneven, L"iW", 13, 0, 10, 1},  // middle of 'i' is 3
        {&kUneven, L"iW", 22, 0, 10, 1}, {&kUneven, L"iW", 23, 0, 10, 2},  // middle of 'W' is 13
        {&none, L"", 50, 0, 10, 0},                                        // empty text
        {&pair, paired, 24, 0, 10, 1},   {&pair, paired, 31, 0, 10, 3},    // a pair is never split
    };
    for (const Case& c : cases) {
        const auto width = [&c](int n) { return EditPrefixWidth(*c.prefix, n); };
        EXPECT_EQ(EditHitTest(width, c.text, c.x, c.scroll, c.inset), c.index)
            << "x " << c.x << " scroll " << c.scroll << " inset " << c.inset;
    }
}

TEST(UiEditModelTest, ScrollKeepsTheCaretVisible) {
    struct Case {
        const char* name;
        int scroll, caret, text, area, expected;
    };
    const Case cases[] = {
        {"caret past the right edge", 0, 150, 200, 100, 50},
        {"caret before the left edge", 80, 30, 200, 100, 30},
        {"no empty space right of an overflowing end", 100, 150, 150, 100, 50},
        {"a text that fits is not scrolled back", 20, 50, 60, 100, 20},
        {"caret at the visible start stays", 40, 40, 300, 100, 40},
        {"never negative", -5, 0, 0, 100, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdjustEditScroll(c.scroll, c.caret, c.text, c.area), c.expected) << c.name;
}

TEST(UiEditModelTest, KeysMoveDeleteAndSelect) {
    struct Case {
        const char* name;
        std::wstring text;
        int caret, anchor;
        unsigned key;
        bool shift;
        std::wstring afterText;
        int afterCaret, afterAnchor;
        EditKeyResult result;
    };
    const Case cases[] = {
        {"backspace at 0 still reports", L"abc", 0, 0, kEditKeyBackspace, false, L"abc", 0, 0, EditKeyResult::kEdited},
        {"delete at the end still reports", L"abc", 3, 3, kEditKeyDelete, false, L"abc", 3, 3, EditKeyResult::kEdited},
        {"backspace", L"abc", 2, 2, kEditKeyBackspace, false, L"ac", 1, 1, EditKeyResult::kEdited},
        {"delete", L"abc", 1, 1, kEditKeyDelete, false, L"ac", 1, 1, EditKeyResult::kEdited},
        {"backspace removes a selection", L"abcd", 3, 1, kEditKeyBackspace, false, L"ad", 1, 1, EditKeyResult::kEdited},
        {"delete removes a reversed selection", L"abcd", 1, 3, kEditKeyDelete, false, L"ad", 1, 1,
         EditKeyResult::kEdited},
        {"shift+home from the end selects all", L"abc", 3, 3, kEditKeyHome, true, L"abc", 0, 3, EditKeyResult::kMoved},
        {"then left collapses at 0", L"abc", 0, 3, kEditKeyLeft, false, L"abc", 0, 0, EditKeyResult::kMoved},
        {"select all then end collapses", L"abc", 3, 0, kEditKeyEnd, false, L"abc", 3, 3, EditKeyResult::kMoved},
        {"right moves from the caret, not the edge", L"abcd", 1, 3, kEditKeyRight, false, L"abcd", 2, 2,
         EditKeyResult::kMoved},
        {"shift+right grows", L"abcd", 1, 1, kEditKeyRight, true, L"abcd", 2, 1, EditKeyResult::kMoved},
        {"left at 0 does nothing", L"abc", 0, 0, kEditKeyLeft, false, L"abc", 0, 0, EditKeyResult::kNone},
        {"right at the end does nothing", L"abc", 3, 3, kEditKeyRight, true, L"abc", 3, 3, EditKeyResult::kNone},
        {"other keys do nothing", L"abc", 1, 2, 38, false, L"abc", 1, 2, EditKeyResult::kNone},
        {"backspace takes a whole pair", L"a\xD83D\xDE00", 3, 3, kEditKeyBackspace, false, L"a", 1, 1,
         EditKeyResult::kEdited},
        {"delete takes a whole pair",
         L"\xD83D\xDE00"
         L"b",
         0, 0, kEditKeyDelete, false, L"b", 0, 0, EditKeyResult::kEdited},
        {"left steps over a pair", L"a\xD83D\xDE00", 3, 3, kEditKeyLeft, true, L"a\xD83D\xDE00", 1, 3,
         EditKeyResult::kMoved},
        {"right steps over a pair",
         L"\xD83D\xDE00"
         L"b",
         0, 0, kEditKeyRight, false,
         L"\xD83D\xDE00"
         L"b",
         2, 2, EditKeyResult::kMoved},
    };
    for (const Case& c : cases) {
        std::wstring text = c.text;
        int caret = c.caret;
        int anchor = c.anchor;
        EXPECT_EQ(ApplyEditKey(text, caret, anchor, c.key, c.shift), c.result) << c.name;
        EXPECT_EQ(text, c.afterText) << c.name;
        EXPECT_EQ(caret, c.afterCaret) << c.name;
        EXPECT_EQ(anchor, c.afterAnchor) << c.name;
    }
}

TEST(UiEditModelTest, InsertionReplacesTheSelection) {
    struct Case {
        std::wstring text;
        int caret, anchor;
        std::wstring inserted, afterText;
        int afterCaret;
    };
    const Case cases[] = {
        {L"hello", 4, 1, L"X", L"hXo", 2},
        {L"hello", 0, 5, L"", L"", 0},
        {L"ab", 1, 1, L"xyz", L"axyzb", 4},
        {L"", 0, 0, L"C:\\", L"C:\\", 3},
        {std::wstring(kEditMaxLength - 1, L'x'), 0, 0, L"ab", L"a" + std::wstring(kEditMaxLength - 1, L'x'), 1},
        {std::wstring(kEditMaxLength, L'x'), 2, 2, L"a", std::wstring(kEditMaxLength, L'x'), 2},
        // Room for one unit: a pair's high half alone is not kept.
        {std::wstring(kEditMaxLength - 1, L'x'), 0, 0, L"\xD83D\xDE00", std::wstring(kEditMaxLength - 1, L'x'), 0},
        {std::wstring(kEditMaxLength, L'x'), 0, 3, L"ab", L"ab" + std::wstring(kEditMaxLength - 3, L'x'), 2},
    };
    for (const Case& c : cases) {
        std::wstring text = c.text;
        int caret = c.caret;
        int anchor = c.anchor;
        InsertEditText(text, caret, anchor, c.inserted);
        EXPECT_EQ(text, c.afterText);
        EXPECT_EQ(caret, c.afterCaret);
        EXPECT_EQ(anchor, c.afterCaret);
    }
}

TEST(UiEditModelTest, PasteDropsTheControlCharactersTypingRefuses) {
    const std::pair<const wchar_t*, std::wstring> cases[] = {
        {L"a\r\nb", L"ab"},
        {L"a\tb", L"ab"},
        {L"\n\r\n", L""},
        {L"D:\\x y", L"D:\\x y"},
        {L"a\x7F\x1B\x01"
         L"b",
         L"ab"},
        {nullptr, L""},
    };
    for (const auto& [pasted, kept] : cases)
        EXPECT_EQ(StripControlCharacters(pasted), kept);
}
