"""LibreOffice Calc driven over UNO on a display of its own, with the real X clipboard.

Calc starts once (`with Calc() as calc:`) on an Xvfb display that this module starts (or on
a display it is given), with a private user profile, listening for UNO on 127.0.0.1 only.
Everything it starts is killed when the block ends, also on errors.

A paste that makes Calc ask how to read the text (its Text Import dialog for plain text, its
Import Options for HTML) is answered as a user answers it: Enter on the settings it offers. The paste's dispatch blocks while the dialog is
up, so a watcher thread finds the dialog's X window with xdotool and presses Enter in it.
"""

import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77  # ctest's SKIP_RETURN_CODE for the round-trip tests
# Seconds. Calc reuses the targets it last listed while the clock's whole seconds then and now
# differ by less than 2: for up to 2 s, whichever program owns the clipboard meanwhile.
TARGETS_KEPT = 2.2


class Unavailable(Exception):
    """Something this harness needs is missing: the test is skipped, not failed."""


try:
    import uno
    from com.sun.star.beans import PropertyValue
except ImportError:  # python3-uno is missing, or this is not the system's python3
    uno = None


TEXT_IMPORT_TITLE = "Text Import"  # asked on every paste of plain text
IMPORT_OPTIONS_TITLE = "Import Options"  # asked on every paste of HTML: locale, special numbers (off)
_PROFILE_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="FirstStartWizardCompleted" oor:op="fuse"><value>true</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Save/Document"><prop oor:name="AutoSave" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Recovery/AutoSave"><prop oor:name="Enabled" oor:op="fuse"><value>false</value></prop></item>
</oor:items>
"""


def run_or_skip(run):
    """run()'s exit status (0 for None), or SKIP when something it needs is missing."""
    try:
        return run() or 0
    except Unavailable as why:
        print(f"skipped: {why}")
        return SKIP


def require_tools(*tools):
    for tool in tools:
        if shutil.which(tool) is None:
            raise Unavailable(f"{tool} is not installed")


def _installed(package):
    """Whether Debian's package manager has `package` installed (False where there is none)."""
    try:
        done = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, timeout=10)
    except (OSError, subprocess.TimeoutExpired):
        return False
    return done.stdout.endswith(b" installed")


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _wait_for(what, probe, timeout, interval=0.1):
    """probe()'s first true answer, polled for at most `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        answer = probe()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Display:
    """An Xvfb server of its own (or a given display) and the X tools run on it."""

    def __init__(self, display=None):
        self.work = tempfile.mkdtemp(prefix="parvex-calc-")
        self._xvfb = None
        if display is None:
            require_tools("Xvfb")
            read_end, write_end = os.pipe()
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            number = self._read_display_number(read_end)
            if not number:
                self.close()
                raise Unavailable("Xvfb did not start")
            display = ":" + number
        self.name = display
        self.env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=self.work,
                        SAL_USE_VCLPLUGIN="gen", LANG="C.UTF-8", LC_ALL="C.UTF-8")
        # The window tests run offscreen (under Wine, by WINEQT_QPA_PLATFORM); these need X.
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WINEQT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)

    def _read_display_number(self, fd):
        chunks = []
        deadline = time.monotonic() + 15
        os.set_blocking(fd, False)
        while time.monotonic() < deadline and self._xvfb.poll() is None:
            try:
                chunk = os.read(fd, 64)
            except BlockingIOError:
                time.sleep(0.05)
                continue
            if not chunk:
                break
            chunks.append(chunk)
            if b"\n" in chunk:
                break
        os.close(fd)
        return b"".join(chunks).decode().strip()

    def run(self, *args, timeout=10, check=True, data=None):
        """Runs an X tool on this display; its standard output as bytes."""
        done = subprocess.run(list(args), env=self.env, input=data, capture_output=True, timeout=timeout)
        if check and done.returncode != 0:
            raise RuntimeError(f"{' '.join(args)} failed: {done.stderr.decode(errors='replace').strip()}")
        return done.stdout

    def windows(self, name_regex):
        """The ids of the visible windows whose name matches `name_regex`."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", name_regex, check=False)
        return out.decode().split()

    def window_names(self):
        """The names of the visible windows, to say what a stuck step waits for."""
        names = []
        for window in self.windows("."):
            names.append(self.run("xdotool", "getwindowname", window, check=False).decode(errors="replace").strip())
        return names

    def press_in(self, window, key):
        """Gives `window` the keyboard and presses `key` (X has no window manager here)."""
        self.run("xdotool", "mousemove", "--window", window, "5", "5", check=False)
        self.run("xdotool", "windowfocus", "--sync", window, check=False)
        self.run("xdotool", "key", "--clearmodifiers", key, check=False)

    def click_from_corner(self, window, left, up):
        """Clicks `left` pixels left of and `up` pixels above the window's bottom right corner."""
        shell = self.run("xdotool", "getwindowgeometry", "--shell", window, check=False).decode().split()
        geometry = dict(line.split("=", 1) for line in shell if "=" in line)
        if "WIDTH" not in geometry:
            return  # the window has gone meanwhile
        x, y = int(geometry["WIDTH"]) - left, int(geometry["HEIGHT"]) - up
        self.run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1", check=False)

    def close(self):
        if self._xvfb is not None:
            self._xvfb.kill()
            self._xvfb.wait()
            self._xvfb = None
        shutil.rmtree(self.work, ignore_errors=True)


