// DialogInit.cpp - the templates' initialisation data: the Port box's four bases, in order.
#include "framework/afxwin.h"
#include "res/resource.h"

const AFX_DLGINIT_ITEM g_afxDlgInit[] = {
    {IDD_VARNOK_DIALOG, IDC_PORT, CB_ADDSTRING, "300"},
    {IDD_VARNOK_DIALOG, IDC_PORT, CB_ADDSTRING, "310"},
    {IDD_VARNOK_DIALOG, IDC_PORT, CB_ADDSTRING, "320"},
    {IDD_VARNOK_DIALOG, IDC_PORT, CB_ADDSTRING, "330"},
    {0, 0, 0, 0},
};
