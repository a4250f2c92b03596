#pragma once
// Resource numbers of inkctl7.dll.

#define IDI_DESIGN 1           // drawn at design time
#define IDB_TOOLBOX 101        // the container's toolbox picture
#define IDB_PRODUCT 201        // the picture of the About dialog
#define IDD_ABOUT 202
#define IDD_NOTEPROPS 106      // the property page NoteProps

#define IDS_PROJNAME 100
#define IDS_PROPERTY_PAGE_TITLE 103
#define IDS_MODULE_NAME 104
#define IDS_FIRST_ERROR 1000   // the error messages, one per engine error code
#define IDS_LAST_ERROR 1050
#define IDS_FIRST_TOOL_NAME 4096
#define IDS_FIRST_SUMMARY_NAME 5000

#define IDC_ABOUT_PICTURE 1001
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_CONTACT 1003

// The controls of the property page; each keeps the dispid it edits.
#define IDC_PAGE_PEN_WIDTH 15
#define IDC_PAGE_TOOL 20
#define IDC_PAGE_STAMP_TEXT 201
#define IDC_PAGE_BUTTON_TEXT 202
#define IDC_PAGE_ALLOW_PAINT 203
#define IDC_PAGE_SUMMARY_TEXT 204
#define IDC_PAGE_SUMMARY_LIST 206
#define IDC_PAGE_HIGHLIGHT_BACK 207
#define IDC_PAGE_HIGHLIGHT_FILL 208
#define IDC_PAGE_CONTEXT_MENU 209
#define IDC_PAGE_SAVE_ANNOTATIONS 210
#define IDC_PAGE_PALETTE_MENU 211
#define IDC_PAGE_PRESERVE_LAYERS 212
#define IDC_PAGE_TOOL_PALETTE 213
#define IDC_PAGE_WANG_TIFF 214
#define IDC_PAGE_FILE_INFORMATION 1101
#define IDC_PAGE_SETTINGS_FRAME 1102
#define IDC_PAGE_PEN_WIDTH_LABEL 1103
#define IDC_PAGE_TOOL_LABEL 1104
#define IDC_PAGE_STAMP_TEXT_LABEL 1105
#define IDC_PAGE_BUTTON_TEXT_LABEL 1106
