#pragma once
// TVistrel7_: an instance of the outside image-viewing control placed in a
// form. It hosts the control through a container site and calls it through
// its automation interface by member name. When the control cannot be
// created the view stays an empty window and every call does nothing.
//
// A file the control refuses leaves the view empty, and in the picture's
// place a note (the component "<view name>Note") names the file and says why
// it cannot be shown. The next file shown, or clearing the view, removes it.
#include "forms/activex_site.h"
#include "forms/control.h"
#include "forms/label.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

// The integer properties the program reads and writes: name, readable, writable.
#define VISTREL_INT_PROPERTIES(X)      \
    X(IBPP, true, false)               \
    X(IWidth, true, false)             \
    X(IHeight, true, false)            \
    X(ScrollX, true, true)             \
    X(ScrollY, true, true)             \
    X(ScrollBars, true, true)          \
    X(SaveTIFFCompression, true, true)

class TVistrel7_ : public forms::Component {
public:
    TVistrel7_(forms::Control& parent, const std::string& name, const forms::Rect& bounds);
    ~TVistrel7_() override;

    // Whether the control could be created.
    bool Hosted() const { return site_.GetDispatch() != nullptr; }

    std::string FileName();
    // Loads an image ("" clears the view); false when the control refused it,
    // in which case the view is empty and shows the reason in its place.
    bool SetFileName(const std::string& path);
    // The reason shown in the picture's place, or "" while there is none.
    std::string Note() const;
    std::string SaveFileName();
    void SetSaveFileName(const std::string& path);
    double IPZoomF();

#define VISTREL_INT_ACCESSORS(Name, readable, writable) \
    int Name() { return GetInt(L## #Name); }            \
    void Set##Name(int value) { PutInt(L## #Name, value); }
    VISTREL_INT_PROPERTIES(VISTREL_INT_ACCESSORS)
#undef VISTREL_INT_ACCESSORS

    void ZoomToFit(int mode);
    void Zoom(double factor);
    bool SaveFile();
    // A packed DIB of the shown picture that the caller frees (GlobalFree), or null.
    HGLOBAL CopyDIB();
    // Shows a copy of the packed DIB; the caller keeps and frees its handle.
    void SetHDIB(HGLOBAL dib);

    std::function<void()> OnDblClick;
    std::function<void()> OnScroll;

    void SetBounds(const forms::Rect& bounds) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    DISPID IdOf(const wchar_t* member);
    HRESULT Call(const wchar_t* member, WORD flags, VARIANT* args, UINT count, VARIANT* result);
    int GetInt(const wchar_t* member);
    void PutInt(const wchar_t* member, int value);
    std::string GetString(const wchar_t* member);
    bool PutString(const wchar_t* member, const std::string& value);
    void OnEvent(DISPID id);
    void ShowNote(const std::string& text);
    void PlaceNote();

    forms::ActiveXSite site_;
    std::map<std::wstring, DISPID> ids_;
    std::string lastError_;   // the control's description of its last failure
    std::unique_ptr<forms::Label> note_;
};

} // namespace platform
