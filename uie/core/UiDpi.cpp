#include "uie/core/UiDpi.h"

#include <cstdint>

namespace UIE {

UiDpi& GetDpi() {
    static UiDpi record;
    return record;
}

int MulDivRound(int a, int b, int c) {
    if (c == 0)
        return -1;  // what MulDiv answers for a zero divisor
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = (c > 0 ? c : -static_cast<int64_t>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (product < 0 ? -product : product) + half;
    const int64_t quotient = magnitude / (c > 0 ? c : -static_cast<int64_t>(c));
    const int64_t result = negative ? -quotient : quotient;
    if (result > INT32_MAX || result < INT32_MIN)
        return -1;  // MulDiv's answer when the result does not fit
    return static_cast<int>(result);
}

int Scale(int dip) {
    return MulDivRound(dip, GetDpi().dpi, 96);
}
int Unscale(int px) {
    return MulDivRound(px, 96, GetDpi().dpi);
}

int SanitizeDpi(int reported) {
    return reported > 0 ? reported : 96;
}

}  // namespace UIE
