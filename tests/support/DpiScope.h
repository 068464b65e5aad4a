// Sets the process-wide DPI record for one test and restores it afterwards. Pure: also used by
// the natively built tests.
#pragma once

#include "uie/core/UiDpi.h"

namespace TestSupport {

class DpiScope {
public:
    explicit DpiScope(int dpi) : saved_(UIE::GetDpi().dpi) { UIE::GetDpi().dpi = dpi; }
    ~DpiScope() { UIE::GetDpi().dpi = saved_; }
    DpiScope(const DpiScope&) = delete;
    DpiScope& operator=(const DpiScope&) = delete;

private:
    int saved_;
};

}  // namespace TestSupport
