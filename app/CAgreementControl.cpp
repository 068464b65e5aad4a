#include "app/CAgreementControl.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "OrbBuildSettings.h"
#include "app/CAgreementText.h"
#include "uie/controls/CUiLink.h"
#include "uie/core/CUiLinearLayout.h"
#include "uie/core/UiTheme.h"

namespace SetupUi {

namespace {

constexpr COLORREF kWordColour = RGB(0x84, 0x87, 0x8C);
constexpr int kFontSize = 12;

void AddText(UIE::CUiControl* row, const wchar_t* text, int leftMargin, std::function<void()> toggle) {
    CAgreementText* word = row->Add<CAgreementText>(std::move(toggle));
    word->text = text;
    word->fontSize = kFontSize;
    word->textColour = kWordColour;
    word->margin.left = leftMargin;
}

void AddLink(UIE::CUiControl* row, const wchar_t* text, const wchar_t* documentPath) {
    UIE::CUiLink* link = row->Add<UIE::CUiLink>();
    link->text = text;
    link->fontSize = kFontSize;
    link->linkColour = UIE::GetTheme().accent;
    link->margin.left = -4;  // tight against the word before it
    link->SetOnClick([documentPath] { OpenDocument(documentPath); });
}

}  // namespace

void OpenDocument(const wchar_t* path) {
    const std::wstring address = std::wstring(ORB_DOCS_BASE_URL) + path;
    ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

CAgreementControl::CAgreementControl() {
    fillFirstChild = true;
    UIE::CUiLinearLayout* row = Add<UIE::CUiLinearLayout>();
    row->horizontal = 1;
    row->spacing = 0;
    row->defaultAlignment = 1;

    checkBox = row->Add<UIE::CUiCheckBox>();
    checkBox->widthSpec = 18;
    checkBox->heightSpec = 18;
    checkBox->SetOnChange([this](bool value) { checked = value; });
    // The box has no caption of its own: the row's words name it.
    checkBox->accessName = L"我已阅读并同意《用户协议》和《隐私协议》";

    auto toggle = [this] { Toggle(); };
    AddText(row, L"我已阅读并同意", 4, toggle);
    AddLink(row, L"《用户协议》", L"/orbelin/user-agreement.html");
    AddText(row, L"和", 0, toggle);
    AddLink(row, L"《隐私协议》", L"/orbelin/privacy-policy.html");
}

void CAgreementControl::Toggle() {
    checked = !checked;
    checkBox->checked = checked;
    checkBox->Invalidate();
    checkBox->NotifyAccess(UIE::UiAccessEvent::StateChange);
}

}  // namespace SetupUi
