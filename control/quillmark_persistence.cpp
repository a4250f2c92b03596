// The control's persisted properties. The stream form (version 0x0710):
// the version word, the extent width and height in HIMETRIC, then each
// property below in this order as its VARTYPE and value, read and written
// through the control's own IDispatch get and put.
#include "quillmark_control.h"

namespace {

// The system's stock colour and font property pages.
const CLSID kColorPage = {0x7EBDAAE1, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
const CLSID kFontPage = {0x7EBDAAE0, 0x8120, 0x11CF, {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};

const DWORD kStreamVersion = 0x0710;

const comkit::PersistedProperty kProperties[] = {
    {L"Client", 1, VT_BSTR, nullptr},
    {L"DefaultPenColor", 9, VT_UI4, &kColorPage},
    {L"DefaultFillColor", 10, VT_UI4, &kColorPage},
    {L"DefaultPenWidth", 12, VT_I4, nullptr},
    {L"DefaultTextColor", 15, VT_UI4, &kColorPage},
    {L"DefaultTool", 16, VT_I4, &CLSID_NoteProps},
    {L"DefaultBackColor", 17, VT_UI4, &kColorPage},
    {L"DefaultTextFont", 54, VT_DISPATCH, &kFontPage},
    {L"DefaultStampFont", 22, VT_DISPATCH, &kFontPage},
    {L"Subject", 51, VT_BSTR, &CLSID_NoteProps},
    {L"Author", 52, VT_BSTR, &CLSID_NoteProps},
    {L"Comments", 49, VT_BSTR, &CLSID_NoteProps},
    {L"Title", 50, VT_BSTR, &CLSID_NoteProps},
    {L"DefaultHighlightFill", 70, VT_BOOL, &CLSID_NoteProps},
    {L"DefaultHighlightBack", 71, VT_BOOL, &CLSID_NoteProps},
    {L"EnableContextMenu", 80, VT_BOOL, &CLSID_NoteProps},
    {L"InteractMode", 170, VT_I4, nullptr},
    {L"SaveAnnotations", 171, VT_BOOL, nullptr},
    {L"UsePaletteMenu", 196, VT_BOOL, nullptr},
    {L"DefaultStampText", 198, VT_BSTR, &CLSID_NoteProps},
    {L"DefaultButtonFont", 241, VT_DISPATCH, &kFontPage},
    {L"DefaultButtonText", 242, VT_BSTR, &CLSID_NoteProps},
    {L"PreserveWTLayers", 243, VT_BOOL, &CLSID_NoteProps},
    {L"RequireToolPalette", 248, VT_BOOL, &CLSID_NoteProps},
    {L"TIFFAnnotationType", 253, VT_I4, &CLSID_NoteProps},
    {L"AllowPaint", 256, VT_BOOL, &CLSID_NoteProps},
    {L"UnicodeMode", 332, VT_BOOL, nullptr},
    {L"QMKEditors", 333, VT_BOOL, nullptr},
    {L"LoadAnnotations", 281, VT_BOOL, nullptr},
    {L"MLECompatible", 331, VT_BOOL, nullptr},
    {L"FontScaling", 330, VT_I4, nullptr},
    {L"TextToolArrows", 334, VT_BOOL, nullptr},
    {L"RecalibrateXDPI", 335, VT_I4, nullptr},
    {L"RecalibrateYDPI", 336, VT_I4, nullptr},
    {L"DefaultRulerFont", 400, VT_DISPATCH, &kFontPage},
};
static_assert(sizeof kProperties / sizeof kProperties[0] == 35, "35 persisted properties");

} // namespace

comkit::PropertyMap QuillmarkControl::PersistedProperties() {
    return {kProperties, sizeof kProperties / sizeof kProperties[0], kStreamVersion};
}
