#!/usr/bin/python3
# The main window read through the accessibility bus as a screen reader reads it: after a search the
# status text equals the summary and was announced, and the Advanced tab's two lists have names.
# Usage, in a D-Bus session of its own:  dbus-run-session -- scripts/check-screen-reader.py path/to/dustrel
# (ctest runs it when Xvfb, dbus-run-session and python3-pyatspi are installed).
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

SUMMARY = "   Total wasted size : 5 byte(s) - 1 file(s)."
LIST_NAMES = {"List of files to ignore", "List of custom type of files"}


def machine(root):
    for folder in ("home", "config/dustrel/drives", "tmp", "runtime", "disk-c", "install"):
        os.makedirs(os.path.join(root, folder), mode=0o700)
    os.symlink(os.path.join(root, "disk-c"), os.path.join(root, "config/dustrel/drives/c:"))
    with open(os.path.join(root, "disk-c/a.tmp"), "w") as rubbish:
        rubbish.write("12345")
    values = [("TypeOfFiles", "001" + "0" * 16), ("Directories", "00000"), ("Drives", "1"),
              ("IgnoreNb", "0"), ("CustomNb", "0"), ("InstallPath", os.path.join(root, "install")),
              ("LogFile", "No"), ("SaveParams", "No")]
    with open(os.path.join(root, "config/dustrel/HKEY_LOCAL_MACHINE.reg"), "w") as settings:
        settings.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quorvane\\Dustrel]\n")
        settings.writelines('"%s"="%s"\n' % value for value in values)
    return dict(os.environ, HOME=root + "/home", XDG_CONFIG_HOME=root + "/config", TMPDIR=root + "/tmp",
                XDG_RUNTIME_DIR=root + "/runtime", LC_ALL="C", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                QT_QPA_PLATFORM="xcb")


def find(node, wanted, depth=0):
    if node is None or depth > 40:
        return []
    found = [node] if wanted(node) else []
    for i in range(node.childCount):
        found += find(node.getChildAtIndex(i), wanted, depth + 1)
    return found


def until(seconds, probe):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        result = probe()
        if result:
            return result
        context = GLib.MainContext.default()
        while context.pending():
            context.iteration(False)
        time.sleep(0.1)
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in desktop if app is not None and app.name == "Dustrel"), None)


def check():
    heard = []
    pyatspi.Registry.registerEventListener(lambda event: heard.append(event.source.name),
                                           "object:property-change:accessible-name")
    app = until(30, application)
    assert app is not None, "the program never appeared on the accessibility bus"
    search = until(30, lambda: find(app, lambda n: n.getRoleName() == "push button" and n.name == "Search"))
    assert search, "no Search button"
    until(10, lambda: search[0].getState().contains(pyatspi.STATE_ENABLED))
    search[0].queryAction().doAction(0)
    status = until(30, lambda: find(app, lambda n: n.getRoleName() == "label" and n.name.startswith("   Total")))
    assert status, "no status text after the search"
    text = status[0].queryText()
    read = text.getText(0, text.characterCount)
    assert status[0].name == SUMMARY and read == SUMMARY, "status read as %r / %r" % (status[0].name, read)
    assert until(5, lambda: SUMMARY in heard), "the change of the status text was not announced"
    names = {node.name for node in find(app, lambda n: n.getRoleName() == "list")}
    assert LIST_NAMES <= names, "the lists are named %r" % names


def main():
    executable = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        environment = machine(root)
        read, write = os.pipe()
        screen = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24"],
                                  pass_fds=[write], stderr=subprocess.DEVNULL)
        os.close(write)
        environment["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
        os.environ["DISPLAY"] = environment["DISPLAY"]
        try:
            program = subprocess.Popen([executable, "/NOSPLASH"], env=environment, cwd=root + "/install")
            try:
                check()
            finally:
                program.kill()
                program.wait()
        finally:
            screen.terminate()
            screen.wait()
    print("status text and list names read through the accessibility bus")


if __name__ == "__main__":
    main()
