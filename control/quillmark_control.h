#pragma once
// The annotation control Quillmark: an ActiveX control, invisible at run
// time, that drives the annotation engine through IQuillmark and raises
// _IQuillmarkEvents.
//
// The control does no annotation work itself. At creation it loads the
// engine (engine_link.h) and wires its callbacks to the events
// (control_events.h); its default attributes live in the DefaultsCache and
// its four default fonts in ControlFonts. Most IQuillmark members are
// generated from the member table and forward to one engine operation; the
// members the control keeps state for are written here.
//
// Persisted: the extent and 35 properties (quillmark_persistence.cpp), in
// stream form, storage and property bags, through the control's own
// IDispatch.
#include "comkit/control_base.h"
#include "comkit/dispatch.h"

#include "control_fonts.h"
#include "control_services.h"
#include "defaults_cache.h"
#include "engine_link.h"
#include "member_support.h"
#include "quillmark.h"
#include "image_client.h"

#include <string>
#include <vector>

class QuillmarkControl : public comkit::Dispatch<IQuillmark>,
                         public comkit::ControlBase,
                         public IAnnotateServer7,
                         public ISupportErrorInfo,
                         public IPerPropertyBrowsing,
                         public quillmark::ControlServices {
public:
    QuillmarkControl();
    ~QuillmarkControl() override;

    COMKIT_CONTROL_IUNKNOWN

    // Creates the fonts and, in user mode (always, before a client site is
    // set), loads the engine: a missing engine fails the creation.
    HRESULT FinalConstruct() override;

    // Every IQuillmark member, declared from the member table.
#include "quillmark_members.inc"

    // IAnnotateServer7
    STDMETHODIMP NameChange(BSTR newName) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // Safe for untrusted callers and data on every interface, whatever the
    // container asks.
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported,
                                           DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

    // IPerPropertyBrowsing (quillmark_property_browsing.cpp): display
    // strings, the page of each property and the client names offered for
    // Client.
    STDMETHODIMP GetDisplayString(DISPID id, BSTR* text) override;
    STDMETHODIMP MapPropertyToPage(DISPID id, CLSID* page) override;
    STDMETHODIMP GetPredefinedStrings(DISPID id, CALPOLESTR* strings, CADWORD* cookies) override;
    STDMETHODIMP GetPredefinedValue(DISPID id, DWORD cookie, VARIANT* value) override;

    // --- ControlServices (and what the generated members need) ---
    AnnotationEngine* Engine() const override { return link_.Engine(); }
    HRESULT ReportError(int engineCode) override;
    bool IsUserMode() override { return ControlBase::IsUserMode(); }
    void NotifyPropertyChanged(DISPID dispid) override;
    IUnknown* ControlUnknown() override { return static_cast<IOleObject*>(this); }
    comkit::ConnectionPoint& EventPoint() override { return Events(); }
    bool HasNoClient() override { return noClient_; }
    void SendOnChanged(DISPID dispid) override { NotifyChanged(dispid); }
    bool RequestEdit(DISPID dispid) override { return ControlBase::RequestEdit(dispid); }
    void MarkDirty() override { SetDirty(true); }
    void SetReportedLayer(int layer) override { reportedLayer_ = layer; }
    void HostCurrentLayerChanged(int active) override;
    // True while the bound client's service table is held.
    bool HoldsHostServices() const;

    // The persisted properties in stream order (the extent comes first).
    static comkit::PropertyMap PersistedProperties();

protected:
    void* FindInterface(REFIID riid) override;
    comkit::PropertyMap Properties() const override { return PersistedProperties(); }
    void OnDraw(HDC dc, const RECT& bounds) override;
    DWORD SafetyOptions() const override;
    void OnClientSiteChanged() override;
    void OnClose() override;

private:
    // The host is letting go (Close, or its site taken away): the sinks of
    // both connection points are dropped, so that a sink that holds the
    // control does not keep it alive.
    void LetGo();
    // The engine and the fonts' sinks torn down (destruction).
    void TearDown();
    // Copy and Cut: the current layer's selection to the clipboard, then
    // (thenDelete) deleted (quillmark_transfer_members.cpp).
    HRESULT CopySelection(bool thenDelete);
    // The Menu members' shared work (quillmark_menu_members.cpp): a result
    // of a menu reported, the flag getters and setters and the walk of either menu.
    HRESULT ReportMenuResult(int result);
    using FlagGetter = int (__stdcall AnnotationEngine::*)(int, int, unsigned char*);
    using ToolFlagGetter = int (__stdcall AnnotationEngine::*)(int, int, int, unsigned char*);
    using FlagSetter = int (__stdcall AnnotationEngine::*)(int, int, int, int);
    using ToolFlagSetter = int (__stdcall AnnotationEngine::*)(int, int, int, int, int);
    HRESULT MenuGetFlag(enumMenu menu, annotationTOOL tool, long top, long sub,
                        VARIANT_BOOL* flag, FlagGetter context, ToolFlagGetter palette);
    HRESULT MenuSetFlag(enumMenu menu, annotationTOOL tool, long top, long sub, VARIANT_BOOL value,
                        VARIANT_BOOL exclusive, FlagSetter context, ToolFlagSetter palette);
    using WalkStep = int (__stdcall AnnotationEngine::*)(int*, int*);
    using ToolWalkStep = int (__stdcall AnnotationEngine::*)(int, int*, int*);
    HRESULT MenuWalk(enumMenu menu, annotationTOOL tool, long* top, long* sub, WalkStep context,
                     ToolWalkStep palette);
    // ToolbarHeight and ToolbarWidth: the palette's size, an error without one.
    using SizeRead = int (__stdcall AnnotationEngine::*)();
    HRESULT ToolbarSize(SizeRead read, long* size);

    // --- the client image control (client_binding.cpp, host_callbacks.cpp) ---
    friend struct HostEntries;
    // Every layer deleted (with an engine) and the current layer forgotten.
    void ResetAnnotations();
    // Lets go of the client: ReleaseAnnotateServer, its pointer and the
    // annotate server dropped, and the client's services forgotten by the
    // control and the engine.
    void UnbindImageControl();
    // Tells the chosen client the annotate server and, at run time, hands it
    // the callback table. A failure of the client is reported as a COM error.
    HRESULT BindImageControl(ImageControlInterface* client);
    // At run time: the callback table filled and handed to the bound client.
    HRESULT HandOverCallbacks();
    // Every image control of the container (or every child window of the
    // in-place frame window that answers the query message), each with a
    // reference.
    void CollectImageControls(std::vector<ImageControlInterface*>& found);
    // The services of the client pushed into the engine (null: none).
    void PushHostServices();

    ImageControlInterface* imageControl_ = nullptr; // one reference while bound
    IAnnotateServer7* annotateServer_ = nullptr;    // one reference while bound
    int viewMode_ = 0;

    bool saveSuppressed_ = true;  // the client lets saving happen (SetSaveSuppressed)

    quillmark::EngineLink link_;
    quillmark::ControlFonts fonts_;
    quillmark::DefaultsCache defaults_;

    HWND hostWindow_ = nullptr; // the client's window, once bound
    // The bound client's service table and the cookie its services take;
    // null while no client has handed its table over.
    HostServiceTable* hostServices_ = nullptr;
    HostCookie hostCookie_ = 0;

    int reportedLayer_ = 0;
    HICON designIcon_ = nullptr;
    bool preserveWTLayers_ = false;
    bool toolPalette_ = true;
    LONG tiffAnnotationType_ = 0;      // 0 Wang layout, 1 the engine's own stream
    VARIANT_BOOL enableContextMenu_ = VARIANT_TRUE; // while no engine is loaded
    VARIANT_BOOL allowPaint_ = VARIANT_TRUE;
    VARIANT_BOOL allowUserGrouping_ = VARIANT_FALSE;
    BSTR client_ = nullptr;
    bool noClient_ = false;
    std::vector<std::wstring> offeredClients_; // the names last offered for Client, by cookie
};

// The process-wide callback table, cleared and filled anew
// (host_callbacks.cpp); its entries take the QuillmarkControl as ctx.
HostCallbackTable* FilledHostCallbackTable();
