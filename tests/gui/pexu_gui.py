"""Window flows of Pexu under a virtual X display, driven with xdotool as a user would.

pexu_gui.py FLOW PEXU SHOTS: runs FLOW on a portable program folder of its own (the program, the sample pages,
the sample catalogue) with the test hooks' state file, checks what the windows show through that file, the files
the program writes and the X windows, and saves screenshots as SHOTS/<flow>-<step>.png.
"""
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

FLOW, PEXU, SHOTS = sys.argv[1:4]
SOURCE = os.environ["PEXU_SOURCE_DIR"]
CATALOGUE = os.environ["PEXU_CATALOGUE"]
WARNING = "Warnung"
LOG_HEADER = re.compile(r"^<td>(TA|TE|BE|VE)/\d+&nbsp;&nbsp;</td><td>\[\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\] &nbsp;"
                        r"\d+ von \d+ Fragen in \d+ min \(\d+\) bearbeitet\.</td>$")
LOG_RESULT = re.compile(r"^<td valign=\"top\"><b><font color=\"#(00a000|d00000)\">(ok|nein)</font></b></td>"
                        r"<td>Richtig: \d+ .*</td>$")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# The pointer is moved without --sync: xdotool would wait for a motion that never comes when the pointer already
# stands there; the X server handles the move before the click that follows it anyway.
def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout.strip()


def windows(name):
    """Visible X windows whose name matches the regular expression name."""
    found = xdotool("search", "--onlyvisible", "--name", name)
    return [w for w in found.split() if w]


# Bounds, not pauses: a wait ends as soon as what it waits for is there. A start under the sanitizers on a busy
# two-core machine can take many seconds.
START_TIMEOUT = 90.0


def wait(predicate, what, timeout=30.0, poll=0.1):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(poll)
    raise Failure("timed out waiting for " + what)


def geometry(window):
    """(x, y, width, height) of a window on the screen."""
    info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    field = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
    return field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")


def shot(step):
    path = os.path.join(SHOTS, "%s-%s.png" % (FLOW, step))
    subprocess.run(["import", "-window", "root", path], check=True)
    print("screenshot", path)


def click(x, y, count=1):
    xdotool("mousemove", x, y)
    xdotool("click", "--repeat", count, "--delay", 40, 1)


def latin1(path):
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


