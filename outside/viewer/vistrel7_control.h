#pragma once
// The Vistrel 7 image view control: shows one page image, zoomed and
// scrolled, in its window; loads TIFF and BMP, saves TIFF, and hands the
// picture over as a packed DIB. Failures come back as an error HRESULT with
// a description (IErrorInfo, and the LastError property); the control never
// shows a message box.
//
// Its window's text is the loaded file's name, and it answers the state
// query of vistrel7_state_query.h, so that another process can tell what it
// shows. Child windows (a host's tool bars) may sit on it.
//
// It is also a client of an annotation control (image_client.h): it answers
// the query message on its window, takes the control's entries, hands over
// its services (vistrel7_services.cpp), and passes its painting, input and
// TIFF tags to the entries (vistrel7_binding.cpp).
#include "comkit/control_base.h"
#include "comkit/dispatch.h"
#include "image_client.h"

#include "picture.h"
#include "view_layout.h"

#include "vistrel7.h"

#include <string>

// The properties whose get only reads the state: name, type, value.
#define VISTREL7_READ_PROPERTIES(X)                                                         \
    X(IWidth, LONG, picture_.Width())                                                       \
    X(IHeight, LONG, picture_.Height())                                                     \
    X(IBPP, LONG, picture_.BitsPerPixel())                                                  \
    X(IPZoomF, DOUBLE, zoom_)                                                               \
    X(ScrollX, LONG, scrollX_)                                                              \
    X(ScrollY, LONG, scrollY_)                                                              \
    X(ScrollBars, LONG, scrollBars_)                                                        \
    X(SaveTIFFCompression, LONG, saveCompression_)

// The text properties whose get hands out a copy: name, member.
#define VISTREL7_TEXT_PROPERTIES(X)                                                         \
    X(FileName, fileName_)                                                                  \
    X(SaveFileName, saveFileName_)                                                          \
    X(LastError, lastError_)

