"""Window flows of the installed program and of window places under a virtual X display, on the harness of
pexu_gui.py.

install_flows.py FLOW PEXU SHOTS, FLOW one of:
  installed: the program folder as an installation leaves it (no Pexu.ini beside the program) and an empty home
    folder: the start copies the catalogue into $HOME/Pexu/Fragen, F2 draws an exam sheet from it, and F10 opens
    a file chooser that speaks German and names its file type once.
  places: a Pexu.ini that stores the settings window at 2500,2000 and 32,767 pixels tall: it comes up wholly on
    the 1024x768 screen; the about box is a dialog of the main window that asks for no buttons to minimise or
    maximise it and cannot be resized.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

import pexu_gui as g
from pexu_gui import check, click, shot, wait, windows

SCREEN = (1024, 768)
ENGLISH = ("Look in:", "Files of type:", "File name:", "Cancel", "Open")
# _MOTIF_WM_HINTS: functions and decorations that would give the frame minimise and maximise buttons.
MWM_FUNC_MIN_MAX = 0x08 | 0x10
MWM_DECOR_MIN_MAX = 0x20 | 0x40


def flow_installed(program):
    os.remove(program.file("Pexu.ini"))
    home = tempfile.mkdtemp(prefix="pexu-home-")
    os.environ["HOME"] = home
    os.environ.pop("USERPROFILE", None)
    data = os.path.join(home, "Pexu")
    try:
        program.start()
        with open(g.CATALOGUE, "rb") as shipped, open(os.path.join(data, "Fragen", "KAEFragen.qst"), "rb") as copy:
            check(shipped.read() == copy.read(), "the data folder's catalogue is not the shipped one")
        program.key("F2")
        state = program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "k",
                                   "the exam sheet")
        check(state["page"] == os.path.join(data, "html", "LetztePruefung.html"), "sheet at " + state["page"])
        check(not os.path.exists(program.file("html/LetztePruefung.html")), "the sheet went to the program folder")
        shot("sheet")
        print("fresh installation: the catalogue copied to %s, F2 drew a sheet" % data)

        program.key("F10")
        chooser = wait(lambda: windows("Fragenliste"), "the file chooser")[0]
        g.xdotool("windowfocus", "--sync", chooser)
        state = program.wait_state(lambda s: "Fragenliste" in s["focus"]["modal"] and s["dialog"], "the file chooser")
        texts = [t.replace("&", "") for t in state["dialog"]]  # without the marks of the access keys
        shot("file-dialog")
        check(not [t for t in texts if t in ENGLISH], "English texts in the file chooser: %s" % texts)
        check(texts.count("Fragenlisten (*.qlt)") == 1 and not [t for t in texts if "(*.qlt) (*.qlt)" in t],
              "the file type: %s" % texts)
        print("file chooser:", ", ".join(texts))
        g.xdotool("key", "Escape")
        program.wait_state(lambda s: not s["focus"]["modal"], "the file chooser to close")
        program.quit()
    finally:
        shutil.rmtree(home, ignore_errors=True)


def xprop(window, name):
    return subprocess.run(["xprop", "-id", window, name], capture_output=True, text=True).stdout.strip()


def check_on_screen(name, window):
    x, y, w, h = g.geometry(window)
    check(x >= 0 and y >= 0 and x + w <= SCREEN[0] and y + h <= SCREEN[1], "%s at %s" % (name, (x, y, w, h)))
    return x, y, w, h


def flow_places(program):
    with open(program.file("Pexu.ini"), "ab") as f:
        f.write(b"[Position]\r\nEinstellungenLeft=2500\r\nEinstellungenTop=2000\r\nEinstellungenHeight=32767\r\n")
    program.start()
    program.key("ctrl+e")
    settings = wait(lambda: windows("^ Pexu - Einstellungen$"), "the settings window")[0]
    x, y, w, h = check_on_screen("the settings window", settings)
    check((x + w, y, h) == (SCREEN[0], 0, SCREEN[1]), "the settings window at %s" % ((x, y, w, h),))
    shot("settings")
    program.focus(settings, " Pexu - Einstellungen")
    g.xdotool("key", "F12")
    program.wait_state(lambda s: s["windows"] == [s["caption"]], "the settings window to close")

    program.key("alt+h")
    program.wait_state(lambda s: s["focus"]["popup"], "the Hilfe menu")
    g.xdotool("key", "p")
    program.wait_state(lambda s: "Info" in s["windows"] and "about-exit" in s["points"], "the about box")
    about = wait(lambda: windows("^Info$"), "the about box's window")[0]
    check_on_screen("the about box", about)
    owner = re.search(r"window id # (0x[0-9a-f]+)", xprop(about, "WM_TRANSIENT_FOR"))
    check(owner and int(owner.group(1), 16) == int(program.main), "the about box belongs to %s" % owner)
    hints = [int(v, 16) for v in xprop(about, "_MOTIF_WM_HINTS").split("=")[1].split(",")]
    check(hints[1] & MWM_FUNC_MIN_MAX == 0 and hints[2] & MWM_DECOR_MIN_MAX == 0, "frame hints %s" % hints)
    sizes = xprop(about, "WM_NORMAL_HINTS")
    least = re.search(r"minimum size: (\d+) by (\d+)", sizes)
    most = re.search(r"maximum size: (\d+) by (\d+)", sizes)
    check(least and most and least.groups() == most.groups(), "the about box can be resized: %s" % sizes)
    check("_NET_WM_WINDOW_TYPE_DIALOG" in xprop(about, "_NET_WM_WINDOW_TYPE"), "the about box is no dialog")
    shot("about")
    click(*program.state()["points"]["about-exit"])
    program.wait_state(lambda s: "Info" not in s["windows"], "the about box to close")
    program.quit()


if __name__ == "__main__":
    # The harness runs the flow of its own name space.
    for name, flow in list(globals().items()):
        if name.startswith("flow_"):
            setattr(g, name, flow)
    sys.exit(g.main())
