// A word of the agreement row ("我已阅读并同意", "和"): a label that toggles the agreement when
// clicked: pressed on the words and released on them.
#pragma once

#include <functional>
#include <utility>

#include "uie/controls/CUiLabel.h"

namespace SetupUi {

class CAgreementText : public UIE::CUiLabel {
public:
    explicit CAgreementText(std::function<void()> onClick) : onClick_(std::move(onClick)) {}

    void OnMouseUp(int x, int y) override;
    bool WantsHandCursor() override { return true; }
    // The words are part of the check box's name; readers do not hear them twice.
    UIE::UiAccessInfo Describe() override { return {}; }

private:
    std::function<void()> onClick_;
};

}  // namespace SetupUi
