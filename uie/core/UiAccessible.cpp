#include "uie/core/UiAccessible.h"

#include <algorithm>
#include <string>
#include <vector>

#include "uie/core/CUiControl.h"
#include "uie/core/UiScene.h"
#include "uie/core/UiDpi.h"

namespace UIE {

// The pure mapping carries the system's numbers; a change on either side must fail the build.
static_assert(msaa::kRolePushButton == ROLE_SYSTEM_PUSHBUTTON && msaa::kRoleCheckButton == ROLE_SYSTEM_CHECKBUTTON &&
                  msaa::kRoleLink == ROLE_SYSTEM_LINK && msaa::kRoleText == ROLE_SYSTEM_TEXT &&
                  msaa::kRoleProgressBar == ROLE_SYSTEM_PROGRESSBAR &&
                  msaa::kRoleStaticText == ROLE_SYSTEM_STATICTEXT && msaa::kRoleGraphic == ROLE_SYSTEM_GRAPHIC,
              "roles");
static_assert(msaa::kStateUnavailable == STATE_SYSTEM_UNAVAILABLE && msaa::kStateFocused == STATE_SYSTEM_FOCUSED &&
                  msaa::kStateChecked == STATE_SYSTEM_CHECKED && msaa::kStateReadOnly == STATE_SYSTEM_READONLY &&
                  msaa::kStateInvisible == STATE_SYSTEM_INVISIBLE && msaa::kStateFocusable == STATE_SYSTEM_FOCUSABLE &&
                  msaa::kStateLinked == STATE_SYSTEM_LINKED,
              "states");
static_assert(msaa::kEventShow == EVENT_OBJECT_SHOW && msaa::kEventHide == EVENT_OBJECT_HIDE &&
                  msaa::kEventReorder == EVENT_OBJECT_REORDER && msaa::kEventFocus == EVENT_OBJECT_FOCUS &&
                  msaa::kEventStateChange == EVENT_OBJECT_STATECHANGE &&
                  msaa::kEventNameChange == EVENT_OBJECT_NAMECHANGE &&
                  msaa::kEventValueChange == EVENT_OBJECT_VALUECHANGE,
              "events");

namespace {

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetChildId(VARIANT* out, long id) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = id;
}

}  // namespace

base::ComPtr<UiAccessible> UiAccessible::Create(UiScene* scene, HWND window, Poster post) {
    base::ComPtr<UiAccessible> object;
    // The one reference the object starts with passes to the owner.
    *object.Put() = new UiAccessible(scene, window, std::move(post));
    return object;
}

UiAccessible::UiAccessible(UiScene* scene, HWND window, Poster post)
    : scene_(scene), hwnd_(window), post_(std::move(post)) {}

void UiAccessible::Disconnect() {
    scene_ = nullptr;
    hwnd_ = nullptr;
    post_ = nullptr;
    standard_.Reset();
}

IAccessible* UiAccessible::Standard() {
    if (!standard_ && scene_ && hwnd_)
        CreateStdAccessibleObject(hwnd_, OBJID_CLIENT, __uuidof(IAccessible), standard_.PutVoid());
    return standard_.Get();
}

HRESULT UiAccessible::Resolve(const VARIANT& child, CUiControl** control) {
    *control = nullptr;
    if (!scene_ || !hwnd_)
        return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4)
        return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF)
        return S_OK;
    CUiControl* found = scene_->FindByAccessId(child.lVal);
    if (!found || found->Describe().role == UiRole::None)
        return E_INVALIDARG;
    *control = found;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// IUnknown and IDispatch
// ---------------------------------------------------------------------------------------------

HRESULT UiAccessible::QueryInterface(REFIID riid, void** out) {
    if (!out)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible))
        *out = static_cast<IAccessible*>(this);
    else if (riid == __uuidof(IEnumVARIANT))
        *out = static_cast<IEnumVARIANT*>(this);
    else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG UiAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG UiAccessible::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT UiAccessible::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT UiAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}
HRESULT UiAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}
HRESULT UiAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// IAccessible
// ---------------------------------------------------------------------------------------------