class Program:
    """A portable program folder with its own copy of the program, and the program running on it."""

    def __init__(self, catalogue=True):
        self.folder = tempfile.mkdtemp(prefix="pexu-gui-")
        shutil.copy(PEXU, os.path.join(self.folder, "pexu"))
        for sub in ("html", "css", "pics"):
            shutil.copytree(os.path.join(SOURCE, "resources", sub), os.path.join(self.folder, sub))
        os.makedirs(os.path.join(self.folder, "Fragen"))
        if catalogue:
            shutil.copy(CATALOGUE, os.path.join(self.folder, "Fragen", "KAEFragen.qst"))
        with open(self.file("Pexu.ini"), "wb") as f:
            f.write(b"[Einstellungen]\r\nPortable=1\r\n")
        self.statePath = os.path.join(self.folder, "state.json")
        self.env = {}  # further environment of the program
        self.process = None
        self.main = None

    def file(self, name):
        return os.path.join(self.folder, name)

    def launch(self):
        """Starts the program; what it prints goes to output.txt, shown when it ends too early."""
        if os.path.exists(self.statePath):
            os.remove(self.statePath)
        env = dict(os.environ, PEXU_TEST_STATE=self.statePath, **self.env)
        self.output = open(self.file("output.txt"), "ab")
        self.process = subprocess.Popen([self.file("pexu")], env=env, stdout=self.output, stderr=self.output)

    def start(self):
        self.launch()
        state = wait(lambda: self.alive() and self.state(), "the program's state file", START_TIMEOUT)
        self.main = wait(lambda: self.window_of(state["caption"]), "the main window", START_TIMEOUT)
        self.focus()

    def appear(self):
        """Starts the program and waits only until its main window is on the screen, looking without pause: the
        start's late steps (the first page, then the secondary windows) may still be to come."""
        self.launch()
        found = wait(lambda: self.alive() and xdotool("search", "--onlyvisible", "--pid", self.process.pid),
                     "the main window", START_TIMEOUT, 0.01)
        self.main = found.split()[0]

    def alive(self):
        if self.process.poll() is not None:
            raise Failure("the program ended with %d: %s" % (self.process.returncode, latin1(self.file("output.txt"))))
        return True

    def window_of(self, caption):
        found = windows("^" + re.escape(caption) + "$")
        return found[0] if found else None

    def state(self):
        try:
            with open(self.statePath, encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return None

    def wait_state(self, predicate, what, timeout=30.0):
        return wait(lambda: self.alive() and (lambda s: s if s and predicate(s) else None)(self.state()), what,
                    timeout)

    def wait_input(self, window=None, control=None):
        """Waits until the window system gives the input to the window captioned window (the main window when None)
        and, when given, to the control of that name in the hooks' points, with no pop-up open and no other modal
        dialog."""
        def ready(s):
            focus, caption = s["focus"], window or s["caption"]
            return (focus["window"] == caption and focus["modal"] in ("", caption) and not focus["popup"] and
                    (control is None or focus["control"] == control))
        return self.wait_state(ready, "the input to go to %s %s" % (window or "the main window", control or ""))

    def focus(self, window=None, caption=None):
        """Gives the input to the X window window (the main window when None), captioned caption."""
        xdotool("windowfocus", "--sync", window or self.main)
        return self.wait_input(caption)

    def holds(self, predicate, what, seconds):
        """Watches the state for seconds: predicate must hold all the time, and still once the program has handled
        everything sent to it. For checks that something does not happen when its time comes."""
        end = time.time() + seconds
        while time.time() < end:
            check(predicate(self.wait_state(lambda s: True, "the state")), what)
            time.sleep(0.1)
        check(predicate(self.settle()), what)

    def settle(self):
        """Waits until the program has handled everything sent to it so far (the hooks answer a ping when the event
        loop is about to wait); answers the state then. For checks that something did not happen."""
        answered = self.wait_state(lambda s: "answered" in s, "the state")["answered"]
        open(self.statePath + ".ping", "wb").close()
        return self.wait_state(lambda s: s["answered"] > answered, "the program to handle what it was sent")

    def tick(self):
        """One minute of the exam clock, when the program runs with PEXU_TEST_CLOCK=manual; answers the state once the
        program has handled it."""
        open(self.statePath + ".tick", "wb").close()
        wait(lambda: not os.path.exists(self.statePath + ".tick"), "the clock's tick")
        return self.settle()

    def key(self, *keys):
        self.focus()
        for key in keys:
            xdotool("key", key)

    def button(self, hint):
        x, y = self.state()["buttons"][hint]
        click(x, y)

    def page(self):
        return os.path.basename(self.state()["page"])

    def log_lines(self):
        path = self.file("Pexu.log")
        return latin1(path).splitlines() if os.path.exists(path) else []

    def quit(self):
        self.key("F12")
        code = self.process.wait(timeout=START_TIMEOUT)  # the sanitizers' checks at the end take their time
        check(code == 0, "the program ended with %d" % code)

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def expect_dialog(program, text_hint, answer="Return"):
    """Waits for the one warning dialog, gives it the input, screenshots it and answers it."""
    found = wait(lambda: windows("^%s$" % WARNING), "a warning dialog")
    check(len(found) == 1, "%d warning dialogs" % len(found))
    program.focus(found[0], WARNING)
    shot(text_hint)
    xdotool("key", answer)
    wait(lambda: not windows("^%s$" % WARNING), "the warning to close")


def choose_file(program, path):
    """Gives the input to the file chooser that the program opened, types path into it and accepts it."""
    chooser = wait(lambda: windows("Fragenliste"), "the file chooser")[0]
    xdotool("windowfocus", "--sync", chooser)
    program.wait_state(lambda s: "Fragenliste" in s["focus"]["window"] and not s["focus"]["popup"] and
                       s["focus"]["modal"] == s["focus"]["window"], "the file chooser to take the input")
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", 5, path)
    xdotool("key", "Return")


def answer_alone(window, done, what):
    """Answers with Return a message box of a process without the test hooks (so without a state to wait on) until
    done() holds: a key that comes before the box is ready for it is pressed again."""
    for _ in range(10):
        xdotool("windowfocus", "--sync", window)
        xdotool("key", "Return")
        try:
            return wait(done, what, 3)
        except Failure:
            pass
    raise Failure("timed out waiting for " + what)


def scroll_down(program):
    """Five notches of the mouse wheel over the page (less than the page's height, so that nothing is passed by
    unseen); waits until the program has scrolled and placed the page's controls anew (their places follow with the
    next paint)."""
    x, y, w, h = geometry(program.main)
    xdotool("mousemove", x + w // 2, y + h // 2)
    xdotool("click", "--repeat", 5, "--delay", 10, 5)
    program.settle()


def answer_sheet(program, choose):
    """Ticks one answer of every question with the mouse, in page order; choose(i) gives 'R' (right) or 'W' for the
    i-th question. The next click waits until this one's answer is ticked (a click near the page's lower edge scrolls
    the page). Answers the number of right answers and of questions, checked against what the page holds."""
    answered, attempts = {}, {}
    for _ in range(400):
        state = program.state()
        radios = [c for c in state["controls"] if c["kind"] == "TFormRadioButton"]
        names = list(dict.fromkeys(c["name"] for c in radios))
        todo = [n for n in names if n not in answered]
        if not todo:
            break
        name = todo[0]
        want = choose(names.index(name))
        target = [c for c in radios if c["name"] == name and c["value"].startswith(want) and c["visible"]]
        if not target:
            scroll_down(program)
            continue
        value = target[0]["value"]
        click(target[0]["x"], target[0]["y"])
        try:
            program.wait_state(lambda s: any(c["name"] == name and c["value"] == value and c["checked"]
                                             for c in s["controls"]), "question %s to be ticked" % name, 2)
        except Failure:
            # The page moved under the pointer (a scroll still settling): look again.
            attempts[name] = attempts.get(name, 0) + 1
            check(attempts[name] < 5, "question %s cannot be ticked" % name)
            continue
        answered[name] = value
    check(len(answered) == len(names), "only %d of %d questions answered" % (len(answered), len(names)))
    ticked = {c["name"]: c["value"] for c in program.state()["controls"]
              if c["kind"] == "TFormRadioButton" and c["checked"]}
    check(ticked == answered, "the sheet holds other answers than those ticked: %s" %
          {n: v for n, v in ticked.items() if answered.get(n) != v})
    return sum(1 for v in answered.values() if v.startswith("R")), len(names)


def submit(program, count=1):
    """Goes to the end of the sheet (the End key, else the wheel) and clicks " auswerten " count times."""
    for attempt in range(200):
        buttons = [c for c in program.state()["controls"] if c["kind"] == "TButton" and "auswerten" in c["value"]]
        check(buttons, "no button auswerten on the page")
        if buttons[0]["visible"]:
            xdotool("mousemove", buttons[0]["x"], buttons[0]["y"])
            if count:
                xdotool("click", "--repeat", count, "--delay", 40, 1)
            return
        if attempt == 0:
            program.key("End")
            try:
                program.wait_state(lambda s: any(c["kind"] == "TButton" and c["visible"] for c in s["controls"]),
                                   "the end of the sheet", 2)
            except Failure:
                pass
        else:
            scroll_down(program)
    raise Failure("the button auswerten never came into view")


def exam(program, key="F2", choose=lambda i: "R" if i % 3 else "W", clicks=1):
    program.key(key)
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "k", "the exam sheet")
    right, total = answer_sheet(program, choose)
    shot("sheet-answered" if clicks == 1 else "sheet-answered-double")
    submit(program, clicks)
    program.wait_state(lambda s: s["page"].endswith("LetzteAuswertung.html"), "the evaluation page")
    return right, total


def check_log(program):
    lines = program.log_lines()
    check(len(lines) % 2 == 0, "the log holds %d lines" % len(lines))
    for i in range(0, len(lines), 2):
        check(LOG_HEADER.match(lines[i]), "log line %d: %s" % (i + 1, lines[i]))
        check(LOG_RESULT.match(lines[i + 1]), "log line %d: %s" % (i + 2, lines[i + 1]))
    return lines


# ---- the flows


def flow_start(program):
    program.start()
    state = program.state()
    check(state["caption"] == "Pexu - Start", "caption " + state["caption"])
    check(geometry(program.main) == (119, 5, 785, 718), "main window at %s" % (geometry(program.main),))
    check(len(state["buttons"]) == 10, "%d tool buttons" % len(state["buttons"]))
    check(not state["menu"]["Training/Antwortenliste"]["enabled"], "Antwortenliste enabled at start")
    for sub in ("html", "Fragen"):
        check(os.path.isdir(program.file(sub)), sub + " missing")
    program.settle()
    shot("main")
    # The hint of a tool button reaches panel 0.
    x, y = state["buttons"]["Seite aktualisieren"]
    xdotool("mousemove", x, y)
    program.wait_state(lambda s: s["panels"][0]["text"] == " Seite aktualisieren", "the reload button's hint")
    # A second start shows the message and ends; the first goes on.
    second = subprocess.Popen([program.file("pexu")], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              env=dict(os.environ, PEXU_TEST_STATE=program.file("second.json")))
    found = wait(lambda: windows("^%s$" % WARNING), "the second start's message")
    shot("second-instance")
    answer_alone(found[0], lambda: second.poll() is not None, "the second start to end")
    check(second.returncode == 0, "the second start ended with %d" % second.returncode)
    check(not os.path.exists(program.file("second.json")), "the second start opened a main window")
    program.alive()
    program.quit()


def flow_exam(program):
    program.start()
    right, total = exam(program)
    check(total == 51, "%d questions on the sheet" % total)
    state = program.state()
    check(state["menu"]["Training/Antwortenliste"]["enabled"], "Antwortenliste not enabled after the evaluation")
    lines = check_log(program)
    check(len(lines) == 2, "the log holds %d lines after one exam" % len(lines))
    check(re.search(r"Richtig: %d \(" % right, lines[1]), "expected %d right: %s" % (right, lines[1]))
    check("51 von 51 Fragen" in lines[0], lines[0])
    page = latin1(program.file("html/LetzteAuswertung.html"))
    check(str(right) in page, "the evaluation page does not show %d" % right)
    shot("evaluation")
    # A double click on the button grades and logs once.
    right, total = exam(program, clicks=2)
    program.settle()
    lines = check_log(program)
    check(len(lines) == 4, "the log holds %d lines after a double click" % len(lines))
    shot("evaluation-double")
    program.quit()


def flow_leave(program):
    program.start()
    program.key("F2")
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["clock"], "the exam sheet")
    # The clock: one test minute is one second (a busy machine may show the next minute first).
    program.wait_state(lambda s: s["minutes"] >= 1 and s["panels"][1]["text"] == "%d Min" % s["minutes"],
                       "panel 1 to count the minutes", 10)
    program.button("zurück")
    expect_dialog(program, "leave-warning")
    state = program.wait_state(lambda s: s["mode"] == "t", "the sheet to become training")
    check(state["menu"]["Training/Antwortenliste"]["enabled"], "Antwortenliste not enabled after leaving")
    check(not program.settle()["focus"]["modal"], "a second warning")
    program.button("vorwärts")
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html"), "the sheet again")
    check(not program.settle()["focus"]["modal"], "a warning on the way back")
    answer_sheet(program, lambda i: "R")
    submit(program)
    program.wait_state(lambda s: s["page"].endswith("LetzteAuswertung.html"), "the evaluation page")
    shot("training-evaluation")
    check(program.log_lines() == [], "a left exam was logged")
    program.quit()


