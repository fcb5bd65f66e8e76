#!/usr/bin/python3
"""Asks a window to close as a window manager's close button does
(WM_PROTOCOLS / WM_DELETE_WINDOW). Usage: xclose.py WINDOW_ID"""
import sys

from Xlib import X, display, protocol

d = display.Display()
target = d.create_resource_object("window", int(sys.argv[1], 0))
protocols = d.intern_atom("WM_PROTOCOLS")
delete = d.intern_atom("WM_DELETE_WINDOW")
event = protocol.event.ClientMessage(window=target, client_type=protocols,
                                     data=(32, [delete, X.CurrentTime, 0, 0, 0]))
target.send_event(event, event_mask=0)
# A round trip: the server has handled the request before this client goes.
d.sync()
d.close()
