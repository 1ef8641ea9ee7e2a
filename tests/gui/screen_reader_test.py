"""Both windows as a screen reader gets them over AT-SPI, in English and Japanese.

    screen_reader_test.py BUILD_DIR WORK_DIR

Run by screen_reader_test.sh inside a private network namespace and a private
D-Bus session. Starts its own Xvfb and AT-SPI bus, simulated modules, and each
window; walks the accessible tree, presses keys with xdotool and listens to
the events a screen reader hears. Prints each failed check; exit status 1 if
any failed.
"""
import os
import re
import shutil
import subprocess
import sys
import time

build, work = sys.argv[1], sys.argv[2]
app_program = os.path.join(build, "src/ui/qt/QUELVARinit")
sim_program = os.path.join(build, "src/sim/quelvar-sim")
problems = []
children = []


def check(ok, what):
    if not ok:
        problems.append(what)
        print("FAIL: " + what, flush=True)
    return ok


def start(args, **kwargs):
    process = subprocess.Popen(args, **kwargs)
    children.append(process)
    return process


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


# ---- The display and the accessibility bus, private to this run ------------

runtime = os.path.join(work, "runtime")
os.makedirs(runtime, mode=0o700)
os.environ["XDG_RUNTIME_DIR"] = runtime
read_end, write_end = os.pipe()
# -displayfd: Xvfb takes a free display itself, so parallel runs never race for one.
start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
      pass_fds=[write_end], stderr=subprocess.DEVNULL)
os.close(write_end)
with os.fdopen(read_end) as display_pipe:
    display = display_pipe.readline().strip()
if not display:
    print("FAIL: Xvfb did not start")
    sys.exit(1)
os.environ["DISPLAY"] = ":" + display
start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stderr=subprocess.DEVNULL)
time.sleep(0.5)

import pyatspi  # noqa: E402  (after DISPLAY: it finds the bus through it)
from gi.repository import GLib  # noqa: E402

events = []


def heard(event):
    try:
        # A focus heard is the object a screen reader reads next: its text too.
        said = (text_of(event.source) if event.type.startswith("object:state-changed:focused")
                and event.detail1 else event.any_data)
        events.append((event.type, event.source.getRoleName(), event.source.name or "",
                       str(said) if said is not None else ""))
    except Exception:  # the object may be gone already
        pass


for kind in ("object:property-change:accessible-name", "object:text-changed:insert",
             "window:create", "object:state-changed:showing", "object:state-changed:focused"):
    pyatspi.Registry.registerEventListener(heard, kind)


def pump(seconds):
    context = GLib.MainContext.default()
    end = time.time() + seconds
    while time.time() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(condition, seconds, step=0.1):
    end = time.time() + seconds
    while time.time() < end:
        pump(step)
        try:
            value = condition()
        except Exception:  # an object may go away while it is read
            value = None
        if value:
            return value
    return None


def tree(root, depth=0):
    """Every object below root that is showing, depth first, in tree order."""
    if depth > 12:
        return
    for child in root:
        if child is None:
            continue
        try:
            if not child.getState().contains(pyatspi.STATE_SHOWING):
                continue
        except Exception:
            continue
        yield child
        # A table's cells are checked where its lines are read.
        if child.getRoleName() not in ("table", "list"):
            yield from tree(child, depth + 1)


def text_of(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def focused(window):
    for obj in tree(window):
        if obj.getState().contains(pyatspi.STATE_FOCUSED):
            return obj
    return None


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=False)
    pump(0.3)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "5", text], check=False)
    pump(0.3)


ROLES = {"push button", "radio button", "check box", "text", "spin button", "list", "table",
         "list item", "table cell", "combo box", "page tab", "toggle button", "tree", "tree table",
         "tree item"}


