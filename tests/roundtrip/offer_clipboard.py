#!/usr/bin/python3
"""Owns the X CLIPBOARD and offers several targets at once, as a program that copies HTML and
text together does (xclip offers one). Serves until another program takes the clipboard or it
is killed; prints "ready" once it owns the clipboard, then one line "requested TARGET" for
every request it answers, so a caller can tell which flavour the paste took.

    offer_clipboard.py TARGET=FILE [TARGET=FILE ...]     e.g. text/html=t.html UTF8_STRING=t.txt
"""

import sys

from Xlib import X, Xatom, display
from Xlib.protocol import event


def main(argv):
    offers = {}
    for arg in argv:
        target, _, path = arg.rpartition("=")  # a target may hold "=": text/plain;charset=utf-8
        with open(path, "rb") as f:
            offers[target] = f.read()
    d = display.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    clipboard = d.intern_atom("CLIPBOARD")
    targets_atom = d.intern_atom("TARGETS")
    atoms = {d.intern_atom(name): data for name, data in offers.items()}
    window.set_selection_owner(clipboard, X.CurrentTime)
    if d.get_selection_owner(clipboard) != window:
        print("could not take the clipboard", file=sys.stderr)
        return 1
    print("ready", flush=True)
    while True:
        e = d.next_event()
        if e.type == X.SelectionClear:
            return 0
        if e.type != X.SelectionRequest:
            continue
        prop = e.property if e.property != X.NONE else e.target  # an old client names none
        if e.target == targets_atom:
            e.requestor.change_property(prop, Xatom.ATOM, 32, [targets_atom] + list(atoms))
        elif e.target in atoms:
            # One piece: the tables offered here are far below the request size that needs INCR.
            e.requestor.change_property(prop, e.target, 8, atoms[e.target])
        else:
            prop = X.NONE
        print("requested", d.get_atom_name(e.target), flush=True)
        e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                     target=e.target, property=prop))
        d.flush()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
