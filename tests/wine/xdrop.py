#!/usr/bin/env python3
# Drops files on a window of the X display as an X file manager does, through Wine's older
# drag-and-drop protocol: the paths in the root window's DndSelection property, then a
# DndProtocol message to the window under the pointer. Wine turns it into WM_DROPFILES for a
# window that accepts files.
#   xdrop.py --serve <folder>   until the folder is gone or its caller has ended: for each file
#       "request" that appears there, holding "<x> <y> <path>" (a screen point; a Unix path, or
#       Z:\... as Wine names it), moves the pointer to the point, drops the file, deletes the request.
# DISPLAY names the display.
import ctypes
import os
import sys
import time

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
    [ctypes.c_uint] * 2 + [ctypes.c_int] * 2
x11.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 7
x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                ctypes.c_int, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE, XA_STRING, PROP_MODE_REPLACE, DND_FILES = 33, 31, 0, 3


def drop(display, x, y, path):
    root = x11.XDefaultRootWindow(display)
    x11.XWarpPointer(display, 0, root, 0, 0, 0, 0, x, y)
    x11.XSync(display, 0)
    child, other = ctypes.c_ulong(), ctypes.c_ulong()
    i, u = ctypes.c_int(), ctypes.c_uint()
    x11.XQueryPointer(display, root, ctypes.byref(other), ctypes.byref(child), ctypes.byref(i), ctypes.byref(i),
                      ctypes.byref(i), ctypes.byref(i), ctypes.byref(u))
    if not child.value:
        return
    if path[:2].upper() == "Z:":
        path = path[2:].replace("\\", "/")
    names = path.encode() + b"\0\0"
    x11.XChangeProperty(display, root, x11.XInternAtom(display, b"DndSelection", 0), XA_STRING, 8,
                        PROP_MODE_REPLACE, names, len(names))
    event = ClientMessage(type=CLIENT_MESSAGE, display=display, window=child.value,
                          message_type=x11.XInternAtom(display, b"DndProtocol", 0), format=32)
    event.l[0] = DND_FILES
    x11.XSendEvent(display, child.value, 0, 0, ctypes.byref(event))
    x11.XSync(display, 0)


def serve(folder):
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("xdrop: cannot open the display")
    request = os.path.join(folder, "request")
    parent = os.getppid()
    while os.path.isdir(folder) and os.getppid() == parent:
        if os.path.exists(request):
            with open(request) as f:
                x, y, path = f.read().strip().split(" ", 2)
            drop(display, int(x), int(y), path)
            os.remove(request)
        time.sleep(0.02)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "--serve":
        sys.exit("usage: xdrop.py --serve <folder>")
    serve(sys.argv[2])