class Clipboard:
    """The X CLIPBOARD selection. xclip serves what it offers in the foreground until killed."""

    def __init__(self, display):
        self._display = display
        self._servers = []
        self._requests = None
        self.changed_at = 0.0

    def offer(self, data, target="UTF8_STRING"):
        """Puts `data` (bytes) on the clipboard as `target` and waits until it is offered."""
        self.stop_offering()
        path = os.path.join(self._display.work, "offer")
        with open(path, "wb") as f:
            f.write(data)
        server = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i", path],
                                  env=self._display.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._servers.append(server)
        _wait_for(f"xclip to offer {target}", lambda: target in self.targets(), 10)
        self.note_change()

    def offer_process(self, args, stderr=subprocess.DEVNULL, keep_offer=False):
        """Starts a program that will own the clipboard (it is killed with the others). With
        `keep_offer` what is offered now stays until the program takes the clipboard."""
        if not keep_offer:
            self.stop_offering()
        server = subprocess.Popen(args, env=self._display.env, stdout=subprocess.DEVNULL, stderr=stderr)
        self._servers.append(server)
        return server

    def offer_many(self, offers):
        """Offers every target of `offers` ({target: bytes}) at once; the paste's requests are
        then told by requested()."""
        self.stop_offering()
        args = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "offer_clipboard.py")]
        for n, (target, data) in enumerate(offers.items()):
            path = os.path.join(self._display.work, f"offer{n}")
            with open(path, "wb") as f:
                f.write(data)
            args.append(f"{target}={path}")
        server = subprocess.Popen(args, env=self._display.env, stdout=subprocess.PIPE, bufsize=0)
        self._servers.append(server)
        self._requests = server.stdout
        if not select.select([server.stdout], [], [], 10)[0] or server.stdout.readline() != b"ready\n":
            raise RuntimeError("offer_clipboard.py did not take the clipboard")
        self.note_change()

    def requested(self):
        """The targets asked of offer_many's server so far (TARGETS left out)."""
        asked = []
        while self._requests is not None and select.select([self._requests], [], [], 0.2)[0]:
            line = self._requests.readline()
            if not line:
                break
            target = line.decode().split(" ", 1)[1].strip()
            if target != "TARGETS":
                asked.append(target)
        return asked

    def targets(self):
        out = self._display.run("xclip", "-o", "-selection", "clipboard", "-t", "TARGETS", check=False, timeout=5)
        return out.decode(errors="replace").split()

    def read(self, target="UTF8_STRING", timeout=10):
        return self._display.run("xclip", "-o", "-selection", "clipboard", "-t", target, check=False,
                                 timeout=timeout)

    def note_change(self):
        """Records that the clipboard's owner or targets have just changed."""
        self.changed_at = time.monotonic()

    def settle(self):
        """Waits until Calc has forgotten the targets it last listed. Calc keeps the list of
        targets it asked for for up to 2 s and pastes from it even after the owner has changed;
        a paste sooner asks the new owner for targets it may not have (or offers fewer)."""
        time.sleep(max(0.0, self.changed_at + TARGETS_KEPT - time.monotonic()))

    def stop_offering(self):
        for server in self._servers:
            if server.poll() is None:
                server.kill()
            server.wait()
            if server.stdout is not None:
                server.stdout.close()
        self._servers = []
        self._requests = None


