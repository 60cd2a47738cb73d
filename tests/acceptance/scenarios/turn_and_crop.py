"""What is shown is what is printed: one photo turned a quarter from the
context menu of "My Order", and the print of another whose crop the user
moved in the print preview with the keyboard. Step 2 says which print has
its own crop, step 4 counts the files that go, and the lab keeps the turned
photo turned and the print's crop as a photo of its own, cut from the
original where the user moved it."""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403


def jpeg_size(data):
    """Width and height from a JPEG's frame header."""
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            i += 1
            continue
        marker = data[i + 1]
        if marker in (0xC0, 0xC1, 0xC2):
            return (int.from_bytes(data[i + 7:i + 9], "big"),
                    int.from_bytes(data[i + 5:i + 7], "big"))
        if marker == 0xFF:
            i += 1
        elif marker == 0xD8 or 0xD0 <= marker <= 0xD7:
            i += 2
        else:
            i += 2 + int.from_bytes(data[i + 2:i + 4], "big")
    raise Failure("no frame header in the file the lab kept")


def difference(a, b, folder):
    """ImageMagick's mean absolute difference of two pictures, 0 to 1."""
    r = subprocess.run(["compare", "-metric", "MAE", str(a), str(b), "null:"], cwd=folder,
                       capture_output=True, text=True)
    m = re.search(r"\(([0-9.e-]+)\)", r.stderr)
    check(m, f"compare said {r.stderr!r}")
    return float(m.group(1))


def body(s):
    app, process, start = start_wizard(s, photos=4)
    photos = sorted((s.root / "photos").glob("*.jpg"))
    # The lab's samples alternate 640 x 480 and 1024 x 768.
    turned, cropped = photos[0], photos[1]
    step1 = begin(app, start)
    for p in (turned, cropped):
        tick(photo_view(step1), p.name)

    # A quarter turn clockwise from the strip's menu, opened with the Menu key
    # (a popup menu is read through the focus, not the tree): its second item.
    strip = find(step1, pyatspi.ROLE_LIST, "My Order")
    move_to_item(strip, turned.name)
    key("Menu")
    time.sleep(0.5)
    key("Down", 2)
    key("Return")
    wait_for("the focus back in My Order", lambda: has_focus(strip), 10)
    click(step1, "Continue")

    # Step 2: the second photo's print, moved to the top of the photo.
    step2 = step(app, 2)
    block = find(step2, pyatspi.ROLE_FILLER, cropped.name)
    press(find(block, pyatspi.ROLE_PUSH_BUTTON, f"Prints of {cropped.name}"))
    preview = window(app, "Print Preview", 20)
    missing = unnamed_operable(preview)
    check(not missing, f"unnamed controls in the print preview: {missing}")
    trim = find(preview, pyatspi.ROLE_CHECK_BOX, "Zoom and Trim")
    if not is_checked(trim):
        toggle(trim)
        wait_for("Zoom and Trim on", lambda: is_checked(trim), 5)
    drawing = find(preview, None, "Print drawing")
    focus(drawing)
    key("Down", 30)
    click(preview, "Close")
    wait_for("the print's own crop on step 2",
             lambda: find_all(step2, None, re.compile("own crop")), 10)
    click(step2, "Continue")

    step3 = step(app, 3)
    enter_details(step3)
    click(step3, "Continue")
    summary = step(app, 4)
    photos_line = find(summary, pyatspi.ROLE_LABEL, re.compile(r"^\d+ photos?$"))
    sent_count = int(name_of(photos_line).split()[0])
    before = lab_order_ids(s)
    click(summary, "Send Order")
    sent = window(app, "Order Sent Successfully", 120)
    order = (lab_order_ids(s) - before).pop()
    kept = sorted(s.lab_orders()[order], key=lambda p: p["number"])
    check(len(kept) == sent_count, f"step 4 said {sent_count} photos, the lab kept {len(kept)}")
    check(all(p["count"] == sent_count for p in kept), "numphotos counts what was sent")

    # The turned photo: its width and height swapped, and its picture the
    # original's turned clockwise.
    first = kept[0]
    check(first["filename"] == turned.name, f"the first photo is {first['filename']}")
    check(jpeg_size(first["bytes"]) == (480, 640), f"turned: {jpeg_size(first['bytes'])}")
    (s.root / "turned.jpg").write_bytes(first["bytes"])
    subprocess.run(["convert", str(turned), "-rotate", "90", "expected.png"], cwd=s.root,
                   check=True)
    mae = difference("turned.jpg", "expected.png", s.root)
    check(mae < 0.03, f"the turned photo differs from the original turned clockwise ({mae})")

    # The print with its own crop: a photo of its own, the top of the original.
    own = [p for p in kept[1:] if jpeg_size(p["bytes"]) != (1024, 768)]
    check(len(own) == 1, f"one cropped photo, not {[jpeg_size(p['bytes']) for p in kept]}")
    width, height = jpeg_size(own[0]["bytes"])
    check(width == 1024 and 660 <= height < 768, f"the crop is {width} x {height}")
    (s.root / "crop.jpg").write_bytes(own[0]["bytes"])
    subprocess.run(["convert", str(cropped), "-crop", f"{width}x{height}+0+0", "+repage",
                    "top.png"], cwd=s.root, check=True)
    subprocess.run(["convert", str(cropped), "-crop", f"{width}x{height}+0+{768 - height}",
                    "+repage", "bottom.png"], cwd=s.root, check=True)
    top = difference("crop.jpg", "top.png", s.root)
    bottom = difference("crop.jpg", "bottom.png", s.root)
    check(min(top, bottom) < 0.03 and abs(top - bottom) > 0.005,
          f"the crop is not where it was moved (top {top}, bottom {bottom})")
    manifest = next((s.root / "lab" / "orders" / order).glob(
        f"photo-{own[0]['number']:03d}*.xml"), None)
    check(manifest is not None, "the cropped photo's manifest")
    products = ET.parse(manifest).getroot().find("file").findall("product")
    check([p.get("zoomtrim") for p in products] == ["1"],
          f"the cropped photo goes with its one print, zoomtrim 1: {[p.attrib for p in products]}")

    click(sent, "Exit Orlavo")
    check(exit_status(process) == 0, "Exit Orlavo ends the program with status 0")


run("turn_and_crop", body)
