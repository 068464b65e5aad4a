// The one button behaviour every clickable control shares, without a window: which input
// sequences click, and which inputs change what the control shows.
#include "uie/controls/UiButtonBehavior.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

using namespace UIE;

TEST(UiButtonBehaviorTest, ClicksOnlyForAStandingPressReleasedInsideOrAnActivation) {
    using In = UiButtonInput;
    struct Case {
        std::vector<In> inputs;
        bool enabled;
        int clicks;
        int repaints;
    };
    const Case cases[] = {
        {{In::Enter, In::Press, In::ReleaseInside}, true, 1, 3},
        {{In::Enter, In::Press, In::ReleaseOutside}, true, 0, 3},
        {{In::Enter, In::Press, In::Leave, In::Enter, In::ReleaseInside}, true, 0, 4},  // leaving drops the press
        {{In::Enter, In::ReleaseInside}, true, 0, 1},                                   // no press
        {{In::Enter, In::Press, In::ReleaseInside, In::ReleaseInside}, true, 1, 3},
        {{In::Enter, In::Press, In::ReleaseInside}, false, 0, 3},
        {{In::Activate}, true, 1, 0},
        {{In::Activate}, false, 0, 0},
        {{In::Enter, In::Enter, In::Leave, In::Leave}, true, 0, 2},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        UiButtonBehavior behavior;
        int clicks = 0;
        int repaints = 0;
        for (In input : cases[i].inputs) {
            const UiButtonOutcome outcome = behavior.Handle(input, cases[i].enabled);
            clicks += outcome.click;
            repaints += outcome.repaint;
        }
        EXPECT_EQ(clicks, cases[i].clicks) << i;
        EXPECT_EQ(repaints, cases[i].repaints) << i;
        EXPECT_FALSE(behavior.IsPressed()) << i;
    }
}
