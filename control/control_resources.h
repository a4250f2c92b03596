#pragma once
// Resource numbers of inkctl7.dll.

#define IDI_DESIGN 1           // drawn at design time
#define IDB_TOOLBOX 101        // the container's toolbox picture
#define IDB_PRODUCT 201        // the picture of the About dialog
#define IDD_ABOUT 202

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
