#pragma once
// The host's one window: the image view and the annotation control side by
// side (the annotation control a strip at the right), bound to each other,
// with buttons to pick the commonest tools and to save, and a line that says
// what happened last. Once a page is shown, the engine's tool palette stands
// over the strip with a button for every tool; palette menus and the context
// menu of annotations are on. Every part carries its component name:
//   HostForm, PointerButton, RectangleButton, EllipseButton, SaveButton,
//   StatusLabel, EventLabel, Viewer1 (the image view's site), Annotations1,
//   and ToolPalette (the palette's own top-level window) with PaletteButtons
//   (its bar of buttons).
#include "forms/activex_site.h"
#include "forms/button.h"
#include "forms/form.h"
#include "forms/label.h"

#include <memory>
#include <string>
#include <vector>

namespace host {

class HostForm : public forms::Form {
public:
    HostForm();
    ~HostForm() override;

    // Shows the TIFF file at path with its annotations; false (and the
    // reason on the status line) when it cannot.
    bool Open(const std::wstring& path);
    // Saves the shown file with its annotations in place.
    bool Save();
    // Picks the annotation control's current tool.
    bool PickTool(long tool);
    // Whether the page shown has changes not saved (asks the view).
    bool Unsaved();

private:
    // The annotation control's member name through IDispatch.
    HRESULT Invoke(forms::ActiveXSite& site, const wchar_t* name, WORD flags, VARIANT* args,
                   UINT count, VARIANT* result, std::wstring* error);
    // A method of the annotation control with its arguments in order (they
    // are cleared); result, when given, receives its value as a number.
    HRESULT Call(const wchar_t* name, std::vector<VARIANT> args, long* result,
                 std::wstring* error);
    HRESULT PutText(forms::ActiveXSite& site, const wchar_t* name, const std::wstring& text,
                    std::wstring* error);
    HRESULT PutLong(forms::ActiveXSite& site, const wchar_t* name, long value,
                    std::wstring* error);
    HRESULT PutFlag(forms::ActiveXSite& site, const wchar_t* name, bool value,
                    std::wstring* error);
    long GetLong(forms::ActiveXSite& site, const wchar_t* name);
    void Bind();
    void EnsureLayer();
    // Shows the palette for the current layer, with its menus and the
    // context menu on.
    void ShowPalette();
    // What the host tells of the annotations it shows.
    std::wstring CountText();
    // The palette's frame, or null while there is none.
    HWND PaletteWindow();
    // Puts the palette over the strip at the right of the window.
    void PlacePalette();
    // The palette buttons' menus: colours, font and pen width of the tool.
    void AddPaletteMenus(long layer);
    void TickPenWidth(long tool, long width);
    void OnPaletteMenu(long tool, long item, long subItem);
    // Gives the picture tool a copy of the picture.
    HRESULT GivePicture(HGLOBAL picture, std::wstring* error);
    // The "Picture..." row: a .bmp file chosen in the open dialog becomes
    // the picture tool's; one that is not a usable picture leaves the old.
    void ChoosePicture();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void SetStatus(const std::wstring& text);
    // Asks the view again whether there are unsaved changes and shows it on
    // the status line.
    void RefreshUnsaved();
    // Before the window closes with unsaved changes: Save, Don't save or
    // Cancel; false keeps the window.
    bool MayClose();
    void OnAnnotationEvent(DISPID id, const DISPPARAMS& params);

    std::unique_ptr<forms::ActiveXSite> viewer_;
    std::unique_ptr<forms::ActiveXSite> annotations_;
    std::unique_ptr<forms::Button> pointer_, rectangle_, ellipse_, save_;
    std::unique_ptr<forms::Label> status_, events_;
    std::wstring path_;
    HGLOBAL picture_ = nullptr;  // what the picture tool places, the host's own
    int eventCount_ = 0;
    bool palettePlaced_ = false;
    bool paletteHidden_ = false;  // with the minimised window
    std::wstring statusText_;     // the status line without the unsaved mark
    bool unsaved_ = false;
    bool refreshPosted_ = false;
};

} // namespace host
