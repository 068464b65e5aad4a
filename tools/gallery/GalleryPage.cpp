#include "tools/gallery/GalleryPage.h"

#include <windows.h>

#include <memory>
#include <string>

#include "uie/controls/CUiCard.h"
#include "uie/controls/CUiCheckBox.h"
#include "uie/controls/CUiImage.h"
#include "uie/controls/CUiLabel.h"
#include "uie/controls/CUiLink.h"
#include "uie/controls/CUiProgressBar.h"
#include "uie/controls/SvgIcon.h"
#include "uie/controls/UiImageCache.h"
#include "uie/core/CUiLinearLayout.h"
#include "uie/core/UiCanvas.h"

using namespace UIE;

namespace Gallery {

namespace {

constexpr unsigned kLogoResource = 104;

// The finish page's badge: an SVG resource drawn over the whole control.
class Badge : public CUiControl {
public:
    explicit Badge(int resource) { icon_.LoadFromResource(GetModuleHandleW(nullptr), resource); }
    void Paint(UiCanvas& canvas) override {
        const UiRect px = GetPixelRect();
        icon_.Draw(canvas, 0, 0, px.width, px.height, -1);
    }

private:
    SvgIcon icon_;
};

CUiLabel* AddLabel(CUiControl* parent, const wchar_t* text, int size, COLORREF colour) {
    CUiLabel* label = parent->Add<CUiLabel>();
    label->text = text;
    label->fontSize = size;
    label->textColour = colour;
    return label;
}

CUiLink* AddLink(CUiControl* parent, const wchar_t* text) {
    CUiLink* link = parent->Add<CUiLink>();
    link->text = text;
    link->margin.left = -4;  // the links sit tight against the words before them
    return link;
}

void BuildHeader(CUiControl* root) {
    CUiCard* header = root->AddAt<CUiCard>({0, 0, kPageWidthDip, 150});
    header->gradient = true;
    header->gradientStart = 0xFFFF7467;
    header->gradientEnd = 0xFFFFB199;
    header->gradientMode = 1;
    header->perCornerRadii = true;
    header->bottomLeftRadius = header->bottomRightRadius = 16;
    header->padding = {24, 40, 24, 40};
    CUiLabel* title = AddLabel(header, L"欧贝林视频格式转换器", 22, RGB(255, 255, 255));
    title->bold = true;
    title->textAlignment = 1;
}

void BuildAgreementRow(CUiControl* root) {
    CUiLinearLayout* row = root->AddAt<CUiLinearLayout>({24, 170, 472, 24});
    row->defaultAlignment = 1;
    CUiCheckBox* agree = row->Add<CUiCheckBox>();
    agree->text = L"我已阅读并同意";
    agree->checked = true;
    AddLink(row, L"《用户协议》");
    AddLabel(row, L"和", 13, RGB(0x33, 0x33, 0x33));
    AddLink(row, L"《隐私政策》");
}

CUiButton* BuildButtons(CUiControl* root) {
    CUiButton* install = root->AddAt<CUiButton>({160, 300, 200, 44});
    install->text = L"立即安装";
    install->fontSize = 16;
    CUiButton* custom = root->AddAt<CUiButton>({24, 220, 150, 34});
    custom->style = kButtonOutlined;
    custom->text = L"自定义目录";
    custom->iconName = L"folder";
    custom->centreContent = true;
    CUiButton* contact = root->AddAt<CUiButton>({190, 220, 110, 34});
    contact->style = kButtonText;
    contact->text = L"联系我们";
    contact->OnMouseEnter();
    CUiButton* disabled = root->AddAt<CUiButton>({316, 220, 110, 34});
    disabled->text = L"不可用";
    disabled->enabled = false;
    return install;
}

}  // namespace

GalleryPage BuildGalleryPage(CUiControl* root, int badgeResource) {
    root->bounds = {0, 0, kPageWidthDip, kPageHeightDip};
    BuildHeader(root);
    BuildAgreementRow(root);
    GalleryPage page;
    page.root = root;
    page.installButton = BuildButtons(root);
    CUiImage* logo = root->AddAt<CUiImage>({24, 16, 24, 24});
    logo->bitmap = UiImageCache::Instance().LoadFromResourceScaled(GetModuleHandleW(nullptr), kLogoResource, 24, 24);
    logo->mouseTransparent = true;
    CUiProgressBar* progress = root->AddAt<CUiProgressBar>({24, 274, 400, 6});
    progress->SetValue(37);
    root->AddAt<Badge>({446, 200, 56, 56}, badgeResource);
    // The plain root places nothing itself: each child lays out its own content at its bounds.
    for (auto& child : root->children)
        child->Arrange(child->bounds);
    return page;
}

}  // namespace Gallery