def check_names(window, where, ours=True):
    """Every control that takes the focus says what it is and has a name.

    Qt's own dialogs keep the toolkit's translation, which reads an access
    key in parentheses ("保存(S)"); only our windows are held to reading none.
    """
    for obj in tree(window):
        state = obj.getState()
        if not state.contains(pyatspi.STATE_FOCUSABLE) or obj.getRoleName() == "scroll bar":
            continue
        check(obj.getRoleName() in ROLES, "%s: focusable %r has the role %r"
              % (where, obj.name, obj.getRoleName()))
        check(bool((obj.name or "").strip()), "%s: a focusable %s has no name"
              % (where, obj.getRoleName()))
        check(not ours or "&" not in (obj.name or "") and not re.search(r"\([A-Z]\)", obj.name or ""),
              "%s: %r shows its access key" % (where, obj.name))


def tab_order(window, expected, where):
    """Tab goes through the enabled controls in caption order and back to the first."""
    enabled = {obj.name for obj in tree(window)
               if obj.getState().contains(pyatspi.STATE_FOCUSABLE)
               and obj.getState().contains(pyatspi.STATE_SENSITIVE)}
    stops = [name for name in expected if name in enabled]
    start_name = focused(window).name if focused(window) else None
    check(start_name == stops[0], "%s: the focus starts on %r, not %r" % (where, start_name, stops[0]))
    reached = []
    for _ in range(len(stops)):
        before = focused(window)
        events.clear()
        key("Tab")
        now = wait_for(lambda: focused(window) if focused(window) != before else None, 2)
        reached.append(now.name if now else None)
        # The last focus the reader heard is the control itself, with its
        # whole text (the IP address, not one of its numbers).
        pump(0.2)
        last = [(name, said) for kind, _, name, said in events if kind == "object:state-changed:focused"]
        if now is not None and last:
            wanted_text = text_of(now)
            check(last[-1][0] == now.name and (wanted_text is None or last[-1][1] == wanted_text),
                  "%s: Tab to %r announced %r" % (where, now.name, last[-1]))
    wanted = stops[1:] + stops[:1]
    check(reached == wanted, "%s: Tab reached\n    %s\n  not\n    %s" % (where, reached, wanted))


def find(window, role, name=None, contains=None):
    for obj in tree(window):
        if obj.getRoleName() != role:
            continue
        if name is not None and obj.name != name:
            continue
        if contains is not None and contains not in (obj.name or ""):
            continue
        return obj
    return None


def lines_of(view):
    """Each line of a list or table: its cells' names and the first cell's description."""
    lines = []
    table = view.queryTable()
    for row in range(table.nRows):
        cells = [table.getAccessibleAt(row, column) for column in range(table.nColumns)]
        lines.append(([cell.name for cell in cells], cells[0].description))
    return lines


def headers_of(view):
    return [child.name for child in view if child is not None
            and child.getRoleName() == "table column header"]


def message_box(app, window):
    """The box the window shows over itself: its text and its buttons."""
    for top in app:
        if top is None or top.name == window.name and top.getRoleName() != "alert":
            continue
        if top.getRoleName() in ("alert", "dialog"):
            labels = [obj.name for obj in tree(top) if obj.getRoleName() == "label" and obj.name]
            buttons = [obj.name for obj in tree(top) if obj.getRoleName() == "push button"]
            return top, labels, buttons
    return None


def find_app(process):
    def lookup():
        for candidate in pyatspi.Registry.getDesktop(0):
            if candidate is not None and candidate.get_process_id() == process.pid:
                return candidate
        return None
    return wait_for(lookup, 20, 0.3)


def start_window(lang, args, folder):
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb", HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, ".config"),
               LANG="C.UTF-8", LC_ALL="", LANGUAGE=lang)
    log = open(os.path.join(folder, "window.log"), "w")
    process = start([os.path.join(folder, "QUELVARinit")] + args, env=env, stdout=log, stderr=log)
    app = find_app(process)
    if not check(app is not None, "%s %s: the window is not on the accessibility bus" % (lang, args)):
        return process, None, None
    window = wait_for(lambda: next((w for w in app if w is not None and
                                    w.getState().contains(pyatspi.STATE_SHOWING)), None), 10)
    # Keys go to the focused window; there is no window manager to focus it.
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(process.pid)],
                           capture_output=True, text=True, timeout=20).stdout.split()
    x_window[:] = found[-1:]
    refocus()
    return process, app, window


