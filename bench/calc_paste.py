#!/usr/bin/python3
"""How fast and how exactly LibreOffice Calc pastes a large layout, flavour by flavour.

The roster of 2 x ROWS data rows is laid out by parvex-cli (2 groups, 46 rows a page, pages by
class), which gives about ROWS result rows, and offered on the X clipboard in one flavour at a
time; a fresh Calc pastes it into a new sheet (its questions answered with Enter). Printed per
flavour: the cells changed against the layout, the paste's time (from the paste command until
the last row is in the sheet, the dialog included) and Calc's peak memory (VmHWM of soffice.bin,
started afresh for each paste).

Flavours:
  text       parvex-cli's table text as UTF8_STRING
  html       parvex-cli --html as text/html (the clipboard's HTML flavour)
  lean-html  the same cells as a bare table: no styles, widths or bold, sdnum=;;@ only on
             cells Calc could read as something else than text
  window     the real Parvex window's clipboard (--parvex): the roster offered as text, imported
             and laid out by its buttons, pasted from the window as it offers it (text and SYLK
             past 20,000 cells, HTML beside them below); the window's peak memory is printed too

    calc_paste.py --cli PARVEX_CLI [--parvex PARVEX] [--rows 10000,100000] [--flavours text,html,lean-html,window]
    calc_paste.py --targets     what Calc offers when it copies (its SYLK target among them)

Exits 77 when Calc cannot be driven here.
"""

import argparse
import collections
import os
import re
import subprocess
import sys
import time

# The Calc harness of the round-trip tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "roundtrip"))

import calc  # noqa: E402
import roster  # noqa: E402
import roundtrip  # noqa: E402
import table_text  # noqa: E402

ROWS_PER_PAGE = 46  # the window's own initial value; groups and key column are its initial ones too
LAYOUT_ARGS = ["-n", "2", "-r", str(ROWS_PER_PAGE), "-k", str(roster.KEY_COLUMN)]
FLAVOURS = ("text", "html", "lean-html", "window")


def html_escape(text):
    text = text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
    text = re.sub(r"  +|^ | $", lambda m: "&#32;" * len(m.group(0)), text)
    return text.replace("\n", "<br>")


# A cell Calc reads as text whatever it holds: none of these starts a number, formula or value.
_SAFE = re.compile(r"^[^0-9+\-=.,'(%$€¥ ]")


def lean_html(rows):
    out = ["<table>"]
    for row in rows:
        cells = []
        for cell in row:
            mark = "" if not cell or (_SAFE.match(cell) and cell.upper() not in ("TRUE", "FALSE")) else " sdnum=;;@"
            cells.append("<td" + mark + ">" + html_escape(cell) + "</td>")
        out.append("<tr>" + "".join(cells) + "</tr>")
    out.append("</table>")
    return "\n".join(out).encode()


def soffice_bin(session):
    """The pid of soffice.bin, the child of the soffice that Calc started."""
    out = subprocess.run(["pgrep", "-P", str(session._soffice.pid)], capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else session._soffice.pid


def peak_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) // 1024
    return 0


def changed_cells(expected, sheet_rows):
    rows = max(len(expected), len(sheet_rows))
    cols = max([len(r) for r in expected] + [len(r) for r in sheet_rows] + [0])
    want = table_text.rectangular(expected, cols) + [[""] * cols] * (rows - len(expected))
    changed = 0
    tabs = 0
    examples = collections.Counter()
    for r in range(rows):
        got = list(sheet_rows[r]) if r < len(sheet_rows) else []
        got += [""] * (cols - len(got))
        for w, g in zip(want[r], got):
            if not (isinstance(g, str) and g == w):
                if "\t" in w and isinstance(g, str) and g == w.replace("\t", " "):
                    tabs += 1
                else:
                    changed += 1
                    examples[(w, g if isinstance(g, str) else f"{g} (number)")] += 1
    for (w, g), n in examples.most_common(5):
        print(f"    {n} x {w!r} became {g!r}", file=sys.stderr)
    return rows * cols, changed, tabs