class Sheet:
    """The cells read back from a sheet: rows of (text, kind), kind one of EMPTY, VALUE, TEXT,
    FORMULA as Calc's getType() tells."""

    def __init__(self, cells):
        self.cells = cells

    def texts(self):
        return [[text for text, _ in row] for row in self.cells]


class Calc:
    """One soffice process on its own display, reached over UNO on 127.0.0.1."""

    def __init__(self, display=None, start_timeout=60, dialog_titles=(TEXT_IMPORT_TITLE, IMPORT_OPTIONS_TITLE)):
        if uno is None:
            raise Unavailable("python3-uno is not importable (run the system's /usr/bin/python3)")
        require_tools("soffice", "xdotool", "xclip")
        program = os.path.dirname(os.path.realpath(shutil.which("soffice")))
        if not os.path.exists(os.path.join(program, "libvclplug_genlo.so")) or _installed("libreoffice-calc-nogui"):
            # The headless build has no window and no clipboard, and its Calc aborts when it
            # opens a document window even beside the full libreoffice-core.
            raise Unavailable("soffice has no X11 window for Calc (libreoffice-calc-nogui is installed; "
                              "scripts/bootstrap --tests installs libreoffice-calc)")
        self._display_arg = display
        self._start_timeout = start_timeout
        self._dialog_titles = dialog_titles
        self.dialogs_answered = []
        self._presses = {}  # window id: Enter presses sent
        self.display = None
        self.clipboard = None
        self._soffice = None
        self._docs = []

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        self.display = Display(self._display_arg)
        self.clipboard = Clipboard(self.display)
        profile = os.path.join(self.display.work, "profile")
        os.makedirs(os.path.join(profile, "user"))
        with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w") as f:
            f.write(_PROFILE_SETTINGS)
        port = _free_port()
        errors = open(os.path.join(self.display.work, "soffice.err"), "wb")
        self._soffice = subprocess.Popen(
            ["soffice", "--calc", "--norestore", "--nologo", "--nodefault", "--nolockcheck",
             "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
             f"--accept=socket,host=127.0.0.1,port={port};urp;"],
            env=self.display.env, stdout=subprocess.DEVNULL, stderr=errors, start_new_session=True)
        errors.close()  # soffice holds its own copy
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        url = f"uno:socket,host=127.0.0.1,port={port};urp;StarOffice.ComponentContext"

        def connect():
            if self._soffice.poll() is not None:
                raise RuntimeError(f"soffice exited with status {self._soffice.returncode} while starting: "
                                   f"{self.soffice_errors()}")
            try:
                return resolver.resolve(url)
            except Exception:  # NoConnectException until soffice listens
                return None

        self.ctx = _wait_for("soffice to accept UNO connections", connect, self._start_timeout, 0.2)
        smgr = self.ctx.ServiceManager
        self.desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)
        self._dispatcher = smgr.createInstanceWithContext("com.sun.star.frame.DispatchHelper", self.ctx)

    def soffice_errors(self):
        """The end of what soffice wrote to standard error."""
        try:
            with open(os.path.join(self.display.work, "soffice.err"), "rb") as f:
                return f.read()[-2000:].decode(errors="replace").strip()
        except OSError:
            return ""

    def close(self):
        if self.clipboard is not None:
            self.clipboard.stop_offering()
        if self._soffice is not None:
            try:
                for doc in self._docs:
                    doc.close(True)
                self.desktop.terminate()
            except Exception:
                pass  # the bridge may be gone already; the kill below ends it anyway
            try:
                self._soffice.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
            try:
                os.killpg(self._soffice.pid, 9)  # soffice runs soffice.bin as its child
            except ProcessLookupError:
                pass
            self._soffice.wait()
            self._soffice = None
        if self.display is not None:
            self.display.close()
            self.display = None

    # Documents and sheets.

    def new_document(self):
        doc = self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, ())
        self._docs.append(doc)
        return doc

    def open_document(self, path):
        props = (PropertyValue(Name="Hidden", Value=True),)
        doc = self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, props)
        if doc is None:
            raise RuntimeError(f"Calc could not open {path}")
        self._docs.append(doc)
        return doc

    def put_text(self, doc, rows, sheet_index=0):
        """Types `rows` into the sheet as texts: the cells are formatted as text ('@') first, as
        a user keeps ID numbers, then every cell is set with setString."""
        sheet = doc.Sheets.getByIndex(sheet_index)
        width = max(len(r) for r in rows)
        whole = sheet.getCellRangeByPosition(0, 0, width - 1, len(rows) - 1)
        from com.sun.star.lang import Locale
        whole.NumberFormat = doc.NumberFormats.getStandardFormat(100, Locale())  # NumberFormat.TEXT
        for r, row in enumerate(rows):
            for c, text in enumerate(row):
                if text:
                    sheet.getCellByPosition(c, r).setString(text)
        return whole

    def copy(self, doc, cell_range):
        """Selects `cell_range` and copies it to the clipboard as Calc's Ctrl+C does."""
        controller = doc.CurrentController
        controller.setActiveSheet(cell_range.Spreadsheet)
        controller.select(cell_range)
        self.clipboard.stop_offering()
        self._dispatch(doc, ".uno:Copy")
        self.clipboard.note_change()

    def paste_into_new_sheet(self, doc, name, timeout=30, read_back=True):
        """Pastes the clipboard at A1 of a new sheet `name`, answering Calc's questions with
        Enter; returns the cells read back (none when the paste gave nothing within `timeout`),
        or None without `read_back` (a cell at a time over UNO is slow for a large sheet)."""
        sheets = doc.Sheets
        sheets.insertNewByName(name, sheets.Count)
        sheet = sheets.getByName(name)
        controller = doc.CurrentController
        controller.setActiveSheet(sheet)
        controller.select(sheet.getCellRangeByName("A1"))
        self.clipboard.settle()
        self._presses = {}  # Calc reuses a dialog's window id for the next paste's dialog
        self._dispatch(doc, ".uno:Paste", timeout)
        # The Text Import dialog opens after the dispatch has returned and the paste happens
        # when it is answered; a paste without questions has happened already.
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self._answer_dialogs():
                continue
            if _has_content(sheet):
                time.sleep(0.2)
                if not self._answer_dialogs():
                    break
            time.sleep(0.2)
        return read_sheet(sheet) if read_back else None

    def _answer_dialogs(self):
        """Presses Enter in every open dialog this session answers; whether there was one."""
        answered = False
        for title in self._dialog_titles:
            for window in self.display.windows("^" + title + "$"):
                tries = self._presses.get(window, 0)
                self._presses[window] = tries + 1
                if tries == 0:
                    self.dialogs_answered.append(title)
                if tries < 2:
                    self.display.press_in(window, "Return")
                else:
                    # Now and then the dialog has the keyboard but no control in it has the
                    # focus, and Enter does nothing: click its OK button, at the bottom right
                    # in both dialogs.
                    self.display.click_from_corner(window, 56, 28)
                answered = True
        if answered:
            time.sleep(0.3)
        return answered

    def _dispatch(self, doc, command, timeout=30):
        """Runs `command` on the document's frame; a modal question it asks meanwhile is
        answered from this thread while the dispatch waits in another."""
        frame = doc.CurrentController.Frame
        done = threading.Event()
        failure = []

        def run():
            try:
                self._dispatcher.executeDispatch(frame, command, "", 0, ())
            except Exception as e:  # reported in the calling thread
                failure.append(e)
            finally:
                done.set()

        worker = threading.Thread(target=run, daemon=True)
        worker.start()
        deadline = time.monotonic() + timeout
        while not done.wait(0.2):
            self._answer_dialogs()
            if time.monotonic() > deadline:
                raise TimeoutError(f"{command} did not return within {timeout} s; open windows: "
                                   f"{self.display.window_names()}")
        if failure:
            raise failure[0]


