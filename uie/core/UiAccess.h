// What screen readers learn about a control, and the orders keyboard focus and readers follow.
//
// Pure: no Windows header. The values below are Microsoft Active Accessibility's own role, state
// and event numbers (oleacc.h, winuser.h); the window host checks them against the system headers
// when it is compiled, so the two cannot drift apart.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "uie/core/UiGeometry.h"

namespace UIE {

// The kinds of control a reader is told about; None keeps a control out of the reader's tree
// (containers, backgrounds, decoration).
enum class UiRole { None, PushButton, CheckBox, Link, EditableText, ProgressBar, StaticText, Graphic };

// A control's own account of itself: its role, the name a reader speaks (the visible text, or a
// given name when there is none) and, for fields and bars, the value.
struct UiAccessInfo {
    UiRole role = UiRole::None;
    std::wstring name;
    std::wstring value;
    bool checked = false;
};

// What the host knows about a control besides its own account.
struct UiAccessState {
    UiRole role = UiRole::None;
    bool checked = false;
    bool enabled = true;
    bool focusable = false;
    bool focused = false;
    bool shown = true;
};

// Changes a reader is told about as they happen.
enum class UiAccessEvent { Focus, NameChange, StateChange, ValueChange, Show, Hide, Reorder };

namespace msaa {
constexpr long kRoleLink = 0x1E;
constexpr long kRoleGraphic = 0x28;
constexpr long kRoleStaticText = 0x29;
constexpr long kRoleText = 0x2A;
constexpr long kRolePushButton = 0x2B;
constexpr long kRoleCheckButton = 0x2C;
constexpr long kRoleProgressBar = 0x30;

constexpr unsigned long kStateUnavailable = 0x1;
constexpr unsigned long kStateFocused = 0x4;
constexpr unsigned long kStateChecked = 0x10;
constexpr unsigned long kStateReadOnly = 0x40;
constexpr unsigned long kStateInvisible = 0x8000;
constexpr unsigned long kStateFocusable = 0x100000;
constexpr unsigned long kStateLinked = 0x400000;

constexpr unsigned long kEventShow = 0x8002;
constexpr unsigned long kEventHide = 0x8003;
constexpr unsigned long kEventReorder = 0x8004;
constexpr unsigned long kEventFocus = 0x8005;
constexpr unsigned long kEventStateChange = 0x800A;
constexpr unsigned long kEventNameChange = 0x800C;
constexpr unsigned long kEventValueChange = 0x800E;
}  // namespace msaa

long MsaaRole(UiRole role);  // 0 for None
unsigned long MsaaState(const UiAccessState& state);
unsigned long MsaaEvent(UiAccessEvent event);
// The verbs a reader offers for the default actions. The toolkit's own are the English words
// Windows uses; an application in another language sets its own once, before its first window
// shows, on the UI thread.
struct UiActionWords {
    std::wstring press = L"Press";
    std::wstring check = L"Check";
    std::wstring uncheck = L"Uncheck";
    std::wstring jump = L"Jump";
};
void SetActionWords(const UiActionWords& words);

// Buttons, check boxes and links have a default action; other roles have none.
bool HasDefaultAction(UiRole role);
// The verb a reader offers for the control's default action; empty when it has none.
std::wstring DefaultActionName(UiRole role, bool checked);
// A progress value as readers expect it: "37%".
std::wstring PercentValue(int percent);

// One control placed for ordering: its rectangle in client DIP and its group.
struct UiOrderItem {
    UiRect rect;
    int group = 0;
};

// Indices of `items` in reading order: lower groups first; within a group line by line from the
// top, and left to right within a line. Items share a line when their vertical centre lies within
// the extent of the line's first item, so a check box and the text beside it read as one line
// even when their tops differ by a few DIP.
std::vector<size_t> ReadingOrder(const std::vector<UiOrderItem>& items);

// The next position in a cycle of `count` after `current` (−1: none yet), wrapping around;
// backwards for Shift+Tab. −1 when the cycle is empty.
int StepInCycle(int count, int current, bool backwards);

}  // namespace UIE
