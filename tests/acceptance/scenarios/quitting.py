"""Quitting asks first, and a stray Enter never throws an order away: after
Back the focus stays on Back, yet Enter goes forward; Escape and the window
manager's close both ask "Are you sure you want to quit this program?", and
Enter there answers No. Yes ends the program with status 0."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403

QUESTION = "Are you sure you want to quit this program?"


def quit_question(app):
    box = wait_for("the quit question",
                   lambda: next((w for w in children(app) if is_showing(w)
                                 and find_all(w, pyatspi.ROLE_LABEL, QUESTION)), None), 10)
    yes, no = button(box, "Yes"), button(box, "No")
    return box, yes, no


def answer_no_with_enter(app, title):
    box, _, _ = quit_question(app)
    key("Return")
    wait_for("the question to close", lambda: not is_showing(box), 10)
    time.sleep(0.5)
    check(step(app, 2, 5), f"{title}: the wizard stays on step 2 after Enter")


def body(s):
    app, process, start = start_wizard(s)
    step1 = begin(app, start, keyboard=True)
    tick(photo_view(step1), "sample_001.jpg")
    key("Return")  # Continue is the default button
    step2 = step(app, 2)

    # Back, then Enter with the focus still on Back: forward again, not back.
    back = button(step2, "Back")
    focus(back)
    key("space")
    step1 = step(app, 1)
    check(is_focused(back) or not is_showing(back), "Back keeps the focus")
    key("Return")
    step2 = step(app, 2)
    time.sleep(0.5)
    check(not find_all(app, pyatspi.ROLE_LABEL, QUESTION), "Enter did not ask to quit")

    # Escape asks; Enter answers No.
    key("Escape")
    answer_no_with_enter(app, "Escape")
    # The window manager's close asks too: its Alt+F4, and a close asked of
    # the window as its close button asks.
    chord("Alt_L", "F4")
    answer_no_with_enter(app, "Alt+F4")
    wm_close("Zadozu Orlavo (Step 2 of 4)")
    answer_no_with_enter(app, "close")

    # Yes ends the program.
    key("Escape")
    _, yes, _ = quit_question(app)
    press(yes)
    check(exit_status(process) == 0, "Yes ends the program with status 0")


run("quitting", body)
