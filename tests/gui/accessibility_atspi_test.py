#!/usr/bin/env python3
"""The comparison window and the file selection dialog as a screen reader
sees them: the real program on a virtual display, read through AT-SPI on a
D-Bus session of its own.

It walks the accessible tree and checks that the toolbar buttons are found by
their captions and the other controls by their names, that no focusable
control showing on the screen lacks a name, and that pressing "Zoom in"
through the action interface zooms (the zoom box's text follows). A PDF
pair's page tab strips list their pages as page tabs with their states, one
is chosen through the reader, the overlay's page indicator reads where both
sides are, and the pair is among the recent pairs after
the window was ended by SIGTERM.

usage: accessibility_atspi_test.py VARNOLT EXAMPLES_FOLDER
Exits with 77 (skipped) when Xvfb, dbus-run-session, the AT-SPI registry or
python3-pyatspi is missing.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
# Generous: a loaded machine may take seconds to start the program and its
# accessibility bridge. Nothing here is timed beyond these bounds.
WAIT_SECONDS = 30

TOOLBAR_CAPTIONS = [
    "Fit to window", "Compare images", "Trim compared", "Sync pages",
    "Execute compared image", "Export compared image", "About", "Close",
    "Zoom in", "Zoom out", "Zoom 100%", "Side by side", "Overlay", "Blink",
    "Swipe", "Differences", "Reset offset", "Fit pages when opened",
    "Ignore anti-aliasing", "Show changes", "Previous change", "Next change",
    "Change list",
]
BUTTON_ROLES = {"push button", "toggle button", "check box"}
# (role, name) of the controls named for screen readers.
NAMED_CONTROLS = [
    ("spin button", "Tolerance"), ("spin button", "Blink interval"),
    ("spin button", "Trim compared"), ("slider", "Overlay opacity"),
    ("text", "Zoom"), ("filler", "Base version pane"),
    ("filler", "Modified version pane"), ("tree", "Change list"),
    ("push button", "Hide the change list"), ("label", "Status"),
    ("menu bar", "Menu bar"), ("menu item", "File"), ("menu item", "View"),
    ("tool bar", "Toolbar"), ("tool bar", "View"), ("tool bar", "Changes"),
]
DIALOG_CONTROLS = [
    ("text", "Base file"), ("text", "Modified file"),
    ("push button", "Browse for the base file"),
    ("push button", "Browse for the modified file"),
    ("push button", "OK"), ("push button", "Cancel"),
]


def skip(reason):
    print("SKIPPED: " + reason)
    return SKIPPED


def missing_tool():
    """What the test cannot run without, or None."""
    for tool in ("Xvfb", "dbus-run-session"):
        if not shutil.which(tool):
            return tool + " is not installed"
    if not os.path.exists("/usr/share/dbus-1/services/org.a11y.Bus.service"):
        return "the AT-SPI bus (at-spi2-core) is not installed"
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        return "python3-pyatspi is not installed for " + sys.executable
    return None


def accepts_connections(display):
    """True once the display's socket takes a connection: Xvfb may name its
    display a moment before it listens."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
        try:
            connection.connect("/tmp/.X11-unix/X" + display)
            return True
        except OSError:
            return False


def run_outside(argv):
    """Starts a virtual display and runs the checks on a D-Bus session."""
    reason = missing_tool()
    if reason:
        return skip(reason)
    read_end, write_end = os.pipe()
    # -noreset: the server would otherwise reset, refusing connections for a
    # moment, whenever its last client goes (the first program, a probe).
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as pipe:
            display = pipe.readline().strip()
        if not display or not wait_for(lambda: accepts_connections(display)):
            return skip("Xvfb did not start")
        env = dict(os.environ, DISPLAY=":" + display)
        for variable in ("WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_QPA_PLATFORM"):
            env.pop(variable, None)
        return subprocess.call(
            ["dbus-run-session", "--", sys.executable, __file__, "--inside"] + argv,
            env=env, timeout=240)
    finally:
        xvfb.terminate()
        xvfb.wait()


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition


def wait_for(condition, seconds=WAIT_SECONDS):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = condition()
        except Exception:  # the tree changes while it is read
            found = None
        if found:
            return found
        time.sleep(0.2)
    return None


def application_of(pyatspi, process):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is not None and application.get_process_id() == process.pid:
            return application
    return None


def nodes(root):
    """Every node under root, with its role and name."""
    found, stack = [], [root]
    while stack:
        node = stack.pop()
        try:
            role, name = node.getRoleName(), node.name or ""
            children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        except Exception:
            continue
        found.append((node, role, name))
        stack.extend(child for child in reversed(children) if child is not None)
    return found