x_window = []


def refocus():
    """Gives the window the keyboard again: without a window manager the
    focus goes nowhere when a box over it closes."""
    if x_window:
        subprocess.run(["xdotool", "windowfocus", "--sync", x_window[0]], check=False, timeout=10)
    pump(0.5)


def start_modules(folder, *profiles):
    out = open(os.path.join(folder, "sim.out"), "w")
    sim = start([sim_program, "--modules", "3", "--exit-after", "240", *profiles], stdout=out,
                stderr=subprocess.DEVNULL)
    wait_for(lambda: "ready" in open(os.path.join(folder, "sim.out")).read(), 10)
    return sim


def fresh_folder(name):
    # The window keeps its setup records beside itself: a copy of its own.
    folder = os.path.join(work, name)
    os.makedirs(folder)
    shutil.copy2(app_program, folder)
    with open(os.path.join(folder, "door-3.rec"), "wb"):
        pass
    return folder


# ---- What each language's user hears ----------------------------------------

WORDS = {
    "en": {
        "main": ["Search", "Device", "Save setuprecord", "IP address", "Set IP address",
                 "setuprecord file folder ...", "setuprecord files", "Load setuprecord",
                 "Telnet...", "Web manager..."],
        "site": ["Commission from a sheet", "Sheet", "Browse...", "Address range",
                 "Verify: read back and compare", "Modules at once", "Report", "Report Browse...",
                 "Resume from", "Resume from Browse...", "Check", "Start", "Stop",
                 "Open handover page", "Open CSV", "Close", "Modules", "Messages"],
        "progress": "Progress", "backup": "Back up the site", "backup_key": "alt+b",
        "into_key": "alt+i", "start_key": "alt+s", "table": "Modules",
        "headers": ["MAC", "Address before", "Address after", "File", "Step", "Progress",
                    "Result", "Reason"],
        "ok": "OK", "cancel": "Cancel", "saved": "saved",
    },
    "ja": {
        "main": ["検索", "機器", "setuprecord保存", "IP address", "IPアドレス設定",
                 "setuprecordファイルフォルダ ...", "setuprecordファイル", "setuprecord書き込み",
                 "Telnet...", "Webマネージャ..."],
        "site": ["シートから設定", "シート", "参照...", "IPアドレス範囲", "検証: 読み戻して比較",
                 "同時に処理する機器数", "レポート", "レポート 参照...", "再開元レポート",
                 "再開元レポート 参照...", "確認", "開始", "中止", "引き渡しページを開く", "CSVを開く",
                 "閉じる", "機器一覧", "メッセージ"],
        "progress": "進行状況", "backup": "サイトをバックアップ", "backup_key": "alt+b",
        "into_key": "alt+i", "start_key": "alt+s", "table": "機器一覧",
        "headers": ["MACアドレス", "変更前IPアドレス", "変更後IPアドレス", "setuprecordファイル",
                    "手順", "進行状況", "結果", "理由"],
        "ok": None, "cancel": None, "saved": None,
    },
}


