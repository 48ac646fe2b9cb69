#!/usr/bin/python3
"""The roster's way from LibreOffice Calc through Parvex and back, cell by cell.

Every route ends in a Calc sheet whose cells are compared with the layout parvex-cli makes of
the roster (the expected cells); a route prints "compared N cells, changed M" and the kinds of
change. Routes:

  window    the roster copied in Calc, imported and laid out by the real window (clicks on
            导入数据 and 数据预处理), pasted into a new sheet
  window-sylk  a roster of --large-rows rows as table text on the clipboard, imported and laid
            out by the real window; its layout is past the size up to which the window offers
            HTML beside SYLK, so the clipboard must hold SYLK and no HTML, and Calc pastes the SYLK
  cli-text  parvex-cli's text on the clipboard as UTF8_STRING, pasted
  cli-html  an HTML table on the clipboard as text/html, pasted: --html FILE, or made by
            `parvex-cli --html FILE` when its --help lists that option; skipped otherwise
  xlsx      parvex-cli --xlsx, opened in Calc

    roundtrip.py --cli PARVEX_CLI [--parvex PARVEX] [--routes R,...] [--lossless R,...] [--large-rows N]

Exits 1 when a route named by --lossless changed a cell (or failed), 77 when no display server,
soffice, python3-uno, xdotool or xclip is at hand, else 0.
"""

import argparse
import collections
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import calc  # noqa: E402
import roster  # noqa: E402
import table_text  # noqa: E402

ROUTES = ("window", "window-sylk", "cli-text", "cli-html", "xlsx")
SYLK_TARGET = 'application/x-openoffice-sylk;windows_formatname="Sylk"'
WINE = "/usr/lib/wine/wine64"
ROWS_PER_PAGE = 20  # pages shorter than a class, so a class fills more than one group
LAYOUT_ARGS = ["-n", "2", "-r", str(ROWS_PER_PAGE), "-k", str(roster.KEY_COLUMN)]


class Skipped(Exception):
    """A route that cannot run here (not a failure)."""


def classify(expected, text, kind):
    """What became of a cell expected to hold `expected` that reads back as `text` of `kind`
    (Calc's EMPTY, VALUE, TEXT, FORMULA); None when it came back unchanged."""
    if kind == "VALUE":
        return "became a number" if text == expected else "became a number shown differently"
    if kind == "FORMULA":
        return "became a formula"
    if text == expected:
        return None
    if not expected:
        return "text where the layout has none"
    if not text:
        return "lost (now empty)"
    if ("\n" in expected or "\t" in expected) and "\n" not in text and "\t" not in text:
        return "line break or TAB lost"
    if " ".join(expected.split()) == " ".join(text.split()):
        return "spaces changed"
    if expected.replace('"', "") == text.replace('"', ""):
        return "quotes changed"
    return "other text"


# Routes that paste HTML: a TAB inside a cell has no HTML form Calc keeps (it becomes a space),
# so such cells are exempt there and counted apart; the plain flavour keeps them exact.
HTML_ROUTES = {"window", "cli-html"}


class Comparison:
    def __init__(self, expected_rows, sheet, tab_exempt=False):
        rows = max(len(expected_rows), len(sheet.cells))
        cols = max([len(r) for r in expected_rows] + [len(r) for r in sheet.cells] + [0])
        expected = table_text.rectangular(expected_rows, cols) + [[""] * cols] * (rows - len(expected_rows))
        got = [list(r) + [("", "EMPTY")] * (cols - len(r)) for r in sheet.cells]
        got += [[("", "EMPTY")] * cols] * (rows - len(got))
        self.compared = 0
        self.exempt = 0
        self.kinds = collections.Counter()
        self.examples = collections.defaultdict(list)
        for r in range(rows):
            for c in range(cols):
                text, kind = got[r][c]
                if not expected[r][c] and kind == "EMPTY":
                    continue
                self.compared += 1
                change = classify(expected[r][c], text, kind)
                if change and tab_exempt and "\t" in expected[r][c]:
                    self.exempt += 1
                    continue
                if change:
                    self.kinds[change] += 1
                    self.examples[change].append((r, c, expected[r][c], text))

    @property
    def changed(self):
        return sum(self.kinds.values())

    def summary(self):
        line = f"compared {self.compared} cells, changed {self.changed}"
        if self.kinds:
            line += " (" + ", ".join(f"{k}: {n}" for k, n in self.kinds.most_common()) + ")"
        if self.exempt:
            line += f"; {self.exempt} cells holding a TAB changed, exempt on an HTML route"
        return line

    def details(self, per_kind=4):
        lines = []
        for kind, cases in self.examples.items():
            for r, c, want, got in cases[:per_kind]:
                lines.append(f"    {kind}: {_cell_name(r, c)} {want!r} -> {got!r}")
        return lines