HRESULT UiAccessible::get_accParent(IDispatch** parent) {
    if (!parent)
        return E_POINTER;
    *parent = nullptr;
    return AskStandard([&](IAccessible& standard) { return standard.get_accParent(parent); });
}

HRESULT UiAccessible::get_accChildCount(long* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    if (!scene_)
        return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(scene_->ShownControls(false).size());
    return S_OK;
}

HRESULT UiAccessible::get_accChild(VARIANT child, IDispatch** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    // The children are simple elements, with no object of their own.
    return ForChild(child, [](CUiControl* control) { return control ? S_FALSE : E_INVALIDARG; });
}

HRESULT UiAccessible::get_accName(VARIANT child, BSTR* name) {
    return ForChild(child, [&](CUiControl* control) {
        if (!control)
            return AskStandard([&](IAccessible& standard) { return standard.get_accName(child, name); });
        return ReturnText(control->Describe().name, name);
    });
}

HRESULT UiAccessible::get_accValue(VARIANT child, BSTR* value) {
    return ForChild(child, [&](CUiControl* control) {
        return ReturnText(control ? control->Describe().value : std::wstring(), value);
    });
}

HRESULT UiAccessible::get_accDescription(VARIANT child, BSTR* description) {
    return ForChild(child, [&](CUiControl* control) {
        return ReturnText(control ? control->tooltip : std::wstring(), description);
    });
}

HRESULT UiAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role)
        return E_POINTER;
    return ForChild(child, [&](CUiControl* control) {
        if (!control)
            return AskStandard([&](IAccessible& standard) { return standard.get_accRole(child, role); });
        SetChildId(role, MsaaRole(control->Describe().role));
        return S_OK;
    });
}

HRESULT UiAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state)
        return E_POINTER;
    return ForChild(child, [&](CUiControl* control) {
        if (!control)
            return AskStandard([&](IAccessible& standard) { return standard.get_accState(child, state); });
        const UiAccessInfo info = control->Describe();
        UiAccessState facts;
        facts.role = info.role;
        facts.checked = info.checked;
        facts.enabled = control->enabled;
        facts.focusable = control->IsFocusable();
        facts.focused = scene_->Focused() == control;
        facts.shown = scene_->IsShown(control);
        SetChildId(state, static_cast<long>(MsaaState(facts)));
        return S_OK;
    });
}

HRESULT UiAccessible::get_accHelp(VARIANT child, BSTR* help) {
    return ForChild(child, [&](CUiControl*) { return ReturnText(std::wstring(), help); });
}

HRESULT UiAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file)
        *file = nullptr;
    if (topic)
        *topic = -1;
    return S_FALSE;
}

HRESULT UiAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return ForChild(child, [&](CUiControl*) { return ReturnText(std::wstring(), shortcut); });
}

HRESULT UiAccessible::get_accFocus(VARIANT* focus) {
    if (!focus)
        return E_POINTER;
    VariantInit(focus);
    if (!scene_)
        return CO_E_OBJNOTCONNECTED;
    CUiControl* focused = scene_->Focused();
    if (focused && focused->Describe().role != UiRole::None && scene_->IsShown(focused)) {
        SetChildId(focus, focused->accessId);
        return S_OK;
    }
    if (GetFocus() == hwnd_) {
        SetChildId(focus, CHILDID_SELF);
        return S_OK;
    }
    return S_FALSE;
}

HRESULT UiAccessible::get_accSelection(VARIANT* selection) {
    if (!selection)
        return E_POINTER;
    VariantInit(selection);
    return scene_ ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

HRESULT UiAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    return ForChild(child, [&](CUiControl* control) {
        if (!control)
            return ReturnText(std::wstring(), action);
        const UiAccessInfo info = control->Describe();
        return ReturnText(DefaultActionName(info.role, info.checked), action);
    });
}

HRESULT UiAccessible::accSelect(long flags, VARIANT child) {
    return ForChild(child, [&](CUiControl* control) {
        if (!(flags & SELFLAG_TAKEFOCUS) || !control || !control->IsFocusable() || !control->enabled ||
            !scene_->IsShown(control))
            return S_FALSE;
        scene_->FocusControl(control);
        return S_OK;
    });
}

