"""The owner-drawn menus of Pexu under a virtual X display, on the window-flow harness of pexu_gui.py.

menus_flow.py menus PEXU SHOTS (run by gui_flow.sh): opens each drop-down menu of the main window with the keyboard
(and the class A sub-menu), then one menu each of the editor and the settings window; every menu's screenshot must
show the menu colour RGB(247,247,247) and the highlight RGB(10,36,106) over the items; the highlighted item's hint
and then the hint of an item under the mouse must reach status panel 0. ImageMagick's convert comes with import.
"""
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # importing the harness leaves nothing in the source tree
import pexu_gui as gui  # noqa: E402
from pexu_gui import check, shot, xdotool  # noqa: E402

MENU = "F7F7F7"
HIGHLIGHT = "0A246A"
BAR_BOTTOM = 22  # the menu bar's lower edge with the main window at its default place and no window manager
ITEM_HEIGHT = 20  # 19 without, 20 with a glyph
SEPARATOR_HEIGHT = 8


def screenshot(step):
    shot(step)
    return "%s/%s-%s.png" % (gui.SHOTS, gui.FLOW, step)


def colour_count(path, colour):
    histogram = subprocess.run(["convert", path, "-format", "%c", "histogram:info:-"], capture_output=True,
                               text=True).stdout
    for line in histogram.splitlines():
        if "#" + colour in line.upper():
            return int(line.split(":")[0])
    return 0


def expect_menu(program, step, least):
    """Screenshots an open menu, again while it is still being drawn; answers the screenshot's path."""
    program.wait_state(lambda s: s["focus"]["popup"], "the menu of " + step)
    end = time.time() + 20
    while True:
        path = screenshot(step)
        menu, highlight = colour_count(path, MENU), colour_count(path, HIGHLIGHT)
        if (menu > least and highlight > 1500) or time.time() > end:
            break
    print("%s: %d menu-coloured pixels, %d highlighted" % (step, menu, highlight))
    check(menu > least, "%s: too few pixels in the menu colour" % step)
    check(highlight > 1500, "%s: no highlighted item" % step)
    return path


def expect_hint(program, hint):
    program.wait_state(lambda s: s["panels"][0]["text"] == hint, "panel 0 to show %r" % hint)
    print("panel 0: %r" % hint)


def hover(path, items, separators):
    """Moves the mouse onto the item below items items and separators separators of the drop-down menu in the
    screenshot, found by its first item, which the keyboard highlighted."""
    box = subprocess.run(["convert", path, "-crop", "1024x740+0+%d" % BAR_BOTTOM, "+repage", "-fill", "black",
                          "+opaque", "#" + HIGHLIGHT, "-format", "%@", "info:"], capture_output=True,
                         text=True).stdout
    x, y = (int(v) for v in box.split("+")[1:3])
    xdotool("mousemove", x + 40, y + BAR_BOTTOM + ITEM_HEIGHT * items + SEPARATOR_HEIGHT * separators + 10)


def drop_down(program, key, step, least, first, hovered):
    """Opens a menu of the main window with key; first: the first item's hint; hovered: (items, separators, hint)
    of an item to point at."""
    program.key(key)
    path = expect_menu(program, step, least)
    expect_hint(program, first)
    items, separators, hint = hovered
    hover(path, items, separators)
    expect_hint(program, hint)


def flow_menus(program):
    program.start()
    drop_down(program, "alt+d", "datei", 3000, " Eigene Fragenauswahl laden und Fragebögen erzeugen",
              (2, 0, " Drucker einrichten"))
    xdotool("key", "Escape", "Escape")
    drop_down(program, "alt+t", "training", 3000, " Fragentraining zur Klasse A",
              (1, 0, " Fragentraining zur Klasse E"))
    xdotool("key", "Escape", "Escape")
    program.key("alt+p")
    path = expect_menu(program, "pruefungen", 5000)
    expect_hint(program, " Die Prüfungsteile der Klasse A")
    xdotool("key", "Right")
    expect_menu(program, "klasse-a", 7000)
    expect_hint(program, " Prüfung Technik Klasse 2 erzeugen")
    xdotool("key", "Escape")
    for items, separators, hint in ((2, 0, " Eigene Fragenauswahl laden und Fragebögen erzeugen"),
                                    (4, 2, "Übersicht über die Prüfungsergebnisse zur Kontrolle des Lernfortschritts")):
        hover(path, items, separators)
        expect_hint(program, hint)
    xdotool("key", "Escape", "Escape")
    drop_down(program, "alt+h", "hilfe", 1500, " Die Pexu Hilfe",
              (1, 0, " Programmversion / Fragenversionen / Dank / Kontakt"))
    xdotool("key", "Escape", "Escape")

    # The editor's and the settings window's menus, drawn the same way.
    for key, caption, menu_key, step in (("F11", "Pexu - Prüfungseditor", "alt+b", "editor-bearbeiten"),
                                         ("ctrl+e", "Pexu - Einstellungen", "alt+e", "einstellungen")):
        program.key(key)
        window = gui.wait(lambda: gui.windows(caption + "$"), "the window %r" % caption)[0]
        program.focus(window, " " + caption)
        xdotool("key", menu_key)
        expect_menu(program, step, 4000)
        xdotool("key", "Escape", "Escape")
    program.quit()


if __name__ == "__main__":
    gui.flow_menus = flow_menus
    sys.exit(gui.main())
