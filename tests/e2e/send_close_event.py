#!/usr/bin/env python3
"""Asks an X window to close as a window manager's close button does: a WM_PROTOCOLS client
message carrying WM_DELETE_WINDOW. A bare Xvfb has no window manager to send it, and xdotool
can only destroy a window, which is not what a user's close does.
Usage: send_close_event.py WINDOW_ID   (on $DISPLAY)"""

import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    # Xlib's XEvent is padded to 24 longs; XSendEvent reads that much.
    _fields_ = [("client_message", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


class CloseEventSender:
    """One connection to the display, kept open so that sending costs no start-up."""

    def __init__(self, display_name=None):
        path = ctypes.util.find_library("X11")
        if path is None:
            raise OSError("libX11 not found")
        self.xlib = ctypes.CDLL(path)
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XInternAtom.restype = ctypes.c_ulong
        self.xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                         ctypes.POINTER(XEvent)]
        self.xlib.XFlush.argtypes = [ctypes.c_void_p]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.xlib.XOpenDisplay(display_name.encode() if display_name else None)
        if not self.display:
            raise OSError("cannot open display %s" % display_name)
        self.protocols = self.xlib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        self.delete_window = self.xlib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)

    def send(self, window):
        event = XEvent()
        message = event.client_message
        message.type = CLIENT_MESSAGE
        message.window = window
        message.message_type = self.protocols
        message.format = 32
        message.data[0] = self.delete_window
        message.data[1] = 0  # CurrentTime
        if not self.xlib.XSendEvent(self.display, window, 0, NO_EVENT_MASK, ctypes.byref(event)):
            raise OSError("XSendEvent failed")
        self.xlib.XFlush(self.display)

    def close(self):
        if self.display:
            self.xlib.XCloseDisplay(self.display)
            self.display = None


def main():
    sender = CloseEventSender()
    sender.send(int(sys.argv[1], 0))
    sender.close()


if __name__ == "__main__":
    main()
