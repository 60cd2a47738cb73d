"""One whole order with nothing but Tab, Space, Enter, the arrow keys and
typing: the tree is only read to see where the focus is and what is shown."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
import orlavo_at  # noqa: E402
from orlavo_at import *  # noqa: E402,F403

orlavo_at.KEYBOARD_ONLY = True


def body(s):
    app, process, start = start_wizard(s)
    photos = sorted((s.root / "photos").glob("*.jpg"))
    step1 = begin(app, start)
    for p in (photos[1], photos[3]):
        tick(photo_view(step1), p.name)
    key("Return")  # Continue, whatever has the focus

    # Step 2: a 7 x 5 of each photo, set with the page's own selector.
    step2 = step(app, 2)
    product = labelled(step2, pyatspi.ROLE_COMBO_BOX, "Set For Each Photo:")
    choose(product, "7 x 5 in print (178 x 127 mm)")
    quantity = labelled(step2, pyatspi.ROLE_COMBO_BOX, "Qty")
    clear_and_type(find_all(quantity, pyatspi.ROLE_TEXT)[0], "2")
    click(step2, "Set")
    wait_for("the 7 x 5 lines", lambda: len(find_all(
        step2, None, re.compile(r"^2 x 7 x 5 in print"))) == 2, 10)
    key("Return")

    step3 = step(app, 3)
    enter_details(step3)
    key("Return")  # the lab's price, then step 4
    summary = step(app, 4)
    check(button(summary, "Send Order"), "step 4 offers Send Order")
    key("Return")  # Send Order
    sent = window(app, "Order Sent Successfully", 120)
    exit_button = button(sent, "Exit Orlavo")
    focus(exit_button)
    key("space")
    check(exit_status(process) == 0, "Exit Orlavo ends the program with status 0")
    orders = {k: v for k, v in s.lab_orders().items() if v}
    check(len(orders) == 1, f"the lab holds one order: {list(orders)}")
    check_order_at_lab(s, next(iter(orders)), [photos[1], photos[3]],
                       [[("101", "1"), ("102", "2")]] * 2)


run("keyboard_only", body)