def find(tree, role, name):
    for node, node_role, node_name in tree:
        if node_role == role and node_name == name:
            return node
    return None


def unnamed_focusable(pyatspi, tree):
    """Focusable controls on the screen without a name; a table's cells
    are its data, named by what they hold, and may be empty."""
    unnamed = []
    for node, role, name in tree:
        if name.strip() or role == "table cell":
            continue
        states = node.getState()
        if states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_SHOWING):
            parent = node.parent
            unnamed.append("%s in %s [%s]" % (role, parent.getRoleName() if parent else "-",
                                              parent.name if parent else ""))
    return unnamed


def text_of(node):
    """A field's text; a label named apart from its text gives it as its
    description."""
    try:
        text = node.queryText()
    except NotImplementedError:
        return node.description or ""
    return text.getText(0, text.characterCount)


def press(node):
    action = node.queryAction()
    for index in range(action.nActions):
        if action.getName(index) in ("Press", "press", "click", "Toggle", "toggle"):
            return action.doAction(index)
    return action.nActions > 0 and action.doAction(0)


def start(program, arguments, config_home):
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=config_home)
    return subprocess.Popen([program] + arguments, env=env, stdout=subprocess.DEVNULL)


def stop(process):
    if process.poll() is None:
        process.kill()
    process.wait()


def check_window(pyatspi, checks, program, examples, config_home):
    process = start(program, [os.path.join(examples, "plan_v1.png"),
                              os.path.join(examples, "plan_v2.png")], config_home)
    try:
        application = wait_for(lambda: application_of(pyatspi, process))
        if not checks.expect(application, "the program never showed on the AT-SPI bus"):
            return
        # The window is complete once its last row and the change list's
        # rows (which come with the differences) are there.
        tree = wait_for(lambda: (lambda t: find(t, "check box", "Change list")
                                 and find(t, "table cell", "Added") and t)(nodes(application)))
        if not checks.expect(tree, "the comparison window never showed all of its controls"):
            return
        for caption in TOOLBAR_CAPTIONS:
            checks.expect(any(role in BUTTON_ROLES and name == caption for _, role, name in tree),
                          "no button captioned %r" % caption)
        for role, name in NAMED_CONTROLS:
            checks.expect(find(tree, role, name), "no %s named %r" % (role, name))
        for control in unnamed_focusable(pyatspi, tree):
            checks.failures.append("a focusable control without a name: " + control)

        zoom = find(tree, "text", "Zoom")
        zoom_in = find(tree, "push button", "Zoom in")
        if zoom and zoom_in:
            checks.expect(text_of(zoom) == "100 %", "the zoom box reads %r" % text_of(zoom))
            press(zoom_in)
            checks.expect(wait_for(lambda: text_of(zoom) == "126 %"),
                          "pressing Zoom in left the zoom box at %r" % text_of(zoom))
            status = find(tree, "label", "Status")
            checks.expect(status and "Zoom 126" in text_of(status),
                          "the status line does not follow Zoom in")
    finally:
        stop(process)


def check_file_dialog(pyatspi, checks, program, config_home):
    process = start(program, [], config_home)
    try:
        application = wait_for(lambda: application_of(pyatspi, process))
        if not checks.expect(application, "the file selection dialog never showed"):
            return
        tree = wait_for(lambda: (lambda t: find(t, "push button", "Cancel") and t)(
            nodes(application)))
        if not checks.expect(tree, "the file selection dialog has no Cancel button"):
            return
        for role, name in DIALOG_CONTROLS:
            checks.expect(find(tree, role, name), "the dialog has no %s named %r" % (role, name))
        for control in unnamed_focusable(pyatspi, tree):
            checks.failures.append("a focusable control of the dialog without a name: " + control)
        press(find(tree, "push button", "Cancel"))
        try:
            process.wait(timeout=WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            checks.failures.append("Cancel pressed through AT-SPI did not end the program")
    finally:
        stop(process)


def write_pdf(path, pages):
    """A PDF of one page per entry, each a list of filled boxes (x, y, w, h)
    in points on an A5 landscape sheet."""
    objects = ["<< /Type /Catalog /Pages 2 0 R >>", None]
    kids = []
    for boxes in pages:
        stream = "".join("%d %d %d %d re f\n" % box for box in boxes)
        objects.append("<< /Length %d >>\nstream\n%sendstream" % (len(stream), stream))
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 420] /Contents %d 0 R >>"
                       % (len(objects)))
        kids.append("%d 0 R" % len(objects))
    objects[1] = "<< /Type /Pages /Kids [%s] /Count %d >>" % (" ".join(kids), len(kids))
    out, offsets = "%PDF-1.4\n", []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += "%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(out)
    out += "xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += "".join("%010d 00000 n \n" % offset for offset in offsets)
    out += "trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    with open(path, "w", encoding="ascii") as pdf:
        pdf.write(out)


