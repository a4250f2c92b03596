#pragma once
// A container site that hosts one ActiveX control in a child window of a
// program's window: it creates the control, activates it in place in its
// rectangle, gives it the container interfaces it asks for (client site,
// in-place site and frame, control site, ambient properties, container),
// forwards the control's events to a handler, and tears it all down again.
//
//   forms::ActiveXSite site(form, RECT{8, 8, 408, 308});
//   site.SetEventHandler([](DISPID id, const DISPPARAMS& p) { ... });
//   if (SUCCEEDED(site.Create(L"Vendor.Viewer"))) site.GetDispatch()->Invoke(...);
//
// Sites on the same parent window make up one container: each one's
// IOleContainer::EnumObjects lists the controls of all of them.
// Apartment threaded: use a site only on the thread that created it, with
// COM (OleInitialize) initialised.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>

namespace comkit {
class EventSink;
}

namespace forms {

class ActiveXSite : private IOleClientSite,
                    private IOleInPlaceSite,
                    private IOleInPlaceFrame,
                    private IOleControlSite,
                    private IDispatch,
                    private IOleContainer {
public:
    // Event handler: the event's dispid and its arguments (last one first).
    using EventHandler = std::function<void(DISPID id, const DISPPARAMS& params)>;

    // rect is in the parent's client coordinates.
    ActiveXSite(HWND parent, const RECT& rect);
    ~ActiveXSite();
    ActiveXSite(const ActiveXSite&) = delete;
    ActiveXSite& operator=(const ActiveXSite&) = delete;

    // Creates the control (in-process, CoCreateInstance), hands it this site,
    // connects the event handler to its default source interface and
    // activates it in place. Fails when a control is hosted already.
    HRESULT Create(REFCLSID clsid);
    HRESULT Create(const wchar_t* progId);

    // Events that arrive from now on go to handler (empty: dropped).
    void SetEventHandler(EventHandler handler);

    // Moves the site's window and the control with it (parent coordinates).
    HRESULT SetRect(const RECT& rect);

    // The control's IDispatch (its default interface) and IUnknown, without
    // an added reference: valid until Destroy. Null while none is hosted.
    IDispatch* GetDispatch() const { return dispatch_; }
    IUnknown* Control() const { return control_; }
    // The site's own child window, the control window's parent.
    HWND Window() const { return window_; }

    // The ambient UserMode the site reports (true unless set); a change is
    // announced to the control.
    void SetUserMode(bool userMode);
    // The ambient DisplayName the site reports: the name the program knows
    // the control by (none unless set); a change is announced to the control.
    void SetDisplayName(const std::wstring& name);

    // Closes the control, disconnects its events and releases it; the site
    // window stays. Safe to call twice.
    void Destroy();

    // References the control (or anyone) still holds on the site: 0 once a
    // well-behaved control is destroyed.
    LONG References() const { return refs_; }

private:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT pos, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT pos) override;
    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU menu, HOLEMENU shared, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU menu) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG msg, WORD id) override;
    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** control) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL gotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;
    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;
    // IParseDisplayName, IOleContainer
    STDMETHODIMP ParseDisplayName(IBindCtx* context, LPOLESTR name, ULONG* eaten,
                                  IMoniker** moniker) override;
    STDMETHODIMP EnumObjects(DWORD flags, IEnumUnknown** objects) override;
    STDMETHODIMP LockContainer(BOOL lock) override;

    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
    HRESULT Host(IUnknown* control);
    void ResizeControl();

    LONG refs_ = 0;
    HWND parent_;
    HWND window_ = nullptr;
    IUnknown* control_ = nullptr;
    IOleObject* oleObject_ = nullptr;
    IDispatch* dispatch_ = nullptr;
    IOleInPlaceObject* inPlaceObject_ = nullptr;
    IOleInPlaceActiveObject* activeObject_ = nullptr;
    IConnectionPoint* eventPoint_ = nullptr;
    DWORD eventCookie_ = 0;
    comkit::EventSink* sink_ = nullptr;
    EventHandler handler_;
    bool userMode_ = true;
    std::wstring displayName_;
};

} // namespace forms
