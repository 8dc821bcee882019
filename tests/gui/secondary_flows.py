"""Window flows of Pexu's secondary windows under a virtual X display, on the harness of pexu_gui.py.

secondary_flows.py FLOW PEXU SHOTS, FLOW one of:
  question: a training sheet's "?" link shows the question window with the identifier row and the right answer;
    "[schließen]" hides it; the "L" link reports the missing solution.
  settings: Strg+E, a click on "Alternative zufällige Fragenauswahl", a click on the main window: Pexu.ini holds
    Zufallszahlen=1 and Default, AskedList and FVBNetzA 0.
  editor: F11, "Technische Kenntnisse Klasse A", three questions, Strg+M, count 2, time 10, a comment, Strg+S "x":
    Fragen/x.qlt holds that list; damaged list files open with the editor's message and change nothing; F10 in the
    main window loads x.qlt as an own exam of 2 of those questions in 10 minutes.
  exam_editor: during an exam of part TA the editor shows a question of part VE in the question window; the exam,
    submitted, is logged as TA.
  about: the about box with the catalogue's versions; without a catalogue one warning that does not come back.
"""
import os
import shutil
import sys
import time

import pexu_gui as g
from pexu_gui import check, click, latin1, shot, wait, windows, xdotool

QUESTION = "Pexu - Frage und richtige Antwort"
ENTITIES = {"ä": "&auml;", "ö": "&ouml;", "ü": "&uuml;", "Ä": "&Auml;", "Ö": "&Ouml;", "Ü": "&Uuml;", "ß": "&szlig;"}
DAMAGED_LISTS = {"abgeschnitten": b"TA=2\r\n", "kopf": b"XY=2\r\nZeit=10\r\nTA101\r\nTA103\r\n",
                 "binaer": bytes(range(256)) * 2}
LIST_REFUSED = "  Die Fragenliste passt nicht zum Prüfungsteil."


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


def click_link(x, y, rest=0.3):
    """Rests the pointer on a link before the click, as a user does: a press that reaches the viewer before the
    pointer's motion would start a selection there instead of following the link."""
    xdotool("mousemove", x, y)
    time.sleep(rest)
    xdotool("click", 1)


def settled_link(program, viewer):
    """The point of a viewer's first link once two readings of the state, farther apart than the program's refresh
    of the links, agree: a window's first layouts come before it has its size."""
    last = None
    for _ in range(60):
        links = (program.state() or {}).get(viewer, {}).get("links", [])
        now = links[0]["at"] if links else None
        if now is not None and now == last:
            return now
        last = now
        time.sleep(0.7)
    raise g.Failure("no settled link in the %s viewer" % viewer)


def choose_file(path):
    """Types path into the file dialog that shows and accepts it."""
    time.sleep(1)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", 5, path)
    xdotool("key", "Return")


def choose_part(program, downs, part):
    x, y = point(program, "editor-part")
    click(x, y)
    time.sleep(0.5)
    xdotool("key", *(["Down"] * downs), "Return")
    program.wait_state(lambda s: s["editor"]["part"] == part and "editor-pool4" in s["points"], "the pool of " + part)


def flow_question(program):
    program.start()
    program.key("shift+F2")
    state = program.wait_state(lambda s: s["page"].lower().endswith("traininga.html"), "the training page")
    button = [c for c in state["controls"] if c["kind"] == "TButton" and c["visible"]][0]
    click(button["x"], button["y"])
    state = program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "t" and
                               any(l["url"].endswith(".qst") for l in s["links"]), "the training sheet's links")
    question = [l for l in state["links"] if l["url"].endswith(".qst")][0]
    qid = question["url"][:5]
    click_link(*question["at"])
    state = program.wait_state(lambda s: QUESTION in s["windows"] and "question" in s, "the question window")
    time.sleep(0.5)
    shot("window")
    page = latin1(program.file("html/LetzteFrage.html"))
    check('<td colspan="2"><b>%s</b></td></tr>' % qid in page, "no identifier row for " + qid)
    check("<td>%s</td>" % right_answer("TAfragen.txt", qid) in page, "no right answer for " + qid)
    print("question window: %s with its identifier row and the right answer" % qid)
    click_link(*settled_link(program, "question"))
    program.wait_state(lambda s: QUESTION not in s["windows"], "[schließen] to hide the question window")
    shot("closed")
    print("question window: hidden by [schließen]")
    solution = [l for l in program.state()["links"] if l["url"] == qid + ".sln"][0]
    click_link(*solution["at"], rest=1)  # the link's title shows as a hint first, the click's message after it
    missing = "/Fragen/QX7RTZ/KlasseA/%s.pdf nicht gefunden" % qid
    program.wait_state(lambda s: s["panels"][0]["text"].endswith(missing), "the missing solution's message")
    program.quit()


