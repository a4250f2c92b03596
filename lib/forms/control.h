#pragma once
// The base of every window of the forms layer: forms and the components in
// them. A control owns one window, carries its component name on it (see
// component_name.h), hands the notifications its window gets from child
// windows back to the child controls that sent them, lays out children that
// have an alignment, opens its popup menu on a right click and honours the
// program-wide cursor.
#include <windows.h>

#include <string>
#include <vector>

namespace forms {

class Component;
class PopupMenu;

// The font every component draws its text with: the system's 8-point user
// interface face at the 96 pixels per inch the forms are laid out in, so that
// a text fits the pixel sizes its component was given on any display. (The
// system's own font grows with the display's resolution while the layout
// does not.) Made once, kept for the life of the program.
HFONT StandardFont();

// A position and size in pixels; for a component relative to its parent's
// client area, for a form on the screen.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where a component places itself inside its parent when the parent resizes.
enum class Align { None, Top, Bottom, Left, Right, Client };

// The position properties: name and the field of Rect it reads and writes.
#define FORMS_BOUNDS_PROPERTIES(X) \
    X(Left, left)                  \
    X(Top, top)                    \
    X(Width, width)                \
    X(Height, height)

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    HWND Handle() const { return window_; }
    const std::string& Name() const { return name_; }
    Control* Parent() const { return parent_; }
    const std::vector<Component*>& Children() const { return children_; }
    // The control of a window of this process, or null.
    static Control* FromHandle(HWND window);

    // The window text: a caption for forms, labels and buttons, the text of
    // edits and combo boxes.
    std::string Caption() const;
    virtual void SetCaption(const std::string& text);
    std::string Text() const { return Caption(); }
    void SetText(const std::string& text) { SetCaption(text); }

    bool Visible() const;
    virtual void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);

    Rect Bounds() const;
    virtual void SetBounds(const Rect& bounds);
#define FORMS_BOUNDS_ACCESSORS(Name, field)                  \
    int Name() const { return Bounds().field; }              \
    void Set##Name(int value)                                \
    {                                                        \
        Rect r = Bounds();                                   \
        r.field = value;                                     \
        SetBounds(r);                                        \
    }
    FORMS_BOUNDS_PROPERTIES(FORMS_BOUNDS_ACCESSORS)
#undef FORMS_BOUNDS_ACCESSORS
    int ClientWidth() const;
    int ClientHeight() const;

    Align Alignment() const { return align_; }
    void SetAlign(Align align);
    // Places the children that have an alignment: top, then bottom, left,
    // right and client ones, each group in creation order.
    void Realign();

    // The menu a right click (or the context-menu key) opens; null for none,
    // in which case the parent's menu opens, if it has one.
    void SetPopupMenu(PopupMenu* menu) { popup_ = menu; }
    PopupMenu* Popup() const { return popup_; }

    // The brush children paint their background with when they have no
    // colour of their own.
    virtual HBRUSH BackgroundBrush() const;

protected:
    Control(Control* parent, std::string name);

    // Makes window this control's window: stores the control on it, gives it
    // the component name and, for a window of a standard class, subclasses it
    // so that its messages pass through WindowProc.
    void Attach(HWND window, bool subclass);
    // Creates a window of a class registered with RegisterOwnClass; its
    // messages reach WindowProc from WM_NCCREATE on.
    HWND CreateOwnWindow(const char* windowClass, DWORD style, DWORD exStyle, const Rect& bounds,
                         HWND parent, HMENU idOrMenu);
    static void RegisterOwnClass(const char* windowClass, LPCSTR cursor, UINT style);

    // Every message of the window. Overrides handle theirs and pass the rest on.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Notifications the parent window received from this control's window.
    virtual bool Command(WORD code, WORD id);
    virtual bool Notify(NMHDR& header, LRESULT& result);
    virtual HBRUSH ControlColour(HDC dc);   // null: the standard colours
    virtual bool DrawItem(const DRAWITEMSTRUCT& item);

    // A control id unique in the control's form, in creation order.
    int NextControlId();

private:
    friend class Component;
    static LRESULT CALLBACK OwnClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OpenPopup(LPARAM screenPoint);
    void Detach();

    Control* parent_;
    std::string name_;
    HWND window_ = nullptr;
    bool subclassed_ = false;
    Align align_ = Align::None;
    PopupMenu* popup_ = nullptr;
    std::vector<Component*> children_;
    int nextControlId_ = 1000;
};

// A control that lives as a child window in a form or in another component
// (a panel, a group box, ...). Its window is one of a standard class created
// through CreateStandard, or one of the component's own through CreateOwn,
// or any child window made elsewhere and handed to Attach. The last is how a
// site hosting an embedded control joins a form:
//
//   class HostedView : public forms::Component {
//   public:
//       HostedView(forms::Control& parent, const std::string& name, const RECT& r)
//           : Component(parent, name), site_(parent.Handle(), r)
//       {
//           Attach(site_.Window(), true);   // name, alignment, popup, cursor
//       }
//   private:
//       SomeSite site_;   // creates (and destroys) its own child window
//   };
//
// Attach with subclass true routes the window's messages through
// WindowProc first and then on to the window's own procedure.
class Component : public Control {
public:
    ~Component() override;
    Control& Owner() const { return *Parent(); }

protected:
    Component(Control& parent, const std::string& name);
    void CreateStandard(const char* windowClass, DWORD style, DWORD exStyle, const Rect& bounds,
                        const std::string& text = std::string());
    void CreateOwn(const char* windowClass, DWORD style, DWORD exStyle, const Rect& bounds);
};

} // namespace forms