def flow_clock(program):
    with open(program.file("Fragen/vier.qlt"), "wb") as f:
        f.write(b"#Vier Minuten\r\nTA=3\r\nZeit=4\r\nTA101\r\nTA102\r\nTA103\r\nTA104\r\n")
    # The test ticks the clock itself, so that each minute's state is there to be checked however busy the machine.
    program.env["PEXU_TEST_CLOCK"] = "manual"
    program.start()
    program.key("F10")
    choose_file(program, program.file("Fragen/vier.qlt"))
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "a", "the own exam")
    for minute in (1, 2):
        state = program.tick()
        check(state["minutes"] == minute and state["panels"][1]["text"] == "%d Min" % minute and state["clock"],
              "minute %d: %s %s" % (minute, state["minutes"], state["panels"][1]))
    state = program.tick()
    check(state["panels"][1]["text"] == "3 Min", "minute 3: " + state["panels"][1]["text"])
    check(state["panels"][0] == {"text": " 75% der Prüfungszeit sind vorbei.", "color": "#FFFFE1"},
          "minute 3: %s" % state["panels"][0])
    check(state["panels"][1]["color"] == "#FFFFE1", "minute 3, panel 1: %s" % state["panels"][1])
    shot("minute-3")
    state = program.tick()
    check(not state["clock"], "the clock runs on after the time")
    check(state["panels"][1]["text"] == "4 Min", "the clock stopped at " + state["panels"][1]["text"])
    check(state["panels"][0] == {"text": " Die Prüfungszeit ist um.", "color": "#F0CAA6"},
          "time up: %s" % state["panels"][0])
    shot("time-up")
    # A stopped clock takes no more minutes.
    state = program.tick()
    check(state["minutes"] == 4 and state["panels"][1]["text"] == "4 Min" and not state["clock"],
          "the clock did not stay stopped: %s %s" % (state["minutes"], state["panels"][1]))
    program.quit()