def main_window(lang):
    words = WORDS[lang]
    where = "%s main window" % lang
    folder = fresh_folder("main-" + lang)
    sim = start_modules(folder)
    process, app, window = start_window(lang, [], folder)
    if window is None:
        stop(sim)
        return
    check_names(window, where)
    ip = find(window, "text", "IP address")
    if check(ip is not None, "%s: no text field named 'IP address'" % where):
        check(ip.childCount == 0, "%s: the IP address field shows %d parts" % (where, ip.childCount))
    progress = find(window, "progress bar")
    if check(progress is not None and progress.name == words["progress"],
             "%s: the progress bar is named %r" % (where, progress and progress.name)):
        check(progress.queryValue().maximumValue > 0, "%s: the progress bar has no value" % where)

    # Search with the focus where the window puts it, Space on the Search button.
    devices = find(window, "list", words["main"][1])
    files = find(window, "list", words["main"][6])
    check(devices is not None and files is not None, "%s: the two lists are not named" % where)
    if devices is None or files is None:
        stop(process)
        stop(sim)
        return
    key("space")
    check(wait_for(lambda: devices.queryTable().nRows == 3, 15), "%s: Search by keys found %d modules"
          % (where, devices.queryTable().nRows))
    found = [cells[0] for cells, _ in lines_of(devices)]
    check(any("02-00-5E-10-00-00" in line and "127.0.0.2" in line for line in found),
          "%s: the device list reads %r" % (where, found))
    check([cells[0] for cells, _ in lines_of(files)] == ["door-3.rec"],
          "%s: the file list reads %r" % (where, lines_of(files)))

    # Down selects a module and fills the address; one text with its value.
    key("Tab", "Down")
    wait_for(lambda: text_of(ip), 3)
    rows = devices.queryTable()
    selected = [found[row] for row in range(rows.nRows) if rows.isRowSelected(row)]
    check(selected and text_of(ip) and " %s " % text_of(ip) in selected[0],
          "%s: the IP address field reads %r for %r" % (where, text_of(ip), selected))
    # A file selected too: every control is enabled; Tab goes round them all.
    find(window, "push button", words["main"][5]).queryComponent().grabFocus()
    key("Tab", "Down")

    search_button = find(window, "push button", words["main"][0])
    search_button.queryComponent().grabFocus()
    pump(0.3)
    tab_order(window, words["main"], where)

    # A new address typed into the one field (the dots move on), Set IP
    # address by keys, each box answered by keys: OK where it asks.
    find(window, "push button", words["main"][4]).queryComponent().grabFocus()
    key("shift+Tab")
    events.clear()
    type_text("127.0.0.50")
    check(text_of(ip) == "127.0.0.50", "%s: the IP address field reads %r after typing" % (where, text_of(ip)))
    check(any(kind == "object:text-changed:insert" and name == words["main"][3] for kind, _, name, _ in events),
          "%s: typing the address was not announced as the field's text" % where)
    key("Tab", "space")
    for _ in range(3):
        box = wait_for(lambda: message_box(app, window), 15)
        if box is None:
            break
        top, labels, buttons = box
        print("%s: Set IP address told: %r %r" % (where, labels, buttons))
        check(any(labels), "%s: a box of Set IP address has no text" % where)
        key("shift+Tab", "space") if len(buttons) == 2 else key("Return")
        wait_for(lambda: message_box(app, window) is None, 5)
        refocus()
    find(window, "push button", words["main"][0]).queryComponent().grabFocus()
    key("space")
    check(wait_for(lambda: any("127.0.0.50" in cells[0] for cells, _ in lines_of(devices)), 15),
          "%s: after Set IP address a search finds %r" % (where, lines_of(devices)))
    # (A list takes the focus from keys only: it offers no focus action.)
    key("Tab", "Down")
    # Save the selected module's records: Tab to the button, Space, Enter in
    # the file dialog; the result is told in a box read over the bus.
    find(window, "push button", words["main"][2]).queryComponent().grabFocus()
    events.clear()
    key("space")
    dialog = wait_for(lambda: next((w for w in app if w is not None and w.getRoleName() == "dialog"
                                    and w.name != window.name), None), 10)
    if check(dialog is not None, "%s: Save opened no file dialog" % where):
        check_names(dialog, where + " save dialog", ours=False)
        key("Return")
        box = wait_for(lambda: message_box(app, window), 20)
        if check(box is not None, "%s: no box told the end of the save" % where):
            top, labels, buttons = box
            print("%s: the save's box: %s %r %r" % (where, top.getRoleName(), labels, buttons))
            check(any(labels), "%s: the box's text is not read" % where)
            check(buttons, "%s: the box has no buttons" % where)
            key("Return")
            check(wait_for(lambda: message_box(app, window) is None, 5),
                  "%s: Enter did not close the box" % where)
            refocus()
    saved = [name for name in os.listdir(folder) if name.endswith(".rec") and name != "door-3.rec"]
    check(saved, "%s: the save by keys wrote no file" % where)

    key("Escape")
    check(wait_for(lambda: process.poll() is not None, 10) is not None, "%s: Esc did not end it" % where)
    stop(process)
    stop(sim)


