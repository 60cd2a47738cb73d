"""Second thoughts cost nothing: "Remove All" on step 1 is undone from the bar
that says what happened, and a quantity over 100 is asked about before it
is set (No keeps the prints as they were, Yes sets them). Step 4 lists every
print with its price and total and says where the lab will write; the lab
keeps the quantities set."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403

SIX_BY_FOUR = "6 x 4 in classic print (152 x 102 mm)"


def question(app, text):
    """The message box that asks TEXT."""
    return wait_for(f"the question {text!r}",
                    lambda: next((w for w in children(app) if is_showing(w)
                                  and find_all(w, pyatspi.ROLE_LABEL, text)), None), 10)


def set_for_each_photo(app, step2, quantity, answer):
    combos = find_all(step2, pyatspi.ROLE_COMBO_BOX)
    choose(combos[0], SIX_BY_FOUR)
    clear_and_type(find_all(combos[1], pyatspi.ROLE_TEXT)[0], str(quantity))
    press(find_all(step2, pyatspi.ROLE_PUSH_BUTTON, "Set")[0])
    box = question(app, f"Set {quantity} prints? That is more than 100 of one print.")
    press(button(box, answer))
    wait_for("the question closed", lambda: not is_showing(box), 10)


def body(s):
    app, process, start = start_wizard(s, photos=4)
    photos = sorted((s.root / "photos").glob("*.jpg"))
    step1 = begin(app, start)
    select_all = button(step1, "Select All")

    def all_ticked():
        # Photos are ticked once their thumbnails are made: again until then.
        press(select_all)
        return wait_for_quietly(lambda: len(ticked_photos(step1)) == 4, 1)
    wait_for("four photos ticked", all_ticked, 30)
    strip = find(step1, pyatspi.ROLE_LIST, "My Order")

    # Remove All, then Undo in the bar that tells what happened.
    click(step1, "Remove All")
    wait_for("the order empty", lambda: not children(strip) and not ticked_photos(step1), 10)
    bar = find(step1, None, "Undo", 10)
    check(find_all(step1, pyatspi.ROLE_LABEL, "Removed all 4 photos from the order."),
          "the bar says what was removed")
    press(find(bar, pyatspi.ROLE_PUSH_BUTTON, "Undo") if role_of(bar) != pyatspi.ROLE_PUSH_BUTTON
          else bar)
    wait_for("the four photos back", lambda: len(ticked_photos(step1)) == 4, 10)
    check([name_of(i) for i in children(strip)] == [p.name for p in photos],
          "My Order holds them again, in their order")
    click(step1, "Continue")

    # Step 2: 150 of each is asked about; No leaves one of each, Yes sets 150.
    step2 = step(app, 2)
    subtotal = find(step2, pyatspi.ROLE_LABEL, re.compile(r"^\d+\.\d\d GBP$"))
    wait_for("one print of each", lambda: name_of(subtotal) == "1.00 GBP", 10)
    set_for_each_photo(app, step2, 150, "No")
    time.sleep(0.5)
    check(name_of(subtotal) == "1.00 GBP", f"No changed the prints: {name_of(subtotal)}")
    set_for_each_photo(app, step2, 150, "Yes")
    wait_for("150 of each", lambda: name_of(subtotal) == "150.00 GBP", 10)
    check(len(find_all(step2, None, re.compile(r"^150 x 6 x 4 in classic print"))) == 4,
          "every photo has 150 prints")
    click(step2, "Continue")

    # Step 4 lists the prints, their prices and totals, and the lab's address.
    step3 = step(app, 3)
    enter_details(step3)
    click(step3, "Continue")
    summary = step(app, 4)
    find(summary, None, "Your Prints")
    for p in photos:
        check(find_all(summary, None, p.name), f"step 4 lists {p.name}")
    wait_for("four totals of 37.50 GBP",
             lambda: len(find_all(summary, None, "37.50 GBP")) == 4, 10)
    check(find_all(summary, None, re.compile("ada@example.org")), "step 4 names the address")

    before = lab_order_ids(s)
    click(summary, "Send Order")
    sent = window(app, "Order Sent Successfully", 180)
    order = (lab_order_ids(s) - before).pop()
    check_order_at_lab(s, order, photos, [[("101", "150")]] * 4)
    click(sent, "Exit Orlavo")
    check(exit_status(process) == 0, "Exit Orlavo ends the program with status 0")


run("second_thoughts", body)
