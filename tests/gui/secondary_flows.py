"""Window flows of Pexu's secondary windows under a virtual X display, on the harness of pexu_gui.py.

secondary_flows.py FLOW PEXU SHOTS, FLOW one of:
  question: a training sheet's "?" link shows the question window with the identifier row and the right answer;
    "[schließen]" hides it; the "L" link hands the question's worked solution to the desktop's opener.
  settings: Strg+E, a click on "Alternative zufällige Fragenauswahl", a click on the main window: Pexu.ini holds
    Zufallszahlen=1 and Default, AskedList and FVBNetzA 0.
  editor: F11, "Technische Kenntnisse Klasse A", three questions, Strg+M, Strg+S asks for the count; count 2, time
    10 typed after a click, a comment, Strg+S "x":
    Fragen/x.qlt holds that list; damaged list files open with the editor's message and change nothing; F10 in the
    main window loads x.qlt as an own exam of 2 of those questions in 10 minutes.
  exam_editor: during an exam of part TA the editor shows a question of part VE in the question window; the exam,
    submitted, is logged as TA.
  about: the about box with the catalogue's versions; without a catalogue one warning that does not come back.
"""
import os
import shutil
import stat
import sys
import urllib.parse

import pexu_gui as g
from pexu_gui import check, click, latin1, shot, wait, windows, xdotool

QUESTION = "Pexu - Frage und richtige Antwort"
EDITOR = " Pexu - Prüfungseditor"
ENTITIES = {"ä": "&auml;", "ö": "&ouml;", "ü": "&uuml;", "Ä": "&Auml;", "Ö": "&Ouml;", "Ü": "&Uuml;", "ß": "&szlig;"}
DAMAGED_LISTS = {"abgeschnitten": b"TA=2\r\n", "kopf": b"XY=2\r\nZeit=10\r\nTA101\r\nTA103\r\n",
                 "binaer": bytes(range(256)) * 2}
LIST_REFUSED = "  Die Fragenliste passt nicht zum Prüfungsteil."
NO_COUNT = "  Bitte die Anzahl der Prüfungsfragen festlegen."


def right_answer(pool, question):
    """The right answer of a question of the sample catalogue as its page writes it: the first answer line."""
    lines = latin1(os.path.join(g.SOURCE, "resources", "catalogue", pool)).splitlines()
    answer = next(line for line in lines[lines.index("::" + question):] if line.startswith("R:"))[2:]
    return "".join(ENTITIES.get(c, c) for c in answer)


def ini(program, key):
    for line in latin1(program.file("Pexu.ini")).splitlines():
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def point(program, name):
    return program.wait_state(lambda s: name in s["points"], name)["points"][name]


def click_link(program, url, viewer=None):
    """Points at the link to url in the main window's viewer (viewer None) or the question window's ("question") and
    clicks it once the viewer itself reports the pointer over that link: a press before the viewer has seen the
    pointer arrive would start a selection there, and a window's first layouts come before it has its size."""
    def view(s):
        return s if viewer is None else s.get(viewer, {})
    for _ in range(20):
        links = [l for l in view(program.state() or {}).get("links", []) if l["url"] == url]
        if not links:
            program.settle()
            continue
        xdotool("mousemove", *links[0]["at"])
        try:
            program.wait_state(lambda s: view(s).get("hover") == url, "the pointer over " + url, 2)
        except g.Failure:
            continue
        program.settle()  # the link's title has reached the status bar, so the click's message comes after it
        xdotool("click", 1)
        return
    raise g.Failure("the link %s could not be pointed at" % url)


def close_question(program):
    """Clicks the question window's one link, "[schließen]", and waits for the window to go."""
    links = program.wait_state(lambda s: s.get("question", {}).get("links"), "the question window's link")
    click_link(program, links["question"]["links"][0]["url"], "question")
    program.wait_state(lambda s: QUESTION not in s["windows"], "[schließen] to hide the question window")


def choose_part(program, row, part):
    """Opens the editor's part box and takes its item row."""
    dropdown(program, "editor-part", row)
    program.wait_state(lambda s: s["editor"]["part"] == part and "editor-pool4" in s["points"], "the pool of " + part)


def dropdown(program, name, row):
    """Opens the drop-down list of the editor's control name with a click, goes to its item row from the first one
    (the list opens with none chosen, or with the one under the pointer), takes it with Return and waits until the
    list is closed."""
    click(*point(program, name))
    program.wait_state(lambda s: s["focus"]["popup"], "the drop-down list of " + name)
    xdotool("key", "Home", *(["Down"] * row), "Return")
    program.wait_input(EDITOR)