def _cell_name(row, col):
    name = ""
    col += 1
    while col:
        col, rest = divmod(col - 1, 26)
        name = chr(ord("A") + rest) + name
    return f"{name}{row + 1}"


def run_cli(cli, args, text):
    done = subprocess.run([cli, "-q", *args], input=text.encode(), capture_output=True, timeout=60)
    if done.returncode != 0:
        raise RuntimeError(f"parvex-cli {' '.join(args)} failed: {done.stderr.decode(errors='replace')}")
    return done.stdout


def cli_has_option(cli, option):
    help_text = subprocess.run([cli, "--help"], capture_output=True, timeout=30).stdout.decode(errors="replace")
    return any(word.split("=")[0] == option for word in help_text.replace(",", " ").split())


def lay_out_in_window(session, program, rows_per_page, err_path, timeout=120):
    """Runs the Parvex window (`program`), which imports what the clipboard holds and lays it
    out by its settings with `rows_per_page` rows a page; answers its closing message and returns
    its process, which serves the clipboard until the next offer or the session's end."""
    display = session.display
    err = open(err_path, "wb")
    window_process = session.clipboard.offer_process(program, stderr=err, keep_offer=True)
    err.close()  # the window holds its own copy
    window = calc._wait_for("the Parvex window", lambda: display.windows(r"^Parvex2\.4")[:1], 20)[0]
    display.run("xdotool", "windowraise", window)
    geometry = dict(line.split("=") for line in
                    display.run("xdotool", "getwindowgeometry", "--shell", window).decode().split())
    left, top = int(geometry["X"]) + 8, int(geometry["Y"]) + 388  # the group box 设置与处理

    def click(x, y):
        display.run("xdotool", "mousemove", str(left + x), str(top + y), "click", "1")
        time.sleep(0.3)

    click(144 + 28, 51 + 10)  # 导入数据
    click(99 + 10, 32 + 8)  # excel中每页打印 _ 行
    display.run("xdotool", "windowfocus", "--sync", window, check=False)
    display.run("xdotool", "key", "ctrl+a", "BackSpace", "type", str(rows_per_page))
    click(342 + 32, 52 + 10)  # 数据预处理

    # The closing message, a modal box of the window's own process, comes once the layout is on
    # the clipboard (the import shows none).
    def boxes():
        found = display.run("xdotool", "search", "--onlyvisible", "--pid", str(window_process.pid),
                            check=False).decode().split()
        return [w for w in found if w != window]

    for box in calc._wait_for("the closing message", boxes, timeout):
        display.press_in(box, "Return")
    calc._wait_for("the closing message to close", lambda: not boxes(), 10)
    session.clipboard.note_change()
    return window_process


