// The control model: a tree of lightweight, windowless controls.
//
// A control is a rectangle in DIP (1/96 inch) relative to its parent, with children that it owns
// (first painted first, hit-tested last), a handful of state flags and thirty-two virtual
// operations through which the scene (UiScene) and the window showing it deliver painting, layout,
// pointer, keyboard, focus, IME and timer events and ask what a screen reader should hear. The
// scene owns the roots and holds the hover, capture and focus roles as plain pointers; a control
// sees it only as IUiScene. Local coordinates handed to the event operations are DIP relative to
// the receiving control's top-left corner; only `GetPixelRect`, the canvas and `GetImeCaretRect`
// are in device pixels. Everything runs on the UI thread; controls are never detached or
// re-parented.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "uie/core/UiAccess.h"
#include "uie/core/UiGeometry.h"

namespace UIE {

class CUiControl;
class UiCanvas;

// What a control asks of the scene it belongs to (UiScene implements it). Controls only ever see
// this, so the control model does not depend on the scene that routes its events.
class IUiScene {
public:
    virtual long NextAccessId() = 0;
    virtual void InvalidatePixels(const UiLtrb& area) = 0;  // client pixels
    virtual void InvalidateAll() = 0;
    // A control was hidden: the roles, tooltip and timers held in its subtree are given up.
    virtual void ReleaseSubtree(CUiControl* subtree) = 0;
    virtual void RaiseAccessEvent(CUiControl* control, UiAccessEvent event) = 0;
    // The native window handle, for system services bound to a window (caret, clipboard).
    virtual void* NativeWindow() const = 0;

protected:
    ~IUiScene() = default;
};

// Values of `widthSpec` and `heightSpec` other than a fixed size.
constexpr int kSpecWrap = -1;
constexpr int kSpecFill = -2;

class CUiControl {
public:
    CUiControl() = default;
    CUiControl(const CUiControl&) = delete;
    CUiControl& operator=(const CUiControl&) = delete;

    // Virtual operations. Subclasses keep this order; the comments give the defaults.
    virtual ~CUiControl();                               // 1: destroys the children
    virtual UiSize Measure(int availableWidth);          // 2: current size, argument ignored
    virtual void Arrange(const UiRect& boundsInParent);  // 3: store, Layout(), clear layoutPending
    virtual void Paint(UiCanvas& canvas);                // 4: before the children
    virtual void PaintOverlay(UiCanvas& canvas);         // 5: after the children
    virtual bool IsOpaque();                             // 6: false
    virtual void OnMouseEnter();                         // 7
    virtual void OnMouseMove(int x, int y);              // 8
    virtual void OnMouseLeave();                         // 9
    virtual void OnMouseDown(int x, int y);              // 10
    virtual void OnMouseUp(int x, int y);                // 11: may lie outside the control
    virtual void OnDoubleClick(int x, int y);            // 12
    virtual bool OnMouseWheel(int delta);                // 13: true stops the bubbling
    virtual bool WantsHandCursor();                      // 14: false
    virtual bool WantsTextCursor();                      // 15: false
    virtual bool IsPointerTarget();                      // 16: hand or text cursor
    virtual bool IsFocusable();                          // 17: false
    virtual void OnFocus();                              // 18
    virtual void OnBlur();                               // 19
    virtual void OnChar(wchar_t ch);                     // 20
    virtual void OnKeyDown(unsigned virtualKey);         // 21
    virtual void OnImeResult(const wchar_t* text);       // 22
    virtual void OnTimer(unsigned timerId);              // 23
    virtual bool GetImeCaretRect(UiLtrb* out);           // 24: client pixels; false
    virtual bool OnDescendantMouseDown(CUiControl* source, int x, int y, int sourceX, int sourceY);  // 25
    virtual bool InterceptPointer(int x, int y);                                                     // 26: false
    virtual void OnHoverWithin(bool inside);                                                         // 27
    virtual bool TracksHoverWithin();                                                                // 28: false
    virtual void Layout();            // 29: fillFirstChild stretch
    virtual int PaintOutset();        // 30: 1 pixel
    virtual UiAccessInfo Describe();  // 31: no role, so readers do not see the control
    virtual bool Activate();          // 32: the default action (Enter, Space, a reader); false: none
    // The usual account for Describe: `role`, named by `accessName` when one is given and else by
    // the text the control shows.
    UiAccessInfo Described(UiRole role, const std::wstring& shownText) const;

    // Appends an owned child (it becomes the last painted and the first hit) and joins it to this
    // control's scene. A null child is ignored. Layout and invalidation are the caller's.
    CUiControl* AddChild(std::unique_ptr<CUiControl> child);
    template <typename T, typename... Args>
    T* Add(Args&&... args) {
        auto child = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = child.get();
        AddChild(std::move(child));
        return raw;
    }
    // The same, placed at `rect` (DIP, relative to this control).
    template <typename T, typename... Args>
    T* AddAt(const UiRect& rect, Args&&... args) {
        T* child = Add<T>(std::forward<Args>(args)...);
        child->bounds = rect;
        return child;
    }
    // Sets `scene` for this control and its whole subtree.
    void AttachToScene(IUiScene* owner);

    // Device pixels, still relative to the parent; edges are scaled, not the size.
    UiRect GetPixelRect() const;
    // Own position plus every ancestor's, in DIP relative to the client area.
    void GetAbsolutePosition(int& x, int& y) const;
    // x, y in DIP relative to the parent; the topmost visible, enabled control under the point.
    CUiControl* HitTest(int x, int y);

    // Repaints exactly the pixels this control paints, its outset included (nothing without a
    // scene shown in a window).
    void Invalidate();
    // Marks this control and every ancestor as needing layout and repaints the whole window.
    void RequestLayout();
    void SetVisible(bool visible);
    void PaintTree(UiCanvas& canvas);
    // Tells screen readers about a change of this control (nothing without a scene shown in a window).
    void NotifyAccess(UiAccessEvent event);

    bool layoutPending = true;
    CUiControl* parent = nullptr;  // non-owning; null for a root
    IUiScene* scene = nullptr;     // non-owning; the same for the whole tree
    std::vector<std::unique_ptr<CUiControl>> children;
    UiRect bounds;  // DIP, relative to the parent
    int widthSpec = kSpecWrap;
    int heightSpec = kSpecWrap;
    float weight = 0.0f;
    UiEdges margin;
    int alignment = -1;
    bool visible = true;
    bool enabled = true;
    bool mouseTransparent = false;
    UiEdges padding;
    std::wstring tooltip;
    bool fillFirstChild = false;
    // The name readers speak when the visible text does not say it (icon-only buttons, fields).
    std::wstring accessName;
    // A page laid over its earlier siblings: while it is visible they are out of sight, so the
    // keyboard and readers skip them.
    bool coversSiblings = false;
    // Keyboard and reader order: lower groups first, then top to bottom and left to right.
    int readingGroup = 0;
    // The child id readers know the control by; given by the scene, stable for its lifetime.
    long accessId = 0;
};

// Client pixels a control covers, grown by `outset` pixels.
UiLtrb ControlPixelArea(const CUiControl* control, int outset);

}  // namespace UIE
