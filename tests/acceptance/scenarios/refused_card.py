"""A card the lab refuses: the refusal is shown on step 4 and the wizard stays
there; after Back to step 3 and a good card, the order is sent."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403

REFUSAL = "Your credit card was not accepted. Please try again"


def body(s):
    app, process, start = start_wizard(s)
    photos = sorted((s.root / "photos").glob("*.jpg"))
    step1 = begin(app, start)
    tick(photo_view(step1), photos[0].name)
    tick(photo_view(step1), photos[1].name)
    click(step1, "Continue")
    click(step(app, 2), "Continue")
    step3 = step(app, 3)
    enter_details(step3, card=DECLINED_CARD)
    click(step3, "Continue")
    summary = step(app, 4)
    click(summary, "Send Order")

    box = wait_for("the refusal", lambda: next(
        (w for w in children(app) if is_showing(w) and find_all(w, pyatspi.ROLE_LABEL, REFUSAL)),
        None), 60)
    press(button(box, "OK"))
    summary = step(app, 4)
    check(not any(s.lab_orders().values()), "the lab kept nothing of a refused order")

    click(summary, "Back")
    step3 = step(app, 3)
    enter_card(step3, GOOD_CARD)
    click(step3, "Continue")
    summary = step(app, 4)
    click(summary, re.compile("Send Order|Resume Order"))
    sent = window(app, "Order Sent Successfully", 120)
    orders = {k: v for k, v in s.lab_orders().items() if v}
    check(len(orders) == 1, f"the lab holds one order: {list(orders)}")
    check_order_at_lab(s, next(iter(orders)), photos[:2])
    click(sent, "Exit Orlavo")
    check(exit_status(process) == 0, "the wizard ends with status 0")


run("refused_card", body)
