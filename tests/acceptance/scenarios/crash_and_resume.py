"""A crash in the middle of the upload: the wizard is killed with SIGKILL once
the lab holds the first photo. The next start offers the interrupted order;
resuming it completes the order at the lab, no photo twice, none missing."""
import os
import signal
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403


def body(s):
    # Each answer a second and a half late: time to be killed mid-order.
    app, process, start = start_wizard(s, lab_args=("--delay-ms", "1500"))
    photos = sorted((s.root / "photos").glob("*.jpg"))
    step1 = begin(app, start)
    for p in photos:
        tick(photo_view(step1), p.name)
    click(step1, "Continue")
    click(step(app, 2), "Continue")
    step3 = step(app, 3)
    enter_details(step3)
    click(step3, "Continue")
    click(step(app, 4), "Send Order")
    window(app, "Upload in Progress", 30)

    def first_photo_kept():
        orders = s.lab_orders()
        return next(iter(orders), None) if any(orders.values()) else None
    order_id = wait_for("the lab to keep the first photo", first_photo_kept, 60)
    os.killpg(process.pid, signal.SIGKILL)
    process.wait(10)
    kept = len(s.lab_orders()[order_id])
    check(0 < kept < len(photos), f"the crash came after {kept} of {len(photos)} photos")

    # The next start offers the order; resuming sends the rest.
    again = s.start("OrlavoW", PROFILE)
    app = application(WIZARD, again.pid, 60)
    start = window(app, WIZARD, 60)
    offer = wait_for("the offer to resume",
                     lambda: next((l for l in find_all(start, pyatspi.ROLE_LABEL,
                                                       re.compile("was interrupted"))), None), 60)
    # The photo in flight at the kill may be kept by the lab with its answer lost.
    said = re.search(r"(\d+) sent", name_of(offer))
    check(said and int(said.group(1)) in (kept - 1, kept), f"the offer says {name_of(offer)!r}")
    press(button(start, "Resume Order"))
    step3 = step(app, 3)
    check(text_of(field(step3, "First Name")) == "Ada", "the details come back, but the card")
    enter_card(step3, GOOD_CARD)
    click(step3, "Continue")
    summary = step(app, 4)
    click(summary, re.compile("Resume Order|Send Order"))
    sent = window(app, "Order Sent Successfully", 120)
    check(s.lab_orders().keys() == {order_id}, "the lab holds one order")
    check_order_at_lab(s, order_id, photos)
    click(sent, "Exit Orlavo")
    check(exit_status(again) == 0, "the wizard ends with status 0")
    journals = list((s.root / "state").rglob("*.journal"))
    check(not journals, f"the order's journal is gone: {journals}")


run("crash_and_resume", body)