def flow_training(program):
    program.start()
    program.key("shift+F2")
    state = program.wait_state(lambda s: s["page"].lower().endswith("traininga.html"), "the training page")
    buttons = [c for c in state["controls"] if c["kind"] == "TButton"]
    check(buttons, "no training button on the page")
    shot("training-page")
    while not buttons[0]["visible"]:
        scroll_down(program)
        buttons = [c for c in program.state()["controls"] if c["kind"] == "TButton"]
    click(buttons[0]["x"], buttons[0]["y"])
    state = program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html") and s["mode"] == "t",
                               "the training sheet")
    check(state["menu"]["Training/Antwortenliste"]["enabled"], "Antwortenliste not enabled for training")
    shot("training-sheet")
    answer_sheet(program, lambda i: "R")
    submit(program)
    program.wait_state(lambda s: s["page"].endswith("LetzteAuswertung.html"), "the training's evaluation")
    check(program.log_lines() == [], "training was logged")
    shot("training-evaluation")
    program.key("ctrl+w")
    program.wait_state(lambda s: s["page"].endswith("LetzteAntworten.html"), "the answer list")
    shot("answer-list")
    program.quit()


def flow_shortcuts(program):
    program.start()
    for key, part in (("F4", "BE"), ("F5", "VE"), ("F3", "TE"), ("F2", "TA")):
        program.key(key)
        program.wait_state(lambda s: s["part"] == part and s["mode"] == "k" and s["page"].endswith(
            "LetztePruefung.html"), "%s to draw a %s sheet" % (key, part))
        shot(key)
    check(not program.settle()["focus"]["modal"], "a warning between the menu exams")
    program.quit()


