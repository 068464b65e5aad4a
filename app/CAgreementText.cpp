#include "app/CAgreementText.h"

namespace SetupUi {

void CAgreementText::OnMouseUp(int, int) {
    if (onClick)
        onClick();
}

}  // namespace SetupUi