def flow_settings(program):
    program.start()
    program.key("ctrl+e")
    x, y = point(program, "settings-blocks")
    xdotool("mousemove", x, y)
    time.sleep(0.5)
    shot("hover")
    click(x, y)
    time.sleep(0.3)
    shot("chosen")
    left, top, width, height = g.geometry(program.main)
    click(left + width // 2, top + height - 40)
    wait(lambda: ini(program, "Zufallszahlen") == "1", "Zufallszahlen=1 in Pexu.ini")
    values = {key: ini(program, key) for key in ("Default", "AskedList", "Zufallszahlen", "FVBNetzA")}
    check(values == {"Default": "0", "AskedList": "0", "Zufallszahlen": "1", "FVBNetzA": "0"}, str(values))
    print("Pexu.ini:", values)
    program.quit()


def make_list(program):
    program.key("F11")
    choose_part(program, 0, "TA")
    click(*point(program, "editor-pool0"))
    for i in (2, 4):
        xdotool("mousemove", *point(program, "editor-pool%d" % i))
        xdotool("keydown", "ctrl", "click", 1, "keyup", "ctrl")
    xdotool("key", "ctrl+m")
    program.wait_state(lambda s: s["editor"]["own"] == ["TA101", "TA103", "TA105"], "three questions in the list")
    click(*point(program, "editor-count"))
    time.sleep(0.5)
    xdotool("key", "Return")
    click(*point(program, "editor-time"))
    xdotool("key", "Home", "1", "0")
    click(*point(program, "editor-comment"))
    xdotool("type", "Drei Fragen")
    program.wait_state(lambda s: s["editor"]["panels"][1] == "3/2/10", "the counts 3/2/10")
    shot("list")
    xdotool("key", "ctrl+s")
    choose_file("x")
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
        xdotool("key", "F10")
        choose_file(program.file("Fragen/x.qlt"))
        program.wait_state(lambda s: s["editor"]["panels"][0].endswith("Fragen im Fragenpool"), "x.qlt opened")
        xdotool("key", "F10")
        choose_file(program.file("Fragen/%s.qlt" % name))
        program.wait_state(lambda s: s["editor"]["panels"][0] == LIST_REFUSED, name + ".qlt refused")
        state = program.state()
        check(state["editor"]["own"] == ["TA101", "TA103", "TA105"] and state["editor"]["part"] == "TA",
              name + ".qlt changed the list")
        print(name + ".qlt: refused, the list unchanged")
    shot("damaged")
    with open(program.file("Fragen/x.qlt"), "rb") as f:
        check(f.read() == saved, "Fragen/x.qlt changed")
    program.key("F10")
    choose_file(program.file("Fragen/x.qlt"))
    program.wait_state(lambda s: s["mode"] == "a" and s["page"].endswith("LetztePruefung.html"), "the own exam")
    time.sleep(0.5)
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
    program.key("F11")
    choose_part(program, 3, "VE")
    click(*point(program, "editor-pool1"))
    time.sleep(0.3)
    xdotool("key", "ctrl+t")
    program.wait_state(lambda s: QUESTION in s["windows"], "the question window")
    check("<b>VA102</b>" in latin1(program.file("html/LetzteFrage.html")), "the question window does not show VA102")
    time.sleep(0.5)
    shot("question")
    check(program.state()["part"] == "TA", "the exam's part changed")
    # Both windows go, so that the sheet can be scrolled to its button.
    click_link(*settled_link(program, "question"))
    program.wait_state(lambda s: QUESTION not in s["windows"], "the question window to close")
    xdotool("windowfocus", "--sync", windows("^ Pexu - Pr.*fungseditor$")[0])
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
    time.sleep(0.5)
    xdotool("key", "p")


def close_about(program, step):
    program.wait_state(lambda s: "Info" in s["windows"] and "about-exit" in s["points"], "the about box")
    time.sleep(0.5)
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
        g.expect_dialog("warning")
        time.sleep(2)
        check(not windows("^%s$" % g.WARNING), "the warning came back")
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