def flow_log(program):
    program.start()
    exam(program)
    program.key("ctrl+l")
    program.wait_state(lambda s: s["page"].endswith("LetztesLog.html"), "the log page")
    shot("log-page")
    program.key("ctrl+F2")
    program.wait_state(lambda s: s["page"].lower().endswith("statistika.html"), "the statistics page")
    charts = [f for f in os.listdir(program.file("html")) if re.match(r"^..Statistik\d+\.gif$", f)]
    check(len(charts) == 6, "statistics charts: %s" % charts)
    shot("statistics")
    program.key("ctrl+Delete")
    expect_dialog(program, "delete-log-question")
    state = program.wait_state(lambda s: "wurde gelöscht." in s["panels"][0]["text"], "the deletion message")
    check(state["panels"][0]["text"] == " %s wurde gelöscht." % program.file("Pexu.log"), state["panels"][0]["text"])
    check(not os.path.exists(program.file("Pexu.log")), "Pexu.log still there")
    program.quit()


def flow_errors(program):
    # No catalogue: F2 warns and the program goes on.
    os.remove(program.file("Fragen/KAEFragen.qst")) if os.path.exists(program.file("Fragen/KAEFragen.qst")) else None
    program.start()
    program.key("F2")
    expect_dialog(program, "no-catalogue")
    check(program.state()["mode"] == " ", "a refused exam changed the mode")
    program.quit()
    # A log line with letters where numbers belong: the statistics warn.
    shutil.copy(CATALOGUE, program.file("Fragen/KAEFragen.qst"))
    with open(program.file("Pexu.log"), "wb") as f:
        f.write(b"<td>TA/1&nbsp;&nbsp;</td><td>[01.12.2026 10:00:00] &nbsp;xx von 51 Fragen in 3 min (90) "
                b"bearbeitet.</td>\r\n<td valign=\"top\">nein</td><td>Richtig: zz (0%)</td>\r\n")
    program.start()
    program.key("ctrl+F2")
    expect_dialog(program, "broken-log")
    program.quit()
    # No start page: one error message, and the program still draws sheets.
    os.remove(program.file("html/index.html"))
    program.launch()
    error = wait(lambda: program.alive() and windows("^Fehler$"), "the missing start page's message", START_TIMEOUT)
    shot("no-start-page")
    answer_alone(error[0], lambda: not windows("^Fehler$"), "the message to close")
    state = program.wait_state(lambda s: True, "the state file")
    program.main = wait(lambda: program.window_of(state["caption"]), "the main window")
    program.key("F2")
    program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html"), "a sheet without a start page")
    shot("sheet-without-start-page")
    program.quit()


