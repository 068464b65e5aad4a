// A page of the toolkit's controls laid out like the installer's main page: a header card, an
// agreement row (check box, label, two links pulled 4 DIP to the left), filled, outlined and
// text-only buttons, a progress bar, the logo picture and the check badge. The gallery test paints it at several DPIs
// and saves pictures to look at; the paint benchmark times it.
#pragma once

#include "uie/controls/CUiButton.h"
#include "uie/core/CUiControl.h"

namespace Gallery {

constexpr int kPageWidthDip = 520;
constexpr int kPageHeightDip = 374;

// The page's controls a caller drives.
struct GalleryPage {
    UIE::CUiControl* root = nullptr;
    UIE::CUiButton* installButton = nullptr;  // the hover target
};

// Builds the page under `root`, sized kPageWidthDip × kPageHeightDip, at the current DPI. The
// executable holds the pictures under the installer's ids: the logo PNG 104 and the check badge
// SVG `badgeResource`.
GalleryPage BuildGalleryPage(UIE::CUiControl* root, int badgeResource);

}  // namespace Gallery
