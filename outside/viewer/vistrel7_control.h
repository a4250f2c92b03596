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
#include "comkit/control_base.h"
#include "comkit/dispatch.h"

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
                        public ISupportErrorInfo {
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

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

protected:
    void* FindInterface(REFIID riid) override;
    void OnDraw(HDC dc, const RECT& bounds) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

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
