#!/usr/bin/python3
"""A one-line GTK 3 entry for end-to-end tests; its text is written to a file
after every change.

  gtk_entry.py --out FILE [--password] [--grab] [--title TITLE]

--password hides what is typed, as a password field does. --grab takes the
whole keyboard once the window shows, as a screen locker or a password prompt
does, and then writes FILE.grabbed.
"""
import argparse
import os

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

# A window that has just been mapped may not be viewable yet: the grab is
# tried again this often until it holds.
GRAB_RETRY_MS = 50


def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as file:
        file.write(text)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--password", action="store_true")
    parser.add_argument("--grab", action="store_true")
    parser.add_argument("--title", default="Quillo test entry")
    args = parser.parse_args()

    window = Gtk.Window(title=args.title)
    window.set_default_size(400, 40)
    entry = Gtk.Entry()
    entry.set_visibility(not args.password)
    entry.connect("changed", lambda widget: write_atomically(args.out, widget.get_text()))
    window.add(entry)
    window.connect("destroy", Gtk.main_quit)
    write_atomically(args.out, "")

    def grab():
        seat = Gdk.Display.get_default().get_default_seat()
        status = seat.grab(window.get_window(), Gdk.SeatCapabilities.KEYBOARD, False, None, None, None)
        if status != Gdk.GrabStatus.SUCCESS:
            return GLib.SOURCE_CONTINUE
        write_atomically(args.out + ".grabbed", "")
        return GLib.SOURCE_REMOVE

    if args.grab:
        window.connect("map-event", lambda *_: GLib.timeout_add(GRAB_RETRY_MS, grab) and False)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
