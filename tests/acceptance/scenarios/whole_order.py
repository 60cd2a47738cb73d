"""A whole order, as a user makes it: three photos with prints, one line
changed, details and a test card, the lab's price, back to step 1 and forward
again, then "Send Order". The order-sent window stays and is read; "Website"
hands the album to the desktop; "Order More Photos" leads to a second order
with a new id; "Exit Orlavo" ends the program. The lab holds both orders
whole."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403


def to_summary(app, step3):
    click(step3, "Continue")
    summary = step(app, 4)
    check(button(summary, "Send Order"), "step 4 offers Send Order")
    return summary


def send(app, summary):
    click(summary, "Send Order")
    upload = window(app, "Upload in Progress", 60)
    missing = unnamed_operable(upload)
    check(not missing, f"unnamed controls in the upload window: {missing}")
    sent = window(app, "Order Sent Successfully", 120)
    missing = unnamed_operable(sent)
    check(not missing, f"unnamed controls in the order-sent window: {missing}")
    # It stays, and the wizard stays hidden behind it, until the user chooses.
    time.sleep(1.5)
    check(is_showing(sent), "the order-sent window went away by itself")
    check(not any(n.startswith("Zadozu Orlavo (Step") for n, _ in windows(app)),
          "the wizard shows beside the order-sent window")
    check(find(sent, pyatspi.ROLE_LABEL, "Order Sent Successfully"), "the heading is read")
    return sent


def body(s):
    app, process, start = start_wizard(s, lab_args=("--delay-ms", "400"))
    photos = sorted((s.root / "photos").glob("*.jpg"))
    missing = unnamed_operable(start)
    check(not missing, f"unnamed controls in the start window: {missing}")
    step1 = begin(app, start)

    # Step 1: three photos ticked, in this order.
    chosen = [photos[2], photos[0], photos[3]]
    for p in chosen:
        tick(photo_view(step1), p.name)
    check(sorted(ticked_photos(step1)) == sorted(p.name for p in chosen), "three photos ticked")
    count = find(step1, pyatspi.ROLE_LABEL, re.compile("Photos Selected"))
    check("3 Photos Selected" in name_of(count), f"the count says {name_of(count)!r}")
    strip = find(step1, pyatspi.ROLE_LIST, "My Order")
    check([name_of(i) for i in children(strip)] == [p.name for p in chosen],
          "My Order holds the photos in the order ticked")
    missing = unnamed_operable(step1)
    check(not missing, f"unnamed controls on step 1: {missing}")
    click(step1, "Continue")

    # Step 2: a 7 x 5 of every photo, then the third photo's 6 x 4 made 3.
    step2 = step(app, 2)
    combos = find_all(step2, pyatspi.ROLE_COMBO_BOX)
    choose(combos[0], "7 x 5 in print (178 x 127 mm)")
    clear_and_type(find_all(combos[1], pyatspi.ROLE_TEXT)[0], "2")
    press(find_all(step2, pyatspi.ROLE_PUSH_BUTTON, "Set")[0])
    blocks = [c for c in find_all(step2, pyatspi.ROLE_COMBO_BOX)][2:]
    third_product, third_quantity = blocks[4], blocks[5]
    choose(third_product, "6 x 4 in classic print (152 x 102 mm)")
    clear_and_type(find_all(third_quantity, pyatspi.ROLE_TEXT)[0], "3")
    press(find_all(step2, pyatspi.ROLE_PUSH_BUTTON, "Set")[3])
    wait_for("the third photo's 6 x 4 made 3",
             lambda: find_all(step2, None, re.compile(r"^3 x 6 x 4 in classic print")), 10)
    # The first photo's 6 x 4 taken away with its red crossed circle.
    first_block = find(step2, pyatspi.ROLE_FILLER, photos[2].name)
    rows = find_all(first_block, None, re.compile(r"^1 x 6 x 4 in classic print"))
    check(len(rows) == 1, f"the first photo's 6 x 4 row: {[name_of(r) for r in rows]}")
    press(find(rows[0], pyatspi.ROLE_PUSH_BUTTON, "Remove this print"))
    wait_for("the row gone", lambda: not find_all(first_block, None,
                                                  re.compile(r"^1 x 6 x 4 in classic print")), 10)
    subtotal = find(step2, pyatspi.ROLE_LABEL, re.compile(r"^\d+\.\d\d GBP$"))
    wait_for("the subtotal", lambda: name_of(subtotal) == "3.70 GBP", 10)
    missing = unnamed_operable(step2)
    check(not missing, f"unnamed controls on step 2: {missing}")
    click(step2, "Continue")

    # Step 3: details and a test card; Continue gets the lab's price.
    step3 = step(app, 3)
    enter_details(step3)
    missing = unnamed_operable(step3)
    check(not missing, f"unnamed controls on step 3: {missing}")
    summary = to_summary(app, step3)
    missing = unnamed_operable(summary)
    check(not missing, f"unnamed controls on step 4: {missing}")

    # Back to step 1 and forward again: nothing is lost.
    for n in (3, 2, 1):
        click(step(app, n + 1), "Back")
        step(app, n)
    step1 = step(app, 1)
    check(sorted(ticked_photos(step1)) == sorted(p.name for p in chosen), "the ticks are kept")
    click(step1, "Continue")
    click(step(app, 2), "Continue")
    step3 = step(app, 3)
    check(text_of(field(step3, "First Name")) == "Ada", "the details are kept")
    summary = to_summary(app, step3)

    before = lab_order_ids(s)
    sent = send(app, summary)
    first = (lab_order_ids(s) - before).pop()
    check_order_at_lab(s, first, chosen,
                       [[("102", "2")], [("101", "1"), ("102", "2")],
                        [("101", "3"), ("102", "2")]])

    # "Website" hands the album to the desktop and leaves the window as it was.
    click(sent, "Website")
    wait_for("the album opened", lambda: f"{s.lab_url}/album" in s.opened_targets(), 10)
    check(is_showing(sent), "the order-sent window stays after Website")

    # "Order More Photos": an empty step 1, then a second order of one photo.
    click(sent, "Order More Photos")
    step1 = step(app, 1)
    check(ticked_photos(step1) == [], "step 1 is empty again")
    tick(photo_view(step1), photos[1].name)
    click(step1, "Continue")
    click(step(app, 2), "Continue")
    step3 = step(app, 3)
    enter_card(step3, GOOD_CARD)
    summary = to_summary(app, step3)
    before = lab_order_ids(s)
    sent = send(app, summary)
    second = (lab_order_ids(s) - before).pop()
    check(second != first, "the second order has its own id")
    check_order_at_lab(s, second, [photos[1]], [[("101", "1")]])
    check_order_at_lab(s, first, chosen)

    click(sent, "Exit Orlavo")
    check(exit_status(process) == 0, "Exit Orlavo ends the program with status 0")


run("whole_order", body)