def stand_in_opener(program):
    """An opener in place of the desktop's (xdg-open, first on the program's path) that notes what it is given;
    answers the file of its notes."""
    folder = program.file("bin")
    os.makedirs(folder)
    notes = program.file("opened.txt")
    with open(os.path.join(folder, "xdg-open"), "w") as f:
        f.write("#!/bin/sh\nprintf '%%s\\n' \"$@\" >> '%s'\n" % notes)
    os.chmod(os.path.join(folder, "xdg-open"), stat.S_IRWXU)
    os.environ["PATH"] = folder + os.pathsep + os.environ["PATH"]
    return notes


def flow_question(program):
    # The worked solutions come with the program, beside its catalogue.
    shutil.copytree(os.path.join(os.path.dirname(g.CATALOGUE), "QX7RTZ"), program.file("Fragen/QX7RTZ"))
    opened = stand_in_opener(program)
    program.start()
    program.key("shift+F2")
    state = program.wait_state(lambda s: s["page"].lower().endswith("traininga.html"), "the training page")
    button = [c for c in state["controls"] if c["kind"] == "TButton" and c["visible"]][0]
    click(button["x"], button["y"])
    state = program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "t" and
                               any(l["url"].endswith(".qst") for l in s["links"]), "the training sheet's links")
    question = [l for l in state["links"] if l["url"].endswith(".qst")][0]
    qid = question["url"][:5]
    click_link(program, question["url"])
    program.wait_state(lambda s: QUESTION in s["windows"] and "question" in s, "the question window")
    shot("window")
    page = latin1(program.file("html/LetzteFrage.html"))
    check('<td colspan="2"><b>%s</b></td></tr>' % qid in page, "no identifier row for " + qid)
    check("<td>%s</td>" % right_answer("TAfragen.txt", qid) in page, "no right answer for " + qid)
    print("question window: %s with its identifier row and the right answer" % qid)
    close_question(program)
    shot("closed")
    print("question window: hidden by [schließen]")
    click_link(program, qid + ".sln")
    pdf = program.file("Fragen/QX7RTZ/KlasseA/%s.pdf" % qid)
    wait(lambda: os.path.exists(opened) and latin1(opened).endswith("\n"), "the solution to be opened")
    urls = latin1(opened).split()
    check([urllib.parse.unquote(urllib.parse.urlparse(u).path) for u in urls] == [pdf], "opened %s" % urls)
    check(not program.state()["panels"][0]["text"].endswith("nicht gefunden"), "the solution was not found")
    print("solution: %s opened" % pdf)
    program.quit()