HRESULT UiAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    return ForChild(child, [&](CUiControl* control) {
        if (!control) {
            return AskStandard(
                [&](IAccessible& standard) { return standard.accLocation(left, top, width, height, child); });
        }
        const UiLtrb area = ControlPixelArea(control, 0);
        POINT origin = {area.left, area.top};
        ClientToScreen(hwnd_, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    });
}

HRESULT UiAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end)
        return E_POINTER;
    VariantInit(end);
    CUiControl* from = nullptr;
    const HRESULT hr = Resolve(start, &from);
    if (FAILED(hr))
        return hr;
    const std::vector<CUiControl*> shown = scene_->ShownControls(false);
    if (shown.empty())
        return S_FALSE;
    const auto at = std::find(shown.begin(), shown.end(), from);
    CUiControl* target = nullptr;
    if (!from && direction == NAVDIR_FIRSTCHILD)
        target = shown.front();
    else if (!from && direction == NAVDIR_LASTCHILD)
        target = shown.back();
    else if (from && at != shown.end() && direction == NAVDIR_NEXT && at + 1 != shown.end())
        target = *(at + 1);
    else if (from && at != shown.end() && direction == NAVDIR_PREVIOUS && at != shown.begin())
        target = *(at - 1);
    if (!target)
        return S_FALSE;
    SetChildId(end, target->accessId);
    return S_OK;
}

HRESULT UiAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child)
        return E_POINTER;
    VariantInit(child);
    if (!scene_ || !hwnd_)
        return CO_E_OBJNOTCONNECTED;
    POINT pt = {x, y};
    ScreenToClient(hwnd_, &pt);
    RECT client = {};
    GetClientRect(hwnd_, &client);
    if (!PtInRect(&client, pt))
        return S_FALSE;
    CUiControl* hit = scene_->HitTestAt(Unscale(pt.x), Unscale(pt.y), nullptr, nullptr);
    while (hit && hit->Describe().role == UiRole::None)
        hit = hit->parent;
    SetChildId(child, hit ? hit->accessId : CHILDID_SELF);
    return S_OK;
}

// The action runs from the window's queue, not inside the reader's call: it may open a message
// box, whose loop would keep the reader waiting.
HRESULT UiAccessible::accDoDefaultAction(VARIANT child) {
    return ForChild(child, [&](CUiControl* control) {
        if (!control || !control->enabled || !scene_->IsShown(control) || !HasDefaultAction(control->Describe().role))
            return DISP_E_MEMBERNOTFOUND;
        UiScene* scene = scene_;
        const long id = control->accessId;
        post_([scene, id] {
            CUiControl* target = scene->FindByAccessId(id);
            if (target && target->enabled && scene->IsShown(target))
                target->Activate();
        });
        return S_OK;
    });
}

HRESULT UiAccessible::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}
HRESULT UiAccessible::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

// ---------------------------------------------------------------------------------------------
// IEnumVARIANT
// ---------------------------------------------------------------------------------------------

HRESULT UiAccessible::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!items)
        return E_POINTER;
    if (!scene_)
        return CO_E_OBJNOTCONNECTED;
    const std::vector<CUiControl*> shown = scene_->ShownControls(false);
    ULONG given = 0;
    while (given < count && cursor_ < shown.size()) {
        SetChildId(&items[given], shown[cursor_]->accessId);
        ++given;
        ++cursor_;
    }
    if (fetched)
        *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT UiAccessible::Skip(ULONG count) {
    if (!scene_)
        return CO_E_OBJNOTCONNECTED;
    const size_t total = scene_->ShownControls(false).size();
    cursor_ += count;
    if (cursor_ > total) {
        cursor_ = static_cast<ULONG>(total);
        return S_FALSE;
    }
    return S_OK;
}

HRESULT UiAccessible::Reset() {
    cursor_ = 0;
    return S_OK;
}

HRESULT UiAccessible::Clone(IEnumVARIANT** out) {
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace UIE
