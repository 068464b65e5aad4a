#include "uie/core/UiWindowIme.h"

#include <imm.h>

#include <string>

#include "base/ScopedWin.h"
#include "uie/core/CUiControl.h"

namespace UIE {

void PlaceImeWindows(HWND window, CUiControl& focused) {
    base::ImmContext context(window);
    UiLtrb caret;
    if (!context || !focused.GetImeCaretRect(&caret))
        return;
    COMPOSITIONFORM composition = {};
    composition.dwStyle = CFS_POINT;
    composition.ptCurrentPos = {caret.left, caret.bottom};
    ImmSetCompositionWindow(context.Get(), &composition);
    CANDIDATEFORM candidate = {};
    candidate.dwIndex = 0;
    candidate.dwStyle = CFS_POINT;
    candidate.ptCurrentPos = {caret.left, caret.bottom};
    ImmSetCandidateWindow(context.Get(), &candidate);
}

bool DeliverImeResult(HWND window, CUiControl& focused, LPARAM lParam) {
    if (!(lParam & GCS_RESULTSTR))
        return false;
    base::ImmContext context(window);
    if (context) {
        const LONG bytes = ImmGetCompositionStringW(context.Get(), GCS_RESULTSTR, nullptr, 0);
        if (bytes >= 1) {
            std::wstring text(static_cast<size_t>(bytes) / sizeof(wchar_t), L'\0');
            ImmGetCompositionStringW(context.Get(), GCS_RESULTSTR, text.data(), static_cast<DWORD>(bytes));
            focused.OnImeResult(text.c_str());
        }
    }
    return true;
}

}  // namespace UIE
