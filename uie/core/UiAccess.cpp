#include "uie/core/UiAccess.h"

#include <algorithm>

namespace UIE {

long MsaaRole(UiRole role) {
    switch (role) {
        case UiRole::PushButton:
            return msaa::kRolePushButton;
        case UiRole::CheckBox:
            return msaa::kRoleCheckButton;
        case UiRole::Link:
            return msaa::kRoleLink;
        case UiRole::EditableText:
            return msaa::kRoleText;
        case UiRole::ProgressBar:
            return msaa::kRoleProgressBar;
        case UiRole::StaticText:
            return msaa::kRoleStaticText;
        case UiRole::Graphic:
            return msaa::kRoleGraphic;
        case UiRole::None:
            break;
    }
    return 0;
}

unsigned long MsaaState(const UiAccessState& state) {
    unsigned long bits = 0;
    if (!state.shown)
        bits |= msaa::kStateInvisible;
    if (!state.enabled)
        bits |= msaa::kStateUnavailable;
    if (state.focusable && state.enabled && state.shown)
        bits |= msaa::kStateFocusable;
    if (state.focused && state.shown)
        bits |= msaa::kStateFocused;
    if (state.role == UiRole::CheckBox && state.checked)
        bits |= msaa::kStateChecked;
    if (state.role == UiRole::Link)
        bits |= msaa::kStateLinked;
    if (state.role == UiRole::StaticText || state.role == UiRole::ProgressBar || state.role == UiRole::Graphic)
        bits |= msaa::kStateReadOnly;
    return bits;
}

unsigned long MsaaEvent(UiAccessEvent event) {
    switch (event) {
        case UiAccessEvent::Focus:
            return msaa::kEventFocus;
        case UiAccessEvent::NameChange:
            return msaa::kEventNameChange;
        case UiAccessEvent::StateChange:
            return msaa::kEventStateChange;
        case UiAccessEvent::ValueChange:
            return msaa::kEventValueChange;
        case UiAccessEvent::Show:
            return msaa::kEventShow;
        case UiAccessEvent::Hide:
            return msaa::kEventHide;
        case UiAccessEvent::Reorder:
            break;
    }
    return msaa::kEventReorder;
}

namespace {

UiActionWords actionWords;

}  // namespace

void SetActionWords(const UiActionWords& words) {
    actionWords = words;
}

bool HasDefaultAction(UiRole role) {
    return role == UiRole::PushButton || role == UiRole::CheckBox || role == UiRole::Link;
}

std::wstring DefaultActionName(UiRole role, bool checked) {
    switch (role) {
        case UiRole::PushButton:
            return actionWords.press;
        case UiRole::CheckBox:
            return checked ? actionWords.uncheck : actionWords.check;
        case UiRole::Link:
            return actionWords.jump;
        default:
            return L"";
    }
}

std::wstring PercentValue(int percent) {
    return std::to_wstring(percent) + L"%";
}

std::vector<size_t> ReadingOrder(const std::vector<UiOrderItem>& items) {
    std::vector<size_t> order(items.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const UiOrderItem& x = items[a];
        const UiOrderItem& y = items[b];
        if (x.group != y.group)
            return x.group < y.group;
        if (x.rect.y != y.rect.y)
            return x.rect.y < y.rect.y;
        return x.rect.x < y.rect.x;
    });
    // Cut the sorted run into lines, then order each line from the left.
    std::vector<size_t> result;
    result.reserve(order.size());
    size_t lineStart = 0;
    while (lineStart < order.size()) {
        const UiOrderItem& first = items[order[lineStart]];
        size_t lineEnd = lineStart + 1;
        while (lineEnd < order.size()) {
            const UiOrderItem& next = items[order[lineEnd]];
            const int centre = next.rect.y + next.rect.height / 2;
            if (next.group != first.group || centre >= first.rect.y + std::max(1, first.rect.height))
                break;
            ++lineEnd;
        }
        std::vector<size_t> line(order.begin() + static_cast<std::ptrdiff_t>(lineStart),
                                 order.begin() + static_cast<std::ptrdiff_t>(lineEnd));
        std::stable_sort(line.begin(), line.end(),
                         [&](size_t a, size_t b) { return items[a].rect.x < items[b].rect.x; });
        result.insert(result.end(), line.begin(), line.end());
        lineStart = lineEnd;
    }
    return result;
}

int StepInCycle(int count, int current, bool backwards) {
    if (count <= 0)
        return -1;
    if (current < 0 || current >= count)
        return backwards ? count - 1 : 0;
    return backwards ? (current + count - 1) % count : (current + 1) % count;
}

}  // namespace UIE
