// The class table of inkctl7.dll: the control and its property page.
#include "comkit/module.h"

#include "control_resources.h"
#include "note_props_page.h"
#include "quillmark_control.h"

namespace {

// Recompose on resize, inside-out, activate when visible, can't link inside,
// invisible at run time, set client site first.
const DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                          OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_CANTLINKINSIDE |
                          OLEMISC_INVISIBLEATRUNTIME | OLEMISC_SETCLIENTSITEFIRST;

const comkit::ClassVerb kControlVerbs[] = {{1, L"&Properties,0,2"}};

const comkit::ClassEntry kClasses[] = {
    {&CLSID_Quillmark, &comkit::CreateObject<QuillmarkControl>, L"MorvaneImaging.Quillmark.7",
     L"MorvaneImaging.Quillmark", L"Morvane Quillmark Control v7.0", L"Apartment", true,
     kMiscStatus, &LIBID_QUILLM70Lib, 1, 0, IDB_TOOLBOX, L"Quillmark Class", true, true,
     kControlVerbs, 1, true, false},
    {&CLSID_NoteProps, &comkit::CreateObject<NotePropsPage>, L"MorvaneImaging.NoteProps.7",
     L"MorvaneImaging.NoteProps", L"NoteProps Class", L"Apartment", false, 0, nullptr, 0, 0, 0,
     nullptr, true, false, nullptr, 0, true, true},
};

} // namespace

comkit::ClassTable comkit::ServerClasses() {
    return {kClasses, sizeof kClasses / sizeof kClasses[0]};
}