def site_window(lang):
    words = WORDS[lang]
    where = "%s Site window" % lang
    folder = fresh_folder("site-" + lang)
    # The third module's records cannot be read: its line fails.
    sim = start_modules(folder, "--profile", "2:no-monitor")
    process, app, window = start_window(lang, ["--site"], folder)
    if window is None:
        stop(sim)
        return
    check_names(window, where)
    table = find(window, "table", words["table"])
    if not check(table is not None, "%s: no table named %r" % (where, words["table"])):
        stop(process)
        stop(sim)
        return
    check(headers_of(table) == words["headers"], "%s: the table's column headers read %r"
          % (where, headers_of(table)))
    tab_order(window, words["site"], where)

    # A backup started and confirmed by keys alone: the task, the folder, Start,
    # then OK in the question (Cancel is its default).
    backup = os.path.join(folder, "backup")
    key(words["backup_key"])
    key(words["into_key"])
    type_text(backup)
    events.clear()
    key(words["start_key"])
    box = wait_for(lambda: message_box(app, window), 30)
    if check(box is not None, "%s: Start asked nothing" % where):
        top, labels, buttons = box
        print("%s: the question: %s %r %r" % (where, top.getRoleName(), labels, buttons))
        check(top.getRoleName() == "alert", "%s: the question is a %r, not an alert"
              % (where, top.getRoleName()))
        check(any(labels), "%s: the question's text is not read" % where)
        check(len(buttons) == 2, "%s: the question's buttons are %r" % (where, buttons))
        check(any(kind in ("window:create", "object:state-changed:showing") and role == "alert"
                  for kind, role, _, _ in events), "%s: the question was not announced: %r"
              % (where, events))
        key("shift+Tab", "space")
    # The end of the run is told by the status line.
    status = find(window, "status bar")
    check(status is not None, "%s: no status bar" % where)
    stop_button = find(window, "push button", words["site"][12])
    sensitive = lambda: stop_button.getState().contains(pyatspi.STATE_SENSITIVE)  # noqa: E731
    wait_for(sensitive, 10)
    done = wait_for(lambda: not sensitive(), 60)
    check(done, "%s: the backup did not end: %r" % (where, lines_of(table)))
    pump(1)
    status_news = [name for kind, role, name, _ in events
                   if kind == "object:property-change:accessible-name" and role == "status bar"]
    check(status_news, "%s: the status line's news were not announced" % where)
    print("%s: status announced %r" % (where, status_news[-2:]))
    check(status_news and status_news[-1] == status.name,
          "%s: the last news %r is not the status %r" % (where, status_news[-1:], status.name))
    lines = lines_of(table) if done else []
    for cells, description in lines:
        check(cells[0] in description and cells[6] in description and cells[6],
              "%s: a line reads %r, its cells %r" % (where, description, cells))
    # Not its colour alone: the failed line says so in words of its own.
    results = [cells[6] for cells, _ in lines if "02-00-5E-10-00-02" in cells[0]]
    passed = {cells[6] for cells, _ in lines if "02-00-5E-10-00-02" not in cells[0]}
    check(results and results[0] and results[0] not in passed,
          "%s: the failed line's result reads %r beside %r" % (where, results, passed))
    for cells, description in lines:
        print("%s: a line reads %r" % (where, description))

    # Esc closes it, the question answered by keys when it asks.
    key("Escape")
    if wait_for(lambda: process.poll() is not None, 3) is None:
        key("Return")
    check(wait_for(lambda: process.poll() is not None, 10) is not None, "%s: Esc did not end it" % where)
    stop(process)
    stop(sim)


try:
    for language in ("en", "ja"):
        main_window(language)
        site_window(language)
finally:
    for child in reversed(children):
        stop(child)
print("%d problem(s)" % len(problems))
sys.exit(1 if problems else 0)
