// HostResources.cpp - the string table and dialog templates for builds without Windows resources,
// made from the same definitions as varnok.rc.
#include "framework/headless/Headless.h"
#include "framework/posix/PosixSystem.h"
#include "res/resource.h"

const HOST_STRING g_hostStrings[] = {
#define VARNOK_STRING(symbol, number, text) {number, text},
#include "res/strings.def"
#undef VARNOK_STRING
    {0, 0},
};

// Each dialog's controls become one array; the templates table then points at them.
#define VARNOK_DIALOG(id, x, y, w, h, style, caption, size, font) static const HEADLESS_CONTROL s_controls##id[] = {
#define VARNOK_CONTROL(text, id, cls, style, x, y, w, h) {text, id, cls, static_cast<DWORD>(style)},
#define VARNOK_DIALOG_END() \
  { 0, 0, 0, 0 }            \
  }                         \
  ;
#include "res/dialogs.def"
#undef VARNOK_DIALOG
#undef VARNOK_CONTROL
#undef VARNOK_DIALOG_END

const HEADLESS_DLGTEMPLATE g_headlessTemplates[] = {
#define VARNOK_DIALOG(id, x, y, w, h, style, caption, size, font) \
  {id, caption, static_cast<DWORD>(style), s_controls##id},
#define VARNOK_CONTROL(text, id, cls, style, x, y, w, h)
#define VARNOK_DIALOG_END()
#include "res/dialogs.def"
#undef VARNOK_DIALOG
#undef VARNOK_CONTROL
#undef VARNOK_DIALOG_END
    {0, 0, 0, 0},
};
