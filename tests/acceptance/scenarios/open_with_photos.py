"""Photos opened from the file manager: OrlavoW started with two photos and a
file that is no photo shows step 1 on the first photo's folder with both
ticked and in "My Order", and names the other file. A second OrlavoW with
another photo hands it to the running wizard and ends; the photo joins the
order."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403


def order_names(step1):
    strip = find(step1, pyatspi.ROLE_LIST, "My Order")
    return [name_of(i) for i in children(strip)]


def body(s):
    s.start_lab()
    photos = s.make_photos(4)
    more = s.make_photos(1, s.root / "more")
    notes = s.root / "more" / "notes.txt"
    notes.write_text("not a photo")
    s.write_profile()
    first = s.start("OrlavoW", PROFILE, str(photos[2]), str(notes), str(photos[0]))
    app = application(WIZARD, first.pid, 60)
    step1 = begin(app, window(app, WIZARD, 60))

    box = wait_for("the message naming the file", lambda: next(
        (w for w in children(app) if is_showing(w) and find_all(w, pyatspi.ROLE_LABEL,
                                                                re.compile("not photos"))), None),
        60)
    label = find_all(box, pyatspi.ROLE_LABEL, re.compile("not photos"))[0]
    check(str(notes) in name_of(label), f"the message names the file: {name_of(label)!r}")
    press(button(box, "OK"))

    wanted = [photos[2].name, photos[0].name]
    wait_for("the opened photos in My Order", lambda: order_names(step1) == wanted, 30)
    wait_for("the opened photos ticked",
             lambda: sorted(ticked_photos(step1)) == sorted(wanted), 30)

    # A second start hands its photo over and ends; no second wizard opens.
    second = s.start("OrlavoW", PROFILE, str(more[0]))
    check(exit_status(second, 30) == 0, "the second start ends with status 0")
    wait_for("the handed photo in My Order",
             lambda: order_names(step1) == wanted + [more[0].name], 30)
    check(len([a for a in children(pyatspi.Registry.getDesktop(0)) if name_of(a) == WIZARD]) == 1,
          "one wizard runs")
    check(first.poll() is None, "the first wizard still runs")


run("open_with_photos", body)
