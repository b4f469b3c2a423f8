#!/usr/bin/python3
"""Drives the real program through the accessibility tree (AT-SPI), as a
screen reader would: every control of the window and of the path dialog has a
name, the options are radio buttons, a message box is an alert whose text can
be read, pressing "Weiter" by its accessible name shows page 2, and there the
restore button is read as "Wiederherstellung starten", however it wraps.

    onxvfb.sh dbus-run-session -- python3 atspi_weiter.py PROGRAM
    python3 atspi_weiter.py --press NAME    (helper: presses one button)
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_COMBO_BOX,
}


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def wait_for(what, find, seconds=60, program=None):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if program is not None and program.poll() is not None:
            sys.exit(f"atspi: the program ended with {program.returncode}")
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"atspi: timed out waiting for {what}")


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Horbelung":
            return app
    return None


def control(root, role, name):
    return next((n for n in walk(root) if n.getRole() == role and n.name == name), None)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def page_shown(app, name):
    page = control(app, pyatspi.ROLE_PANEL, name)
    return page is not None and showing(page)


def press(node):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if "Press" not in names:
        sys.exit(f"atspi: {node.name!r} has no Press action: {names}")
    actions.doAction(names.index("Press"))


def nameless(root):
    return [
        f"{n.getRoleName()} in {n.parent.getRoleName()} {n.parent.name!r}"
        for n in walk(root)
        if n.getRole() in NAMED_ROLES and not n.name
    ]


def check_names(app):
    if nameless(app):
        sys.exit("atspi: controls without an accessible name: " + "; ".join(nameless(app)))
    options = [n for n in walk(app) if n.name.endswith(".mdb)")]
    if not options or any(n.getRole() != pyatspi.ROLE_RADIO_BUTTON for n in options):
        sys.exit("atspi: the catalogue options are not radio buttons")
    checked = [n.name for n in options if n.getState().contains(pyatspi.STATE_CHECKED)]
    if checked != ["Nokrat-Daten (Nokrat.mdb)"]:
        sys.exit(f"atspi: checked options at start: {checked}")


def open_modal(app, button, role, title):
    # The button's handler runs the window modally, so the Press call only
    # returns when the window is closed: a helper process makes that call.
    helper = subprocess.Popen([sys.executable, __file__, "--press", button])
    window = wait_for(f"the window {title!r}", lambda: control(app, role, title))
    return helper, window


def close_modal(app, helper, window, button):
    role, title = window.getRole(), window.name
    press(wait_for(button, lambda: control(window, pyatspi.ROLE_PUSH_BUTTON, button)))
    wait_for(f"the window {title!r} to close", lambda: control(app, role, title) is None)
    if helper.wait(timeout=30) != 0:
        sys.exit("atspi: pressing the button failed")


def check_message_box(app):
    helper, alert = open_modal(app, "Diskette jetzt prüfen", pyatspi.ROLE_ALERT, "Horbelung")
    texts = [n.name for n in walk(alert) if n.getRole() == pyatspi.ROLE_LABEL]
    if not any(t.startswith("Fehler Nr.:  53") for t in texts):
        sys.exit(f"atspi: the alert does not read the message: {texts}")
    close_modal(app, helper, alert, "OK")


def check_path_dialog(app):
    helper, dialog = open_modal(app, "Verzeichnis auswählen", pyatspi.ROLE_DIALOG, "Pfad Auswahl")
    if nameless(dialog):
        sys.exit("atspi: dialog controls without a name: " + "; ".join(nameless(dialog)))
    close_modal(app, helper, dialog, "Schließen")


def check_weiter(app):
    weiter = control(app, pyatspi.ROLE_PUSH_BUTTON, "Weiter")
    start = control(app, pyatspi.ROLE_PUSH_BUTTON, "Sicherung starten")
    if weiter is None or start is None:
        sys.exit("atspi: no buttons named 'Weiter' and 'Sicherung starten'")
    if not showing(weiter) or showing(start):
        sys.exit("atspi: page 1 is not the one shown at start")
    # The page in front is a named panel, the one behind is not shown.
    page1, page2 = "Seite 1: Datenbank wählen", "Seite 2: Sichern oder wiederherstellen"
    if not page_shown(app, page1) or page_shown(app, page2):
        sys.exit("atspi: page 1 is not the named page in front")
    press(weiter)
    wait_for("page 2", lambda: showing(start) and not showing(weiter) and page_shown(app, page2))
    # The restore caption wraps on its button; read aloud it keeps its blank.
    press(control(app, pyatspi.ROLE_RADIO_BUTTON, "wieder hergestellt werden"))
    wait_for("the button 'Wiederherstellung starten'",
             lambda: control(app, pyatspi.ROLE_PUSH_BUTTON, "Wiederherstellung starten"))


def main():
    if sys.argv[1] == "--press":
        app = wait_for("the program", application)
        buttons = [n for n in walk(app) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                   and n.name == sys.argv[2] and showing(n)]
        press(buttons[0])
        return
    with tempfile.TemporaryDirectory() as sandbox:
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        for variable in ("HOME", "XDG_DATA_HOME", "WINEPREFIX", "XDG_RUNTIME_DIR", "work"):
            os.mkdir(os.path.join(sandbox, variable), 0o700)
            env[variable] = os.path.join(sandbox, variable)
        # A copy in a folder of its own, without the scandisk.exe of the build
        # folder: "Diskette jetzt prüfen" then ends in the message box of error 53.
        copy = shutil.copy(os.path.abspath(sys.argv[1]), os.path.join(sandbox, "horbelung"))
        program = subprocess.Popen([copy], env=env, cwd=env.pop("work"))
        try:
            app = wait_for("the program in the accessibility tree", application, program=program)
            wait_for("the main window", lambda: control(app, pyatspi.ROLE_PUSH_BUTTON, "Weiter"),
                     program=program)
            check_names(app)
            check_message_box(app)
            check_path_dialog(app)
            check_weiter(app)
            if program.poll() is not None:
                sys.exit(f"atspi: the program ended with {program.returncode}")
        finally:
            program.terminate()
            program.wait()
    print("atspi: names, radio buttons, alert, path dialog, 'Weiter' and captions all right")


if __name__ == "__main__":
    main()
