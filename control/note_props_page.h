#pragma once
// NoteProps: the control's own property page, one dialog for the settings
// that are neither colours nor fonts. It reads the control's properties when
// its dialog is made and writes them back, in a fixed order, on Apply.
#include "comkit/property_page.h"

#include <string>

namespace quillmark {

// A string of the control's: from the satellite library when it has it,
// else the control's own; at most maxChars characters. Empty when neither
// has the string.
std::wstring ControlString(UINT id, int maxChars);

// Opens the control's help file (Quillmark7.chm beside the module) at a
// help context, through the platform's HTML help; a failure when the file or
// the help viewer is missing.
HRESULT OpenControlHelp(HWND owner, DWORD context);

} // namespace quillmark

class NotePropsPage : public comkit::PropertyPage {
public:
    NotePropsPage();

protected:
    void OnInitDialog() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    HRESULT OnApply() override;
    HRESULT OnEditProperty(DISPID dispid) override;
    HRESULT OnTranslateAccelerator(MSG* msg) override;
    HRESULT OnHelp() override;

private:
    // The page's copies of the texts it edits, by dispid.
    std::wstring& Copy(DISPID dispid);
    // The full text of one of the dialog's controls.
    std::wstring Text(int id) const;
    // Stores the summary edit into the copy its tag names.
    void KeepSummaryText();
    // Shows the copy of one summary text and tags the list and edit with it.
    void ShowSummary(DISPID dispid);
    // The dispid the focused control of the page edits (its help context);
    // 0 when the focus is elsewhere.
    DWORD FocusedDispid() const;

    std::wstring comments_, author_, title_, subject_, stampText_, buttonText_;
    bool initialised_ = false;
};