def tab_description(node):
    try:
        return node.description or ""
    except Exception:
        return ""


def check_page_tabs(pyatspi, checks, program, folder, config_home):
    """A three-sheet set against its revision (sheet 2 changed): each strip
    lists its sheets as page tabs with their states, a tab is chosen through
    the reader, and the pair is in the recent pairs although the window was
    ended by a signal."""
    base, revision = os.path.join(folder, "set A.pdf"), os.path.join(folder, "set B.pdf")
    write_pdf(base, [[(50, 50, 100, 60)], [(200, 100, 80, 80)], [(300, 200, 40, 120)]])
    write_pdf(revision, [[(50, 50, 100, 60)], [(220, 100, 80, 80)], [(300, 200, 40, 120)]])
    process = start(program, [base, revision], config_home)
    try:
        application = wait_for(lambda: application_of(pyatspi, process))
        if not checks.expect(application, "the PDF pair never showed on the AT-SPI bus"):
            return

        def strips():
            tree = nodes(application)
            found = [node for node, role, _ in tree if role == "page tab list"
                     and node.childCount == 3]
            return len(found) == 2 and found

        lists = wait_for(strips)
        if not checks.expect(lists, "no two page tab lists of three pages"):
            return
        modified = lists[1]
        tabs = [modified.getChildAtIndex(i) for i in range(3)]
        checks.expect([tab.getRoleName() for tab in tabs] == ["page tab"] * 3,
                      "the strip's children are not page tabs")
        checks.expect([tab.name for tab in tabs] == ["1", "2", "3"],
                      "the page tabs are named %r" % [tab.name for tab in tabs])
        states = wait_for(lambda: (lambda d: d[1] == "changed" and d)(
            [tab_description(tab) for tab in tabs]))
        checks.expect(states == ["identical", "changed", "identical"],
                      "the page tabs' states read %r" % [tab_description(t) for t in tabs])
        checks.expect(tabs[0].getState().contains(pyatspi.STATE_SELECTED),
                      "the first page tab is not selected")
        press(tabs[2])
        checks.expect(wait_for(lambda: tabs[2].getState().contains(pyatspi.STATE_SELECTED)),
                      "pressing the third page tab through AT-SPI did not select it")
        # The other strip follows with Sync pages.
        checks.expect(wait_for(lambda: lists[0].getChildAtIndex(2).getState().contains(
            pyatspi.STATE_SELECTED)), "the base strip did not follow to the third page")
        # In a one-pane view the strips are hidden; the page indicator says
        # where both sides are.
        overlay = next((node for node, role, name in nodes(application)
                        if role in BUTTON_ROLES and name == "Overlay"), None)
        if checks.expect(overlay, "no Overlay button"):
            press(overlay)
            wanted = "Base page 3 of 3   |   Modified page 3 of 3"
            checks.expect(wait_for(lambda: find(nodes(application), "label", wanted)),
                          "the overlay names no pages: no label %r" % wanted)
        process.terminate()
        process.wait(timeout=WAIT_SECONDS)
        recorded = ""
        for root, _, files in os.walk(config_home):
            for name in files:
                with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                    recorded += f.read()
        checks.expect("set B.pdf" in recorded,
                      "a window ended by SIGTERM left no recent pair")
    finally:
        stop(process)


def run_inside(program, examples):
    import pyatspi
    checks = Checks()
    with tempfile.TemporaryDirectory() as config_home:
        check_window(pyatspi, checks, program, examples, config_home)
        check_file_dialog(pyatspi, checks, program, config_home)
    with tempfile.TemporaryDirectory() as config_home, tempfile.TemporaryDirectory() as folder:
        check_page_tabs(pyatspi, checks, program, folder, config_home)
    for failure in checks.failures:
        print("FAILED: " + failure)
    if not checks.failures:
        print("The window and the dialog read well through AT-SPI.")
    return 1 if checks.failures else 0


def main(argv):
    if argv[:1] == ["--inside"]:
        return run_inside(*argv[1:3])
    if len(argv) != 2:
        print(__doc__)
        return 2
    return run_outside(argv)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
