"""Window flows of the installed program under a virtual X display, on the harness of pexu_gui.py.

install_flows.py FLOW PEXU SHOTS, FLOW one of:
  installed: the program folder as an installation leaves it (no Pexu.ini beside the program) and an empty home
    folder: the start copies the catalogue into $HOME/Pexu/Fragen, F2 draws an exam sheet from it, and F10 opens
    a file chooser that speaks German and names its file type once.
"""
import os
import shutil
import sys
import tempfile

import pexu_gui as g
from pexu_gui import check, shot, wait, windows

ENGLISH = ("Look in:", "Files of type:", "File name:", "Cancel", "Open")


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
        wait(lambda: windows("Fragenliste"), "the file chooser")
        state = program.wait_state(lambda s: "Abbrechen" in s["dialog"], "a German file chooser")
        texts = [t.replace("&", "") for t in state["dialog"]]  # without the marks of the access keys
        shot("file-dialog")
        check(not [t for t in texts if t in ENGLISH], "English texts in the file chooser: %s" % texts)
        check(texts.count("Fragenlisten (*.qlt)") == 1 and not [t for t in texts if "(*.qlt) (*.qlt)" in t],
              "the file type: %s" % texts)
        print("file chooser:", ", ".join(texts))
        g.xdotool("key", "Escape")
        program.wait_state(lambda s: not s["dialog"], "the file chooser to close")
        program.quit()
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    # The harness runs the flow of its own name space.
    for name, flow in list(globals().items()):
        if name.startswith("flow_"):
            setattr(g, name, flow)
    sys.exit(g.main())
