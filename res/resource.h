// resource.h - every resource id of the program, shared by varnok.rc and the code.
#ifndef VARNOK_RES_RESOURCE_H
#define VARNOK_RES_RESOURCE_H

// Dialog templates and the icon.
#define IDD_VARNOK_DIALOG 101
#define IDD_ABOUTBOX 103
#define IDR_MAINFRAME 107

// Controls of the main dialog.
#define IDC_PORT 1000
#define IDC_PORT_LABEL 1001
#define IDC_FILE 1002
#define IDC_FILE_LABEL 1003
#define IDC_BROWSE 1004
#define IDC_PROGRESS 1006
#define IDC_STATUS 1007
#define IDC_EXECUTE 1011
#define IDC_ADDRESS_LABEL 1015
#define IDC_ADDRESS 1016

// Controls of the About box.
#define IDC_ABOUT_VERSION 1008
#define IDC_ABOUT_NOTE 1009
#define IDC_ABOUT_HARDWARE 1010
#define IDC_ABOUT_SYSTEMS 1012
#define IDC_ABOUT_ICON 1013

// The About entry of the system menu.
#define IDM_ABOUTBOX 0x1000

// Strings.
#ifndef RC_INVOKED
enum {
#define VARNOK_STRING(symbol, number, text) symbol = number,
#include "strings.def"
#undef VARNOK_STRING
};
#endif

#endif  // VARNOK_RES_RESOURCE_H
