// The window's client area as Active Accessibility sees it: one IAccessible whose children are the
// controls in sight, as simple elements (child ids, not objects of their own), in reading order.
//
// The window answers WM_GETOBJECT (OBJID_CLIENT) with it. The window itself (CHILDID_SELF) is
// described by the system's standard client object; the children by the controls' `Describe`.
// Readers may hold the object after the window is gone: `Disconnect` cuts it off, and every call
// then fails with CO_E_OBJNOTCONNECTED. UI thread only (readers reach it through COM's marshalling).
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <functional>

#include "base/ScopedWin.h"

namespace UIE {

class CUiControl;
class UiScene;

class UiAccessible final : public IAccessible, public IEnumVARIANT {
public:
    // How the object runs a default action later, from the window's queue.
    using Poster = std::function<void(std::function<void()>)>;
    static base::ComPtr<UiAccessible> Create(UiScene* scene, HWND window, Poster post);
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: readers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // IEnumVARIANT: the children's ids, for AccessibleChildren.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override;

private:
    UiAccessible(UiScene* scene, HWND window, Poster post);
    ~UiAccessible() = default;

    // The control `child` names: null for CHILDID_SELF. Fails for an unknown id or a bad variant.
    HRESULT Resolve(const VARIANT& child, CUiControl** control);
    IAccessible* Standard();
    // Resolves `child` and returns `answer(control)`: null for the window itself.
    template <typename Answer>
    HRESULT ForChild(const VARIANT& child, Answer answer) {
        CUiControl* control = nullptr;
        const HRESULT hr = Resolve(child, &control);
        return FAILED(hr) ? hr : answer(control);
    }
    // The system's standard client object answers for the window itself.
    template <typename Ask>
    HRESULT AskStandard(Ask ask) {
        IAccessible* standard = Standard();
        return standard ? ask(*standard) : CO_E_OBJNOTCONNECTED;
    }

    LONG references_ = 1;
    UiScene* scene_;  // non-owning; null once disconnected
    HWND hwnd_;
    Poster post_;
    base::ComPtr<IAccessible> standard_;
    ULONG cursor_ = 0;  // the enumeration's position among the shown children
};

}  // namespace UIE