def _has_content(sheet):
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.RangeAddress
    return end.EndRow > 0 or end.EndColumn > 0 or sheet.getCellByPosition(0, 0).getType().value != "EMPTY"


def read_sheet_values(sheet):
    """The sheet's used area from A1 as a Sheet, read as one array: far faster than read_sheet
    for a large sheet, but a formula shows as its value (TEXT or VALUE), never as FORMULA."""
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.RangeAddress
    data = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).getDataArray()
    cells = [[(str(v), "VALUE") if isinstance(v, float) else (v, "TEXT" if v else "EMPTY") for v in row]
             for row in data]
    if cells == [[("", "EMPTY")]]:
        cells = []
    return Sheet(cells)


def read_sheet(sheet):
    """Every cell of the sheet's used area from A1, as a Sheet."""
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.RangeAddress
    cells = []
    for r in range(end.EndRow + 1):
        row = []
        for c in range(end.EndColumn + 1):
            cell = sheet.getCellByPosition(c, r)
            row.append((cell.getString(), cell.getType().value))
        cells.append(row)
    if cells == [[("", "EMPTY")]]:
        cells = []
    return Sheet(cells)


def paste_cases(session, doc, groups, only, target, exact, describe, note=None):
    """Pastes each case (name, data, cells meant) of `groups` [(group, cases)] whose name or group
    holds `only`, offered as `target`, into a sheet of its own; prints whether Calc read exactly
    the cells meant, what it read (describe(sheet)) and note(sheet) when that says something."""
    n = 0
    for group, cases in groups:
        print(f"== {group}")
        for name, data, meant in cases:
            if only and only not in name and only not in group:
                continue
            n += 1
            session.clipboard.offer(data.encode() if isinstance(data, str) else data, target)
            sheet = session.paste_into_new_sheet(doc, f"x{n}")
            verdict = "EXACT" if exact(meant, sheet) else "differs"
            print(f"  {verdict:7} {name}: {describe(sheet)!r}")
            remark = note(sheet) if note is not None else None
            if remark:
                print(f"          ({remark})")


def run_experiments(display, only, run_cases, sections, before=None):
    """Runs an experiment script in a Calc of its own: before(session, doc) when given, then
    run_cases(session, doc, only), then each (name, run) of `sections` whose name holds `only`.
    0, or SKIP when Calc cannot be had."""
    try:
        with Calc(display) as session:
            doc = session.new_document()
            if before is not None:
                before(session, doc)
            run_cases(session, doc, only)
            for section, run in sections:
                if not only or only in section:
                    run(session, doc)
            if session.dialogs_answered:
                print(f"dialogs answered: {session.dialogs_answered}")
    except Unavailable as why:
        print(f"skipped: {why}")
        return SKIP
    return 0