class Harness:
    def __init__(self, session, args):
        self.calc = session
        self.args = args
        self.work = session.display.work
        self.rows = roster.rows(args.rows)
        self.text = table_text.write(self.rows)
        self.expected = table_text.parse(run_cli(args.cli, LAYOUT_ARGS, self.text).decode())
        self.doc = session.new_document()
        self.roster_range = session.put_text(self.doc, self.rows)
        self.route_expected = None  # a route's own expectation, where it is not self.expected
        self.route_cells = None  # the cells of a route that lays out a table of its own

    def window_program(self):
        return [WINE, self.args.parvex] if self.args.wine else [self.args.parvex]

    def route_window(self):
        if not self.args.parvex:
            raise Skipped("no --parvex window given")
        self.calc.copy(self.doc, self.roster_range)
        copied = self.calc.clipboard.read()
        if self.args.from_copied_text:
            # The window reads Calc's plain text: what it can keep is what that text holds.
            self.route_expected = table_text.parse(run_cli(self.args.cli, LAYOUT_ARGS, copied.decode()).decode())
        lay_out_in_window(self.calc, self.window_program(), ROWS_PER_PAGE,
                          os.path.join(self.work, "parvex.err"))
        return self.calc.paste_into_new_sheet(self.doc, "window")

    def route_window_sylk(self):
        if not self.args.parvex:
            raise Skipped("no --parvex window given")
        if self.args.wine:
            raise Skipped("the Windows window offers no SYLK")
        text = table_text.write(roster.rows(self.args.large_rows))
        self.route_cells = table_text.parse(run_cli(self.args.cli, LAYOUT_ARGS, text).decode())
        self.calc.clipboard.offer(text.encode(), "UTF8_STRING")
        lay_out_in_window(self.calc, self.window_program(), ROWS_PER_PAGE,
                          os.path.join(self.work, "parvex.err"))
        targets = self.calc.clipboard.targets()
        if SYLK_TARGET not in targets or "text/html" in targets:
            raise RuntimeError(f"the window offered {targets}: SYLK without HTML expected for "
                               f"{len(self.route_cells)} result rows")
        # Now and then (1 in 10 under load) Calc pastes the text of a SYLK offer; its sheet is
        # dropped and the paste tried once more, which must take the SYLK.
        for attempt in (1, 2):
            asked_before = len(self.calc.dialogs_answered)
            self.calc.paste_into_new_sheet(self.doc, "window-sylk", timeout=120, read_back=False)
            asked = self.calc.dialogs_answered[asked_before:]
            if not asked:
                break
            if attempt == 2:
                raise RuntimeError(f"Calc asked {asked} twice: it did not paste the SYLK")
            print(f"window-sylk: Calc asked {asked}, pasting the text: pasted again", flush=True)
            self.doc.Sheets.removeByName("window-sylk")
            self.calc.clipboard.note_change()
        return calc.read_sheet_values(self.doc.Sheets.getByName("window-sylk"))

    def route_cli_text(self):
        self.calc.clipboard.offer(run_cli(self.args.cli, LAYOUT_ARGS, self.text), "UTF8_STRING")
        return self.calc.paste_into_new_sheet(self.doc, "cli-text")

    def route_cli_html(self):
        path = self.args.html
        if path is None:
            if not cli_has_option(self.args.cli, "--html"):
                raise Skipped("parvex-cli has no --html yet")
            path = os.path.join(self.work, "layout.html")
            run_cli(self.args.cli, LAYOUT_ARGS + ["--html", path], self.text)
        with open(path, "rb") as f:
            self.calc.clipboard.offer(f.read(), "text/html")
        return self.calc.paste_into_new_sheet(self.doc, "cli-html")

    def route_xlsx(self):
        path = os.path.join(self.work, "layout.xlsx")
        # Filled as the text is, so that its cells compare with the text's; the printed pages'
        # balancing has tests of its own.
        run_cli(self.args.cli, LAYOUT_ARGS + ["--no-balance", "--xlsx", path], self.text)
        return calc.read_sheet(self.calc.open_document(path).Sheets.getByIndex(0))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True, help="build/src/cli/parvex-cli")
    parser.add_argument("--parvex", help="build/src/app/parvex, for the window route")
    parser.add_argument("--from-copied-text", action="store_true",
                        help="window route: expect the layout of the plain text Calc copied, for a window "
                             "built without the HTML reader (the roster's own cells are compared too)")
    parser.add_argument("--wine", action="store_true",
                        help="--parvex is parvex.exe, run under Wine (WINEPREFIX, WINEPATH from the environment)")
    parser.add_argument("--routes", default=",".join(ROUTES), help="routes to run, comma-separated")
    parser.add_argument("--lossless", default="", help="routes that must change no cell, comma-separated")
    parser.add_argument("--html", help="HTML to offer on the cli-html route instead of parvex-cli --html")
    parser.add_argument("--rows", type=int, default=120, help="data rows of the roster")
    parser.add_argument("--large-rows", type=int, default=4000,
                        help="data rows of the roster on the window-sylk route (a layout of more cells than "
                             "the window offers as HTML beside SYLK)")
    parser.add_argument("--display", help="an X display to use instead of an Xvfb of its own")
    parser.add_argument("-v", "--verbose", action="store_true", help="show some changed cells of every kind")
    args = parser.parse_args(argv)
    routes = [r for r in args.routes.split(",") if r]
    lossless = {r for r in args.lossless.split(",") if r}
    for name in set(routes) | lossless:
        if name not in ROUTES:
            parser.error(f"unknown route {name}; routes are {', '.join(ROUTES)}")

    failed = []
    try:
        with calc.Calc(args.display) as session:
            harness = Harness(session, args)
            for name in routes:
                started = time.monotonic()
                harness.route_expected = None
                harness.route_cells = None
                try:
                    sheet = getattr(harness, "route_" + name.replace("-", "_"))()
                except Skipped as why:
                    print(f"{name}: skipped: {why}")
                    continue
                except Exception as e:  # a route that breaks is reported; the others still run
                    print(f"{name}: FAILED: {type(e).__name__}: {e}")
                    if name in lossless:
                        failed.append(name)
                    continue
                if harness.route_expected is not None:
                    roster_result = Comparison(harness.expected, sheet, tab_exempt=name in HTML_ROUTES)
                    print(f"{name}: against the roster itself: {roster_result.summary()}")
                    if args.verbose:
                        print("\n".join(roster_result.details()))
                result = Comparison(harness.route_cells or harness.route_expected or harness.expected, sheet,
                                    tab_exempt=name in HTML_ROUTES)
                expectation = "must be lossless" if name in lossless else "measured"
                print(f"{name}: {result.summary()} [{expectation}, {time.monotonic() - started:.1f} s]")
                if args.verbose or (name in lossless and result.changed):
                    print("\n".join(result.details()))
                if name in lossless and result.changed:
                    failed.append(name)
    except calc.Unavailable as why:
        print(f"skipped: {why}")
        return calc.SKIP
    if failed:
        print(f"FAIL: changed cells on {', '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