def flow_settings(program):
    program.start()
    program.key("ctrl+e")
    x, y = point(program, "settings-blocks")
    xdotool("mousemove", x, y)
    program.settle()
    shot("hover")
    click(x, y)
    program.settle()
    shot("chosen")
    left, top, width, height = g.geometry(program.main)
    click(left + width // 2, top + height - 40)
    # The window writes one key after the other.
    expected = {"Default": "0", "AskedList": "0", "Zufallszahlen": "1", "FVBNetzA": "0"}
    values = lambda: {key: ini(program, key) for key in expected}
    try:
        wait(lambda: values() == expected, "the choice in Pexu.ini")
    except g.Failure:
        raise g.Failure("Pexu.ini: %s" % values())
    print("Pexu.ini:", values())
    program.quit()


def open_editor(program):
    program.key("F11")
    focus_editor(program)


def focus_editor(program):
    """Gives the editor the input, as a user's click into it does (no window manager does it when a dialog closes)."""
    program.focus(wait(lambda: windows("^%s$" % EDITOR), "the editor")[0], EDITOR)


def make_list(program):
    open_editor(program)
    choose_part(program, 0, "TA")
    click(*point(program, "editor-pool0"))
    for i in (2, 4):
        xdotool("mousemove", *point(program, "editor-pool%d" % i))
        xdotool("keydown", "ctrl", "click", 1, "keyup", "ctrl")
    xdotool("key", "ctrl+m")
    program.wait_state(lambda s: s["editor"]["own"] == ["TA101", "TA103", "TA105"], "three questions in the list")
    xdotool("key", "ctrl+s")  # no count chosen yet: a message, not the file dialog
    program.wait_state(lambda s: s["editor"]["panels"][0] == NO_COUNT, "the message for the missing count")
    dropdown(program, "editor-count", 0)
    click(*point(program, "editor-time"))
    program.wait_input(EDITOR, "editor-time")
    xdotool("key", "1", "0")
    click(*point(program, "editor-comment"))
    program.wait_input(EDITOR, "editor-comment")
    xdotool("type", "Drei Fragen")
    program.wait_state(lambda s: s["editor"]["panels"][1] == "3/2/10", "the counts 3/2/10")
    shot("list")
    xdotool("key", "ctrl+s")
    g.choose_file(program, "x")
    program.wait_state(lambda s: s["editor"]["panels"][0].endswith("x.qlt gespeichert."), "the list to be saved")
    shot("saved")


def flow_editor(program):
    program.start()
    make_list(program)
    saved = b"#Drei Fragen\r\nTA=2\r\nZeit=10\r\nTA101\r\nTA103\r\nTA105\r\n"
    with open(program.file("Fragen/x.qlt"), "rb") as f:
        check(f.read() == saved, "Fragen/x.qlt differs")
    print("Fragen/x.qlt: the comment, TA=2, Zeit=10 and TA101 TA103 TA105")
    for name, content in DAMAGED_LISTS.items():
        with open(program.file("Fragen/%s.qlt" % name), "wb") as f:
            f.write(content)
        # The sound list first: it reads its pool anew and says so, so that the message that follows is this one's.
        focus_editor(program)
        xdotool("key", "F10")
        g.choose_file(program, program.file("Fragen/x.qlt"))
        program.wait_state(lambda s: s["editor"]["panels"][0].endswith("Fragen im Fragenpool"), "x.qlt opened")
        focus_editor(program)
        xdotool("key", "F10")
        g.choose_file(program, program.file("Fragen/%s.qlt" % name))
        program.wait_state(lambda s: s["editor"]["panels"][0] == LIST_REFUSED, name + ".qlt refused")
        state = program.state()
        check(state["editor"]["own"] == ["TA101", "TA103", "TA105"] and state["editor"]["part"] == "TA",
              name + ".qlt changed the list")
        print(name + ".qlt: refused, the list unchanged")
    shot("damaged")
    with open(program.file("Fragen/x.qlt"), "rb") as f:
        check(f.read() == saved, "Fragen/x.qlt changed")
    program.key("F10")
    g.choose_file(program, program.file("Fragen/x.qlt"))
    program.wait_state(lambda s: s["mode"] == "a" and s["page"].endswith("LetztePruefung.html"), "the own exam")
    shot("own-exam")
    sheet = latin1(program.file("html/LetztePruefung.html"))
    check("2 Fragen &nbsp; Zeit: 10 Minuten" in sheet, "the own exam is not 2 questions in 10 minutes")
    asked = [q for q in ("TA101", "TA103", "TA105") if '<td width="2%%"><b>%s</b></td>' % q in sheet]
    check(len(asked) == 2 and sheet.count('<td width="2%"><b>') == 2, "the own exam asks " + str(asked))
    print("own exam: %s of TA101 TA103 TA105 in 10 minutes" % " ".join(asked))
    program.quit()


def flow_exam_editor(program):
    program.start()
    program.key("F2")
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "k", "the exam sheet")
    open_editor(program)
    choose_part(program, 3, "VE")
    click(*point(program, "editor-pool1"))
    program.wait_input(EDITOR, "editor-pool")
    xdotool("key", "ctrl+t")
    program.wait_state(lambda s: QUESTION in s["windows"], "the question window")
    check("<b>VA102</b>" in latin1(program.file("html/LetzteFrage.html")), "the question window does not show VA102")
    shot("question")
    check(program.state()["part"] == "TA", "the exam's part changed")
    # Both windows go, so that the sheet can be scrolled to its button.
    close_question(program)
    focus_editor(program)
    xdotool("key", "F12")
    program.wait_state(lambda s: "editor-part" not in s["points"], "the editor to close")
    g.submit(program)
    program.wait_state(lambda s: s["page"].endswith("LetzteAuswertung.html"), "the evaluation page")
    shot("evaluated")
    lines = program.log_lines()
    check(len(lines) == 2 and lines[0].startswith("<td>TA/"), "the exam's log lines: " + str(lines))
    print("exam: logged as", lines[0][4:lines[0].index("&")], "after the editor showed VA102")
    program.quit()


def about_box(program):
    program.key("alt+h")
    program.wait_state(lambda s: s["focus"]["popup"], "the Hilfe menu")
    xdotool("key", "p")


def close_about(program, step):
    program.wait_state(lambda s: "Info" in s["windows"] and "about-exit" in s["points"], "the about box")
    shot(step)
    click(*program.state()["points"]["about-exit"])
    program.wait_state(lambda s: "Info" not in s["windows"], "the about box to close")


def flow_about(program):
    program.start()
    about_box(program)
    close_about(program, "catalogue")
    program.quit()
    bare = g.Program(catalogue=False)
    try:
        bare.start()
        about_box(bare)
        g.expect_dialog(bare, "warning")
        check(bare.settle()["focus"]["modal"] != g.WARNING and not windows("^%s$" % g.WARNING), "the warning came back")
        print("about box without a catalogue: one warning")
        close_about(bare, "no-catalogue")
        bare.quit()
    finally:
        bare.kill()
        shutil.rmtree(bare.folder, ignore_errors=True)


if __name__ == "__main__":
    os.environ["PEXU_TEST_LINKS"] = "1"  # the program's state file lists the links these flows click
    # The harness runs the flow of its own name space.
    for name, flow in list(globals().items()):
        if name.startswith("flow_"):
            setattr(g, name, flow)
    sys.exit(g.main())
