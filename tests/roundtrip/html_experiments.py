#!/usr/bin/python3
"""What LibreOffice Calc makes of HTML pasted from the clipboard (text/html): for each form of a
cell, the cells read back and whether they are exactly the cells meant. The HTML clipboard
writer is built on these answers; run this again when LibreOffice changes.

    html_experiments.py [--capture DIR] [--only WORD]

--capture DIR also copies the roster in Calc and saves its own text/html and text/plain
flavours as DIR/libreoffice_roster.html and DIR/libreoffice_roster.txt.
Exits 77 when Calc cannot be driven here.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import calc  # noqa: E402
import roster  # noqa: E402

NBSP = "\u00a0"


def document(rows, head="", table="<table>"):
    return ("<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + "</head><body>" + table + rows +
            "</table></body></html>")


def one(cell_html, td="<td>"):
    """A document of one row: the cell under test between two plain cells."""
    return document("<tr><td>L</td>" + td + cell_html + "</td><td>R</td></tr>")


def middle(text):
    return [["L", text, "R"]]


# (name, HTML, the cells meant)
SPACES = [
    ("3 inner spaces, plain", one("a   b"), middle("a   b")),
    ("2 leading spaces, plain", one("  lead"), middle("  lead")),
    ("&#32;", one("a&#32;&#32;&#32;b"), middle("a   b")),
    ("&#x20;", one("a&#x20;&#x20;&#x20;b"), middle("a   b")),
    ("leading &#32;", one("&#32;&#32;lead"), middle("  lead")),
    ("space/&nbsp; alternating", one("a &nbsp; b"), middle("a   b")),
    ("leading &nbsp; space", one("&nbsp; lead"), middle("  lead")),
    ("spans of one space", one("a<span> </span><span> </span> b"), middle("a   b")),
    ("td white-space:pre", one("a   b", "<td style=\"white-space:pre\">"), middle("a   b")),
    ("td white-space:pre leading", one("  lead", "<td style=\"white-space:pre\">"), middle("  lead")),
    ("td white-space:pre-wrap", one("a   b", "<td style=\"white-space:pre-wrap\">"), middle("a   b")),
    ("span white-space:pre", one("a<span style=\"white-space:pre\">   </span>b"), middle("a   b")),
    ("<pre> in td", one("<pre>a   b</pre>"), middle("a   b")),
    ("mso-spacerun span", one("a<span style='mso-spacerun:yes'>&nbsp;&nbsp; </span>b"), middle("a   b")),
    ("mso-spacerun leading", one("<span style='mso-spacerun:yes'>&nbsp; </span>lead"), middle("  lead")),
    ("trailing spaces &#32;", one("end&#32;&#32;"), middle("end  ")),
    ("1 leading &#32;", one("&#32;lead"), middle(" lead")),
    ("3 leading &#32;", one("&#32;&#32;&#32;lead"), middle("   lead")),
    ("leading &#32; in a span", one("<span>&#32;&#32;lead</span>"), middle("  lead")),
    ("leading &#32; after an empty span", one("<span></span>&#32;&#32;lead"), middle("  lead")),
    ("<pre> leading", one("<pre>  lead</pre>"), middle("  lead")),
    ("<pre> Chinese with inner run", one("<pre>阿  飞</pre>"), middle("阿  飞")),
    ("&#32; run, sdnum", one("0 &#32;&#32;1", "<td sdnum=\"1033;0;@\">"), middle("0   1")),
]

LINE_BREAKS = [
    ("<br>", one("a<br>b"), middle("a\nb")),
    ("<br/>", one("a<br/>b"), middle("a\nb")),
    ("<br> mso-data-placement:same-cell", one("a<br style='mso-data-placement:same-cell'>b"), middle("a\nb")),
    ("raw LF", one("a\nb"), middle("a\nb")),
    ("raw LF, td white-space:pre", one("a\nb", "<td style=\"white-space:pre\">"), middle("a\nb")),
    ("&#10;", one("a&#10;b"), middle("a\nb")),
    ("&#10;, td white-space:pre-wrap", one("a&#10;b", "<td style=\"white-space:pre-wrap\">"), middle("a\nb")),
    ("two <br>", one("a<br><br>b"), middle("a\n\nb")),
    ("raw LF in <pre>", one("<pre>a\nb</pre>"), middle("a\nb")),
    ("<br>, sdnum", one("001<br>002", "<td sdnum=\"1033;0;@\">"), middle("001\n002")),
    ("<br> at the end", one("a<br>"), middle("a\n")),
]

TABS = [
    ("raw TAB", one("a\tb"), middle("a\tb")),
    ("&#9;", one("a&#9;b"), middle("a\tb")),
    ("&#9;, td white-space:pre", one("a&#9;b", "<td style=\"white-space:pre\">"), middle("a\tb")),
    ("raw TAB, td white-space:pre", one("a\tb", "<td style=\"white-space:pre\">"), middle("a\tb")),
    ("raw TAB in <pre>", one("<pre>a\tb</pre>"), middle("a\tb")),
    ("&#9; in <pre>", one("<pre>a&#9;b</pre>"), middle("a\tb")),
    ("mso-tab-count span", one("a<span style='mso-tab-count:1'> </span>b"), middle("a\tb")),
]

_NUMBERISH = ["001", "1210.50", "3/4", "1E3", "=A1", "440305200805184991", "12%", "TRUE"]


def row_of(td):
    return document("<tr>" + "".join(td + v + "</td>" for v in _NUMBERISH) + "</tr>")


TEXT_CELLS = [
    ("no attribute", row_of("<td>"), [_NUMBERISH]),
    ("sdnum=\"1033;0;@\"", row_of("<td sdnum=\"1033;0;@\">"), [_NUMBERISH]),
    ("sdnum with style and align", row_of("<td style=\"border:1px solid #000\" align=\"left\" sdnum=\"1033;0;@\">"),
     [_NUMBERISH]),
    ("sdnum 2052 (zh-CN)", row_of("<td sdnum=\"2052;0;@\">"), [_NUMBERISH]),
    ("sdnum=\";;@\" (no languages)", row_of("<td sdnum=\";;@\">"), [_NUMBERISH]),
    ("sdnum=;;@ unquoted", row_of("<td sdnum=;;@>"), [_NUMBERISH]),
    ("sdnum=1033;0;@ unquoted", row_of("<td sdnum=1033;0;@>"), [_NUMBERISH]),
    ("sdnum=;;@ unquoted, no end tags", document("<tr>" + "".join("<td sdnum=;;@>" + v for v in _NUMBERISH) + "</td></tr>"),
     [_NUMBERISH]),
    ("sdnum on <tr>", document("<tr sdnum=\"1033;0;@\">" + "".join("<td>" + v + "</td>" for v in _NUMBERISH) + "</tr>"),
     [_NUMBERISH]),
    ("sdnum on <col>", document("<col sdnum=\"1033;0;@\" span=8><tr>" + "".join("<td>" + v + "</td>" for v in _NUMBERISH) + "</tr>"),
     [_NUMBERISH]),
    ("sdnum=\"1033;0;@\" sdval", row_of("<td sdval=\"1\" sdnum=\"1033;0;@\">"), [_NUMBERISH]),
    ("class with mso-number-format:\"\\@\"",
     document("<tr>" + "".join("<td class=t>" + v + "</td>" for v in _NUMBERISH) + "</tr>",
              "<style>.t{mso-number-format:\"\\@\";}</style>"), [_NUMBERISH]),
    ("inline mso-number-format:\"\\@\"", row_of("<td style='mso-number-format:\"\\@\"'>"), [_NUMBERISH]),
    ("sdnum on <table>", document("<tr>" + "".join("<td>" + v + "</td>" for v in _NUMBERISH) + "</tr>",
                                  table="<table sdnum=\"1033;0;@\">"), [_NUMBERISH]),
    ("sdnum, a quoted cell", document("<tr><td sdnum=\"1033;0;@\">\"阿飞\"</td><td sdnum=\"1033;0;@\">&quot;q&quot;</td></tr>"),
     [["\"阿飞\"", "\"q\""]]),
]

_TWO = "<tr><td>甲</td><td>乙</td></tr>"
DOCUMENTS = [
    ("<table> fragment only", "<table>" + _TWO + "</table>", [["甲", "乙"]]),
    ("meta charset, no html/body", "<meta charset=\"utf-8\"><table>" + _TWO + "</table>", [["甲", "乙"]]),
    ("html/body, no meta", "<html><body><table>" + _TWO + "</table></body></html>", [["甲", "乙"]]),
    ("html/head meta/body, no DOCTYPE",
     "<html><head><meta charset=\"utf-8\"></head><body><table>" + _TWO + "</table></body></html>", [["甲", "乙"]]),
    ("full document with DOCTYPE", document(_TWO), [["甲", "乙"]]),
    ("http-equiv content-type meta",
     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head><body><table>" + _TWO +
     "</table></body></html>", [["甲", "乙"]]),
    ("<th> title row", document("<tr><th>学号</th><th>姓名</th></tr><tr><td>001</td><td>王</td></tr>"),
     [["学号", "姓名"], ["001", "王"]]),
    ("empty cells kept in place", document("<tr><td>a</td><td></td><td>c</td></tr><tr><td></td><td></td><td>f</td></tr>"),
     [["a", "", "c"], ["", "", "f"]]),
]

GROUPS = [("spaces", SPACES), ("line breaks", LINE_BREAKS), ("TAB", TABS), ("text cells", TEXT_CELLS),
          ("documents", DOCUMENTS)]


def describe(sheet):
    return [[t if k in ("TEXT", "EMPTY") else f"{t} ({k.lower()})" for t, k in row] for row in sheet.cells]


def exact(meant, sheet):
    width = max(len(r) for r in meant)
    got = [[(t, k) for t, k in row] for row in sheet.cells]
    padded = [list(r) + [""] * (width - len(r)) for r in meant]
    return len(got) == len(padded) and all(
        len(g) == width and all(k in ("TEXT", "EMPTY") and t == m for (t, k), m in zip(g, p))
        for g, p in zip(got, padded))


def run_cases(session, doc, only):
    def nbsp(sheet):
        return "holds U+00A0 no-break spaces" if any(NBSP in t for row in sheet.cells for t, _ in row) else None

    calc.paste_cases(session, doc, GROUPS, only, "text/html", exact, describe, nbsp)


def formatting(session, doc):
    """Bold, column widths and borders as Calc takes them from pasted HTML."""
    print("== formatting")
    html = document(
        "<col width=\"200\"><col width=\"50\">"
        "<tr><th>标题</th><td><b>bold</b></td><td class=\"b\">class border</td></tr>"
        "<tr><td style=\"border:1px solid #000000\">inline border</td><td style=\"font-weight:bold\">fw</td>"
        "<td>plain</td></tr>",
        "<style>td.b{border:1px solid #000000;} </style>", table="<table border=\"1\" cellspacing=\"0\">")
    html_noborder = document("<tr><td style=\"border:1px solid #000000\">inline</td><td class=\"b\">class</td>"
                             "<td>plain</td></tr>", "<style>td.b{border:1px solid #000000;}</style>")
    html_widths = document("<tr><td width=\"200\">w200</td><td style=\"width:50px\">w50px</td><td>plain</td></tr>"
                           "<tr><td><b>b</b></td><td><strong>strong</strong></td><th><b>th b</b></th></tr>")
    for name, source in (("table border=1", html), ("no table border", html_noborder),
                         ("td width", html_widths)):
        session.clipboard.offer(source.encode(), "text/html")
        sheets = doc.Sheets
        session.paste_into_new_sheet(doc, "fmt" + str(sheets.Count))
        sheet = sheets.getByIndex(sheets.Count - 1)
        print(f"  {name}:")
        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        end = cursor.RangeAddress
        for r in range(end.EndRow + 1):
            for c in range(end.EndColumn + 1):
                cell = sheet.getCellByPosition(c, r)
                border = cell.TopBorder
                print(f"    {cell.AbsoluteName.split('.')[-1]} {cell.getString()!r}: weight {cell.CharWeight:.0f}, "
                      f"top border width {border.OuterLineWidth}, column width "
                      f"{sheet.Columns.getByIndex(c).Width} (1/100 mm)")


def both_offered(session, doc):
    """text/html and UTF8_STRING together, with different cells, and which one Calc takes."""
    print("== text/html and text/plain offered together")
    html = document("<tr><td>from html</td><td sdnum=\"1033;0;@\">001</td></tr>").encode()
    text = b"from text\t001"
    # Calc's own quoted tab-separated flavour, in the form Calc writes it: a cell with LF, TAB or
    # a leading quote in double quotes.
    tsvc = b'L\t"a\tb"\t"x\ny"\t001\t"""q"""\ta   b'
    for targets in ({"text/html": html, "UTF8_STRING": text},
                    {"text/html": html, "UTF8_STRING": text, "text/plain;charset=utf-8": text},
                    {"application/x-libreoffice-tsvc": tsvc},
                    {"text/html": html, "application/x-libreoffice-tsvc": tsvc, "UTF8_STRING": text}):
        session.clipboard.offer_many(targets)
        asked_before = len(session.dialogs_answered)
        sheet = session.paste_into_new_sheet(doc, f"both{doc.Sheets.Count}")
        print(f"  offered {list(targets)}: requested {session.clipboard.requested()}, pasted {describe(sheet)!r}, "
              f"dialogs {session.dialogs_answered[asked_before:]}")


def capture(session, doc, folder):
    rows = roster.rows()
    cells = session.put_text(doc, rows)
    session.copy(doc, cells)
    os.makedirs(folder, exist_ok=True)
    print(f"== LibreOffice's own flavours of the roster: {session.clipboard.targets()}")
    for target, name in (("text/html", "libreoffice_roster.html"), ("UTF8_STRING", "libreoffice_roster.txt")):
        data = session.clipboard.read(target)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print(f"  {target}: {len(data)} bytes -> {name}")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--capture", help="folder for LibreOffice's own flavours of the roster")
    parser.add_argument("--only", help="run only the cases whose name or group holds this")
    parser.add_argument("--display", help="an X display to use instead of an Xvfb of its own")
    args = parser.parse_args(argv)
    before = (lambda session, doc: capture(session, doc, args.capture)) if args.capture else None
    return calc.run_experiments(args.display, args.only, run_cases,
                                (("formatting", formatting), ("both offered", both_offered)), before)

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