class Vistrel7Control : public comkit::Dispatch<IVistrel7>,
                        public comkit::ControlBase,
                        public ISupportErrorInfo,
                        public ImageControlInterface,
                        public ImageControlSupport {
public:
    Vistrel7Control();
    ~Vistrel7Control() override;

    COMKIT_CONTROL_IUNKNOWN

#define VISTREL7_DECLARE_GET(name, type, value) STDMETHODIMP get_##name(type* result) override;
    VISTREL7_READ_PROPERTIES(VISTREL7_DECLARE_GET)
#undef VISTREL7_DECLARE_GET
#define VISTREL7_DECLARE_TEXT_GET(name, member) STDMETHODIMP get_##name(BSTR* result) override;
    VISTREL7_TEXT_PROPERTIES(VISTREL7_DECLARE_TEXT_GET)
#undef VISTREL7_DECLARE_TEXT_GET

    STDMETHODIMP put_FileName(BSTR value) override;
    STDMETHODIMP put_SaveFileName(BSTR value) override;
    STDMETHODIMP put_SaveTIFFCompression(LONG value) override;
    STDMETHODIMP put_ScrollX(LONG value) override;
    STDMETHODIMP put_ScrollY(LONG value) override;
    STDMETHODIMP put_ScrollBars(LONG value) override;
    STDMETHODIMP put_hDIB(LONG value) override;
    STDMETHODIMP ZoomToFit(LONG mode) override;
    STDMETHODIMP Zoom(DOUBLE factor) override;
    STDMETHODIMP SaveFile() override;
    STDMETHODIMP CopyDIB(LONG* handle) override;
    STDMETHODIMP get_AnnotationsChanged(VARIANT_BOOL* value) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // ImageControlInterface (vistrel7_binding.cpp)
    STDMETHODIMP ReleaseAnnotateServer() override;
    STDMETHODIMP SetAnnotateServer(IAnnotateServer7* server) override;
    STDMETHODIMP Unused() override;
    STDMETHODIMP SetAnnotationCallbacks(HostContext ctx, HostCallbackTable* table) override;
    STDMETHODIMP GetControlName(BSTR* name) override;

protected:
    void* FindInterface(REFIID riid) override;
    void OnDraw(HDC dc, const RECT& bounds) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
    void OnAmbientChanged(DISPID id) override;

private:
    // Errors: the description goes to LastError and IErrorInfo.
    HRESULT Fail(HRESULT hr, const std::wstring& description);
    void Succeeded() { lastError_.clear(); }

    // Shows picture under name ("" for none), at the current zoom, scrolled
    // to the top-left corner.
    void Show(viewer::Picture picture, const std::wstring& name);

    // --- the view (vistrel7_window.cpp) ---
    // The client area with no scroll bar shown; the extent when there is no
    // window.
    SIZE ViewArea() const;
    viewer::ViewLayout CurrentLayout() const;
    // Clamps the scroll position, sets the scroll bars and repaints.
    void UpdateView();
    void SetZoomKeepingCentre(double zoom);
    // Moves to position on a bar (SB_HORZ, SB_VERT) for the user; fires
    // Scroll when the position changed.
    void ScrollByUser(int bar, int position);
    void OnScrollMessage(int bar, WPARAM wp);
    void OnMouseWheel(WPARAM wp);
    LRESULT AnswerStateQuery(WPARAM field) const;
    void SyncWindowText();

    // --- the binding (vistrel7_binding.cpp) ---
    bool Bound() const { return table_ != nullptr; }
    void Unbind();
    // Hands the annotation tags of the shown picture to the entries; the
    // annotations of a picture shown before are cleared first when clear.
    void LoadTagAnnotations(bool clear);
    // Asks the entries for the annotations to save and keeps them as their
    // tag of the picture.
    void TakeTagAnnotations();
    // What the entries would save now (no bytes when nothing), and its tag.
    void AskTagAnnotations(std::vector<uint8_t>* bytes, int* tag);
    void PaintAnnotations(HDC dc, const RECT& bounds);
    // Passes a mouse, key or focus message to the entries; true when they
    // handled it.
    bool ForwardInput(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT AnswerControlQuery(WPARAM wp, LPARAM lp);
    void GiveHostWindow();

    // --- the services (vistrel7_services.cpp) ---
    static HostServiceTable MakeServices();
    static Vistrel7Control* FromCookie(HostCookie cookie);
    void Geometry(int* kind, RECT* view, RECT* image, int* width, int* height) const;
    void FixedGeometry(int* kind, RECT* view, RECT* image, int* width, int* height) const;
    void Resolution(double* x, double* y) const;
    HGLOBAL CopyOfImage() const;
    int ReplaceImage(HGLOBAL dib);
    void NoteCurrentLayerChanged(int active);
    void ForceUpdate();
    static int __stdcall ServiceGetImageDib(HostCookie cookie, HGLOBAL* image, BOOL* mustFree);
    static int __stdcall ServiceSetImageDib(HostCookie cookie, HGLOBAL image);
    static int __stdcall ServiceCurrentLayerChanged(HostCookie cookie, int active);
    static int __stdcall ServiceHostDrawCall(int dc, int picture, int transparent, int colour,
                                             int x, int y, int width, int height, int sourceX,
                                             int sourceY, int pictureWidth, int pictureHeight);
    static int __stdcall ServiceGetViewGeometry(HostCookie cookie, int* kind, RECT* view,
                                                RECT* image, int* width, int* height);
    static int __stdcall ServiceMapHostValue(HostCookie cookie, int picture, int code);
    static int __stdcall ServiceGetFixedViewGeometry(HostCookie cookie, int* kind, RECT* view,
                                                     RECT* image, int* width, int* height);
    static int __stdcall ServiceForceUpdate(HostCookie cookie);
    static int __stdcall ServiceGetResolution(HostCookie cookie, double* x, double* y);
    static int __stdcall ServiceSetViewGeometry(HostCookie cookie, int value);

    IAnnotateServer7* server_ = nullptr;
    HostContext ctx_ = nullptr;
    HostCallbackTable* table_ = nullptr;
    HostServiceTable services_;
    HostCookie cookie_ = 0;
    // While the tags of a load are handed over: whether the entries took
    // them (they report the current layer that the load made).
    bool handingTags_ = false;
    bool tagsTaken_ = false;
    // The tag whose annotations the entries hold (0: none): a save that
    // gets no annotations drops it, since they were deleted.
    int annotationTag_ = 0;
    // What AnnotationsChanged compares with: the annotations as they were
    // saved or first asked about after an opening, and whether the pixels
    // were replaced since.
    bool haveBaseline_ = false;
    std::vector<uint8_t> baseline_;
    int baselineTag_ = 0;
    bool pixelsChanged_ = false;

    viewer::Picture picture_;
    std::wstring fileName_;
    std::wstring saveFileName_;
    std::wstring lastError_;
    LONG saveCompression_ = 0;
    double zoom_ = 1.0;
    LONG scrollX_ = 0;
    LONG scrollY_ = 0;
    LONG scrollBars_ = viewer::BothBars;
    int wheelRemainder_ = 0;
    bool updatingBars_ = false;
};
