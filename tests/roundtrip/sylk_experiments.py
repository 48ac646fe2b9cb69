#!/usr/bin/python3
"""What LibreOffice Calc makes of SYLK pasted from the X clipboard: for each form of a record,
the cells read back and whether they are exactly the cells meant. The SYLK clipboard writer is
built on these answers; run this again when LibreOffice changes.

    sylk_experiments.py [--only WORD] [--locale LOCALE] [--display DISPLAY]

--locale starts Calc under that locale (LANG and LC_ALL; C.UTF-8 by default), to see which
character set Calc reads the SYLK bytes in.
Exits 77 when Calc cannot be driven here.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import calc  # noqa: E402

TARGET = 'application/x-openoffice-sylk;windows_formatname="Sylk"'


def sylk(*records, head="ID;PPARVEX", end="E"):
    lines = ([head] if head else []) + list(records) + ([end] if end else [])
    return ("\r\n".join(lines) + "\r\n").encode()


def cell(x, y, text):
    return f'C;X{x};Y{y};K"{text}"'


def middle(text):
    return [["L", text, "R"]]


def one(text):
    """A row of three cells: the cell under test, as written, between two plain cells."""
    return sylk(cell(1, 1, "L"), cell(2, 1, text), cell(3, 1, "R"))


# (name, SYLK bytes, the cells meant)
ESCAPES = [
    ("semicolon doubled", one("a;;b"), middle("a;b")),
    ("semicolons doubled at both ends", one(";;a;;"), middle(";a;")),
    ("three semicolons", one(";;;;;;"), middle(";;;")),
    ("quote as it stands", one('"阿飞"'), middle('"阿飞"')),
    ("quote before a semicolon", one('a";;b'), middle('a";b')),
    ("quote and semicolon at the end", one('x";;'), middle('x";')),
    ("two quotes", one('""'), middle('""')),
    ("line break as ESC SPACE :", one("a\x1b :b"), middle("a\nb")),
    ("two line breaks", one("a\x1b :\x1b :b"), middle("a\n\nb")),
    ("line break at the end", one("a\x1b :"), middle("a\n")),
    ("TAB", one("左\t右"), middle("左\t右")),
    ("control bytes 01 0B 0C 7F", one("a\x01b\x0bc\x0cd\x7fe"), middle("a\x01b\x0bc\x0cd\x7fe")),
    ("leading and trailing spaces", one("  a  "), middle("  a  ")),
]

TEXT_CELLS = [
    ("numbers and formulas stay text",
     sylk(cell(1, 1, "001"), cell(2, 1, "110101200701011234"), cell(3, 1, "3/4"), cell(4, 1, "=A1"),
          cell(5, 1, "TRUE"), cell(6, 1, "'q"), cell(7, 1, "1E3"), cell(8, 1, "12%"), cell(9, 1, "2024-09-01")),
     [["001", "110101200701011234", "3/4", "=A1", "TRUE", "'q", "1E3", "12%", "2024-09-01"]]),
    ("Chinese (UTF-8)", one("高一(1)班 王芳"), middle("高一(1)班 王芳")),
    ("a 100,000-byte cell", one("x" * 100000), middle("x" * 100000)),
    # C;X2;Y1;K" is 10 bytes: a record line of 65,534 bytes, then of 65,535 ending in "z".
    ("a record of 65,534 bytes", one("x" * 65523), middle("x" * 65523)),
    ("a record of 65,535 bytes", one("x" * 65523 + "z"), middle("x" * 65523 + "z")),
    ("NUL byte: Calc ends the cell there", one("a\x00b"), middle("ab")),
    ("a 70,000-byte cell of Chinese", one("飞" * 23334), middle("飞" * 23334)),
]

RECORDS = [
    ("Y left out after a row's first cell",
     sylk('C;Y1;X1;K"a"', 'C;X2;K"b"', 'C;Y2;X1;K"c"', 'C;X3;K"d"'), [["a", "b", ""], ["c", "", "d"]]),
    ("no ID record", sylk(cell(1, 1, "a;;b"), head=""), [["a;b"]]),
    ("no E record", sylk(cell(1, 1, "a"), cell(2, 1, "b"), end=""), [["a", "b"]]),
    ("LF line ends", b'ID;PPARVEX\nC;X1;Y1;K"a"\nC;X2;Y1;K"b"\nE\n', [["a", "b"]]),
    ("empty cells between", sylk(cell(1, 1, "a"), cell(3, 1, "c"), cell(2, 3, "e")),
     [["a", "", "c"], ["", "", ""], ["", "e", ""]]),
    ("K\"\" for an empty cell", sylk(cell(1, 1, "a"), cell(2, 1, ""), cell(3, 1, "c")), [["a", "", "c"]]),
    ("K\"\" past the last cell", sylk(cell(1, 1, "a"), cell(2, 2, "")), [["a"]]),
]

GROUPS = [("escapes", ESCAPES), ("text cells", TEXT_CELLS), ("records", RECORDS)]


def describe(sheet):
    out = []
    for row in sheet.cells:
        shown = []
        for t, k in row:
            t = t if len(t) < 40 else f"{t[:12]}...({len(t)} chars)"
            if k == "TEXT" and not t:
                shown.append("(a text cell holding nothing)")
            else:
                shown.append(t if k in ("TEXT", "EMPTY") else f"{t} ({k.lower()})")
        out.append(shown)
    return out


def exact(meant, sheet):
    width = max(len(r) for r in meant)
    got = [[(t, k) for t, k in row] for row in sheet.cells]
    padded = [list(r) + [""] * (width - len(r)) for r in meant]
    # Trailing empty rows and columns are not in the used area.
    while padded and not any(padded[-1]):
        padded.pop()
    return len(got) == len(padded) and all(
        all(k in ("TEXT", "EMPTY") and t == m for (t, k), m in zip(g, p)) and len(g) >= len([m for m in p if m])
        for g, p in zip(got, padded))


def run_cases(session, doc, only):
    calc.paste_cases(session, doc, GROUPS, only, TARGET, exact, describe)


def over_old_cells(session, doc):
    """A paste over cells that hold something: which old cells an absent record or K"" leaves."""
    print("== pasted over old cells (A1:C2 held old)")
    for name, data in (("no record for B1, B2, C2", sylk(cell(1, 1, "a"), cell(3, 1, "c"), cell(1, 2, "d"))),
                       ('K"" for B1, B2, C2', sylk(cell(1, 1, "a"), cell(2, 1, ""), cell(3, 1, "c"), cell(1, 2, "d"),
                                                   cell(2, 2, ""), cell(3, 2, "")))):
        sheets = doc.Sheets
        sheet_name = f"old{sheets.Count}"
        sheets.insertNewByName(sheet_name, sheets.Count)
        sheet = sheets.getByName(sheet_name)
        for r in range(3):
            for c in range(4):
                sheet.getCellByPosition(c, r).setString("old")
        session.clipboard.offer(data, TARGET)
        # paste_into_new_sheet makes a sheet of its own; paste into this one instead.
        controller = doc.CurrentController
        controller.setActiveSheet(sheet)
        controller.select(sheet.getCellRangeByName("A1"))
        session.clipboard.settle()
        session._dispatch(doc, ".uno:Paste")
        print(f"  {name}: {describe(calc.read_sheet(sheet))!r}")


def beside_others(session, doc):
    """SYLK with other targets, and which one Calc takes."""
    print("== SYLK offered with other targets")
    data = sylk(cell(1, 1, "from sylk"), cell(2, 1, "001"))
    html = b"<table><tr><td>from html</td><td sdnum=;;@>001</td></tr></table>"
    text = b"from text\t001"
    for targets in ({TARGET: data, "UTF8_STRING": text},
                    {"text/html": html, TARGET: data, "UTF8_STRING": text},
                    {TARGET: data, "text/plain;charset=utf-8": text, "UTF8_STRING": text}):
        session.clipboard.offer_many(targets)
        asked_before = len(session.dialogs_answered)
        sheet = session.paste_into_new_sheet(doc, f"both{doc.Sheets.Count}")
        print(f"  offered {list(targets)}: requested {session.clipboard.requested()}, pasted {describe(sheet)!r}, "
              f"dialogs {session.dialogs_answered[asked_before:]}")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--only", help="run only the cases whose name or group holds this")
    parser.add_argument("--locale", help="LANG and LC_ALL for Calc (C.UTF-8 by default)")
    parser.add_argument("--display", help="an X display to use instead of an Xvfb of its own")
    args = parser.parse_args(argv)
    if args.locale:
        display_init = calc.Display.__init__

        def with_locale(self, display=None):
            display_init(self, display)
            self.env.update(LANG=args.locale, LC_ALL=args.locale)

        calc.Display.__init__ = with_locale
    return calc.run_experiments(args.display, args.only, run_cases,
                                (("over old cells", over_old_cells), ("beside others", beside_others)))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
