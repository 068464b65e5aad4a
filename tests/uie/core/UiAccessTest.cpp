// The pure side of keyboard and reader support: reading order, the Tab cycle and the states
// readers are given.
#include "uie/core/UiAccess.h"

#include <gtest/gtest.h>

#include <vector>

using UIE::UiOrderItem;

TEST(UiReadingOrder, LinesTopToBottomLeftToRightGroupsLast) {
    struct Case {
        const char* what;
        std::vector<UiOrderItem> items;
        std::vector<size_t> order;
    };
    const std::vector<Case> cases = {
        {"empty", {}, {}},
        {"one column", {{{0, 50, 10, 10}}, {{0, 10, 10, 10}}}, {1, 0}},
        // A box, its words and a taller button sharing a line with a few DIP between their tops.
        {"one line of mixed heights", {{{480, 331, 60, 28}}, {{24, 336, 18, 18}}, {{60, 335, 60, 20}}}, {1, 2, 0}},
        {"a lower line stays below", {{{300, 10, 20, 20}}, {{10, 40, 20, 20}}}, {0, 1}},
        {"a later group follows whatever its place",
         {{{484, 10, 26, 26}, 1}, {{194, 280, 132, 36}}, {{24, 56, 60, 28}}},
         {2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UIE::ReadingOrder(c.items), c.order);
    }
}

TEST(UiReadingOrder, TabCycleWrapsBothWays) {
    struct Case {
        int count;
        int current;
        bool backwards;
        int next;
    };
    const Case cases[] = {
        {0, -1, false, -1}, {3, -1, false, 0}, {3, -1, true, 2}, {3, 0, false, 1},
        {3, 2, false, 0},   {3, 0, true, 2},   {3, 7, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UIE::StepInCycle(c.count, c.current, c.backwards), c.next)
            << c.count << " " << c.current << " " << c.backwards;
}

TEST(UiAccessState, ReadersGetTheStatesTheControlHas) {
    using namespace UIE::msaa;
    using UIE::UiRole;
    struct Case {
        UIE::UiAccessState state;
        unsigned long bits;
    };
    const Case cases[] = {
        {{UiRole::PushButton, false, true, true, true, true}, kStateFocusable | kStateFocused},
        {{UiRole::PushButton, false, false, true, false, true}, kStateUnavailable},
        {{UiRole::CheckBox, true, true, true, false, true}, kStateFocusable | kStateChecked},
        {{UiRole::Link, false, true, true, false, false}, kStateInvisible | kStateLinked},
        {{UiRole::ProgressBar, false, true, false, false, true}, kStateReadOnly},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UIE::MsaaState(c.state), c.bits) << static_cast<int>(c.state.role);
    EXPECT_EQ(UIE::DefaultActionName(UiRole::CheckBox, true), L"Uncheck");  // the toolkit's own words
    UIE::UiActionWords words;
    words.uncheck = L"取消选中";
    UIE::SetActionWords(words);
    EXPECT_EQ(UIE::DefaultActionName(UiRole::CheckBox, true), L"取消选中");
    UIE::SetActionWords({});
    EXPECT_EQ(UIE::DefaultActionName(UiRole::StaticText, false), L"");
    EXPECT_EQ(UIE::PercentValue(37), L"37%");
}
