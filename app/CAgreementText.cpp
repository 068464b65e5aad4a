#include "app/CAgreementText.h"

namespace SetupUi {

void CAgreementText::OnMouseUp(int x, int y) {
    // A press dragged off the words before the release is the user taking it back: the consent
    // must not change.
    if (onClick_ && x >= 0 && y >= 0 && x < bounds.width && y < bounds.height)
        onClick_();
}

}  // namespace SetupUi
