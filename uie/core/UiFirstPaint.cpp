#include "uie/core/UiFirstPaint.h"

namespace UIE {

namespace {

UiFirstPaintHook firstPaintHook = nullptr;
bool firstPaintNoted = false;

}  // namespace

void SetFirstPresentedPaintHook(UiFirstPaintHook hook) {
    firstPaintHook = hook;
}

void NoteFirstPresentedPaint() {
    if (firstPaintNoted)
        return;
    firstPaintNoted = true;
    if (firstPaintHook)
        firstPaintHook();
}

}  // namespace UIE
