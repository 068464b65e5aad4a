#include "uie/core/UiTheme.h"

namespace UIE {

UiTheme& GetTheme() {
    static UiTheme theme;
    return theme;
}

}  // namespace UIE