def paste(offer, expected_rows, timeout):
    """Pastes into a fresh Calc what `offer(session)` puts on the clipboard: (seconds, Calc's
    peak MB, the clipboard owner's peak MB or None, the targets offered, the bytes of the SYLK
    offered or None, the sheet's values)."""
    with calc.Calc() as session:
        doc = session.new_document()
        pid = soffice_bin(session)
        before = peak_mb(pid)
        owner = offer(session)
        session.clipboard.settle()
        targets = session.clipboard.targets()
        sheets = doc.Sheets
        start = time.monotonic()
        session.paste_into_new_sheet(doc, "pasted", timeout, read_back=False)
        sheet = sheets.getByName("pasted")
        # A UNO call waits for Calc to be done; poll until the last row is there.
        deadline = start + timeout
        while time.monotonic() < deadline:
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            if cursor.RangeAddress.EndRow + 1 >= expected_rows:
                break
            time.sleep(0.1)
        seconds = time.monotonic() - start
        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        end = cursor.RangeAddress
        data = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).getDataArray()
        owner_peak = peak_mb(owner.pid) if owner is not None else None
        sylk_bytes = len(session.clipboard.read(roundtrip.SYLK_TARGET, timeout=120)) if roundtrip.SYLK_TARGET in targets else None
        return seconds, max(before, peak_mb(pid)), owner_peak, targets, sylk_bytes, data


def offer_bytes(data, target):
    def offer(session):
        session.clipboard.offer(data, target)
        return None
    return offer


def offer_from_window(parvex, source):
    """The roster offered as text, laid out by the real window, which then owns the clipboard."""
    def offer(session):
        session.clipboard.offer(source, "UTF8_STRING")
        return roundtrip.lay_out_in_window(session, [parvex], ROWS_PER_PAGE,
                                           os.path.join(session.display.work, "parvex.err"), timeout=600)
    return offer


def list_targets():
    with calc.Calc() as session:
        doc = session.new_document()
        cells = session.put_text(doc, roster.rows(6))
        session.copy(doc, cells)
        time.sleep(1)
        targets = session.clipboard.targets()
        print("Calc offers:", targets)
        for target in targets:
            if "sylk" in target.lower():
                print(f"{target}:\n{session.clipboard.read(target).decode(errors='replace')}")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", help="parvex-cli")
    parser.add_argument("--parvex", help="the parvex window, for the window flavour")
    parser.add_argument("--rows", default="10000,100000", help="result rows, comma-separated")
    parser.add_argument("--flavours", default=",".join(FLAVOURS))
    parser.add_argument("--timeout", type=float, default=600)
    parser.add_argument("--targets", action="store_true", help="list what Calc offers when it copies")
    args = parser.parse_args(argv)
    if args.targets:
        return calc.run_or_skip(list_targets)
    return calc.run_or_skip(lambda: bench(args))


def bench(args):
    print("| result rows | flavour | bytes | cells | changed | TAB cells as a space | paste s | Calc peak MB |"
          " window peak MB | offered |")
    print("| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |")
    for rows in (int(n) for n in args.rows.split(",")):
        source = table_text.write(roster.rows(2 * rows)).encode()
        text = subprocess.run([args.cli, *LAYOUT_ARGS, "-q"], input=source, capture_output=True, check=True).stdout
        html_path = os.path.join("/tmp", f"parvex-bench-{os.getpid()}.html")
        subprocess.run([args.cli, *LAYOUT_ARGS, "-q", "--html", html_path], input=source, check=True)
        with open(html_path, "rb") as f:
            html = f.read()
        os.remove(html_path)
        expected = table_text.parse(text.decode())
        last = max((r for r, row in enumerate(expected) if any(row)), default=-1)
        lean = lean_html(expected)
        offers = {"text": (len(text), offer_bytes(text, "UTF8_STRING")),
                  "html": (len(html), offer_bytes(html, "text/html")),
                  "lean-html": (len(lean), offer_bytes(lean, "text/html"))}
        if args.parvex:
            offers["window"] = (None, offer_from_window(args.parvex, source))
        for flavour in args.flavours.split(","):
            if flavour not in offers:
                print(f"| {len(expected)} | {flavour} | skipped: no --parvex |", flush=True)
                continue
            size, offer = offers[flavour]
            seconds, peak, owner_peak, targets, sylk_bytes, pasted = paste(offer, last + 1, args.timeout)
            if size is None:
                size = f"{sylk_bytes} (SYLK)" if sylk_bytes is not None else None
            cells, changed, tabs = changed_cells(expected, pasted)
            offered = ", ".join(t for t in targets if t not in ("TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS"))
            print(f"| {len(expected)} | {flavour} | {size if size is not None else ''} | {cells} | {changed} | {tabs} | "
                  f"{seconds:.1f} | {peak} | {owner_peak if owner_peak is not None else ''} | {offered} |", flush=True)

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