def flow_persistence(program):
    # The user places the main window at once, before the start is over: the place stands and is stored.
    program.appear()
    xdotool("windowmove", "--sync", program.main, 40, 30)
    xdotool("windowsize", "--sync", program.main, 800, 600)
    program.focus()
    program.key("F11")
    editor = wait(lambda: windows("^ Pexu - Pr.*fungseditor$"), "the editor")[0]
    xdotool("windowmove", "--sync", editor, 300, 200)
    program.key("ctrl+e")
    settings = wait(lambda: windows("^ Pexu - Einstellungen$"), "the settings window")[0]
    xdotool("windowmove", "--sync", settings, 500, 100)
    program.settle()
    shot("moved")
    check(geometry(program.main) == (40, 30, 800, 600), "the main window did not stay: %s" % (geometry(program.main),))
    before = {"main": geometry(program.main), "editor": geometry(editor), "settings": geometry(settings)}
    check(before["editor"][:2] == (300, 200), "the editor did not move: %s" % (before["editor"],))
    program.quit()
    ini = latin1(program.file("Pexu.ini"))
    for key, value in (("Left", 40), ("Top", 30), ("Width", 800), ("Height", 600), ("PEditorLeft", 300),
                       ("PEditorTop", 200), ("EinstellungenLeft", 500), ("EinstellungenTop", 100)):
        check(re.search("^%s=%d\r?$" % (key, value), ini, re.M), "Pexu.ini has no %s=%d:\n%s" % (key, value, ini))
    program.start()
    check(geometry(program.main) == before["main"], "main %s, was %s" % (geometry(program.main), before["main"]))
    program.key("F11")
    editor = wait(lambda: windows("^ Pexu - Pr.*fungseditor$"), "the editor")[0]
    check(geometry(editor)[:2] == before["editor"][:2], "editor %s, was %s" % (geometry(editor), before["editor"]))
    program.key("ctrl+e")
    settings = wait(lambda: windows("^ Pexu - Einstellungen$"), "the settings window")[0]
    check(geometry(settings)[:2] == before["settings"][:2],
          "settings %s, was %s" % (geometry(settings), before["settings"]))
    shot("restored")
    program.quit()


def flow_kill(program):
    """Kills the program at random moments of submitting an exam, 50 times; every file must stay whole."""
    rng = random.Random(29)
    kills = 0
    for _ in range(50):
        program.start()
        program.key("F2")
        program.wait_state(lambda s: s["page"].endswith("LetztePruefung.html"), "the exam sheet")
        submit(program, 0)  # to the button, without a click
        # The click goes out without waiting for xdotool; grading, writing the pages and the log follow within some
        # tens of milliseconds, and the kill falls somewhere in or around them.
        clicker = subprocess.Popen(["xdotool", "click", "1"])
        time.sleep(rng.uniform(0.0, 0.05))
        program.kill()
        clicker.wait()
        kills += 1
        check_log(program)
        ini = latin1(program.file("Pexu.ini"))
        for line in ini.splitlines():
            check(line == "" or re.match(r"^\[[^\]]+\]$", line) or re.match(r"^[^=\[]+=.*$", line),
                  "Pexu.ini line: %r" % line)
        check("Portable=1" in ini, "Pexu.ini lost its settings")
        for page in ("LetztePruefung.html", "LetzteAuswertung.html"):
            path = program.file("html/" + page)
            if os.path.exists(path):
                text = latin1(path).rstrip()
                check(text.endswith("</html>"), page + " is torn")
    lines = check_log(program)
    print("kill test: %d kills, %d whole exams in the log" % (kills, len(lines) // 2))
    shot("after-kills")


def main():
    os.makedirs(SHOTS, exist_ok=True)
    program = Program()
    try:
        globals()["flow_" + FLOW](program)
    except Failure as failure:
        print("FAILED (%s): %s" % (FLOW, failure))
        try:
            shot("failure")
            print("the program's output:\n" + latin1(program.file("output.txt"))[-4000:])
        except Exception:
            pass
        return 1
    finally:
        program.kill()
        shutil.rmtree(program.folder, ignore_errors=True)
    print("%s: passed" % FLOW)
    return 0


if __name__ == "__main__":
    sys.exit(main())
