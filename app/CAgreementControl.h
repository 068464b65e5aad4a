// The agreement row of the main page: a check box, "我已阅读并同意", the user agreement link, "和"
// and the privacy policy link. Clicking either text toggles the box; the links open the documents
// in the browser and change nothing. Whether it is ticked is what the installer asks before it
// starts.
#pragma once

#include "uie/controls/CUiCheckBox.h"
#include "uie/core/CUiControl.h"

namespace SetupUi {

class CAgreementControl : public UIE::CUiControl {
public:
    CAgreementControl();

    bool IsChecked() const { return checked; }

private:
    void Toggle();

    bool checked = false;
    UIE::CUiCheckBox* checkBox = nullptr;  // owned by the row's layout
};

// Opens one of the publisher's documents ("/orbelin/…") in the user's browser.
void OpenDocument(const wchar_t* path);

}  // namespace SetupUi
