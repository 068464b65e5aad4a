// The first-paint hook runs once, after the first presented paint only.
#include "uie/core/UiFirstPaint.h"

#include <gtest/gtest.h>

namespace {

int hookRuns = 0;

TEST(UiFirstPaint, TheHookRunsOnceAfterTheFirstPaint) {
    UIE::SetFirstPresentedPaintHook([] { ++hookRuns; });
    UIE::NoteFirstPresentedPaint();
    UIE::NoteFirstPresentedPaint();
    EXPECT_EQ(hookRuns, 1);
    UIE::SetFirstPresentedPaintHook(nullptr);
}

}  // namespace
