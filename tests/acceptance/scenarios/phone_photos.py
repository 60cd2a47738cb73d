"""Photos from a phone: a HEIC, a PNG, a TIFF, a WebP and a JPEG, each taken
in Paris, four of them stored on their side. Preferences has the location
removed by default; step 1 lists all five and they can be ticked; step 4
says the location leaves five photos; the lab keeps five upright JPEGs with
their camera and no GPS tag, and the JPEG's picture data unchanged."""
import os
import subprocess
import sys
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403

PHOTOS = ["IMG_0001.HEIC", "IMG_0005.jpg", "scan.tiff", "Screenshot.png", "shared.webp"]
GPS = ["-GPSLatitude=48.8584", "-GPSLatitudeRef=N", "-GPSLongitude=2.2945",
       "-GPSLongitudeRef=E", "-XMP-photoshop:City=Paris"]


def sh(*args, cwd):
    subprocess.run(list(args), cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def make_phone_photos(folder):
    """Red, green, blue and yellow quarters, seen upright; stored on its side
    with EXIF orientation 6 but for the HEIC, which heif-enc writes upright."""
    quarters = ["-size", "400x300", "xc:red", "-fill", "lime", "-draw", "rectangle 200,0 399,149",
                "-fill", "blue", "-draw", "rectangle 0,150 199,299",
                "-fill", "yellow", "-draw", "rectangle 200,150 399,299"]
    sh("convert", *quarters, "upright.jpg", cwd=folder)
    sh("heif-enc", "-q", "60", "-t", "160", "-o", "IMG_0001.HEIC", "upright.jpg", cwd=folder)
    sh("convert", "upright.jpg", "-rotate", "-90", "side.png", cwd=folder)
    for name, extra in (("IMG_0005.jpg", []), ("scan.tiff", []), ("Screenshot.png", []),
                        ("shared.webp", ["-quality", "90"])):
        sh("convert", "side.png", *extra, name, cwd=folder)
    for name in PHOTOS:
        orientation = [] if name.endswith(".HEIC") else ["-Orientation#=6"]
        sh("exiftool", "-q", "-overwrite_original", "-Make=Phonemaker", "-Model=Phone 12",
           "-DateTimeOriginal=2023:07:14 10:11:12", *orientation, *GPS, name, cwd=folder)
    for name in ("upright.jpg", "side.png"):
        (folder / name).unlink()


def exif_tags(path):
    out = subprocess.run(["exiftool", "-G1", "-a", "-s", "-n", str(path)], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    tags = {}
    for line in out.splitlines():
        if line.startswith("[") and " : " in line:
            group, rest = line[1:].split("]", 1)
            name, value = rest.split(" : ", 1)
            tags[group + ":" + name.strip()] = value
    return tags


def quarters(jpeg_bytes, scratch):
    """The mean colours of the four quarters of a JPEG: TL, TR, BL, BR."""
    path = scratch / "thumb.jpg"
    path.write_bytes(jpeg_bytes)
    out = subprocess.run(["convert", str(path), "-resize", "2x2!", "-depth", "8", "txt:-"],
                         check=True, stdout=subprocess.PIPE, text=True).stdout
    colours = {}
    for line in out.splitlines()[1:]:
        where, rest = line.split(":", 1)
        rgb = rest.split("(")[1].split(")")[0].split(",")
        colours[tuple(int(v) for v in where.split(","))] = tuple(int(float(v)) for v in rgb[:3])
    return [colours[(0, 0)], colours[(1, 0)], colours[(0, 1)], colours[(1, 1)]]


def near(c, want, tolerance=70):
    return all(abs(a - b) <= tolerance for a, b in zip(c, want))


def body(s):
    s.start_lab()
    make_phone_photos(s.root / "photos")
    s.write_profile()
    process = s.start("OrlavoW", PROFILE)
    app = application(WIZARD, process.pid, 60)
    start = window(app, WIZARD, 60)

    # Preferences: the location goes, unless the user says otherwise.
    click(start, "Preferences")
    prefs = window(app, "Zadozu Orlavo - Preferences")
    remove = find(prefs, pyatspi.ROLE_CHECK_BOX, "Remove the location from photos before sending")
    check(is_checked(remove), "the location is removed by default")
    missing = unnamed_operable(prefs)
    check(not missing, f"unnamed controls in Preferences: {missing}")
    click(prefs, "Cancel")

    step1 = begin(app, start)
    view = photo_view(step1)
    # The list's cells: each photo's name, size, pixel size and date.
    listed = [name_of(i) for i in children(view)]
    check(all(p in listed for p in PHOTOS), f"step 1 lists {listed}")
    check(listed.count("400 x 300") + listed.count("300 x 400") == 5,
          f"each has its pixel size: {listed}")
    for name in PHOTOS:
        tick(view, name)
    check(sorted(ticked_photos(step1)) == sorted(PHOTOS), "all five are ticked")
    click(step1, "Continue")
    click(step(app, 2), "Continue")
    step3 = step(app, 3)
    enter_details(step3)
    click(step3, "Continue")
    summary = step(app, 4)
    find(summary, pyatspi.ROLE_LABEL, "Location:")
    find(summary, pyatspi.ROLE_LABEL, "removed from 5 photos")

    click(summary, "Send Order")
    sent = window(app, "Order Sent Successfully", 120)
    orders = {k: v for k, v in s.lab_orders().items() if v}
    check(len(orders) == 1, f"the lab holds one order: {list(orders)}")
    order_id, kept = next(iter(orders.items()))
    kept.sort(key=lambda p: p["number"])
    check([p["filename"] for p in kept] ==
          ["IMG_0001.jpg", "IMG_0005.jpg", "scan.jpg", "Screenshot.jpg", "shared.jpg"],
          f"the lab keeps {[p['filename'] for p in kept]}")
    folder = s.root / "lab" / "orders" / order_id
    source = (s.root / "photos" / "IMG_0005.jpg").read_bytes()
    for photo in kept:
        stored = next(folder.glob("photo-%03d-*" % photo["number"]))
        tags = exif_tags(stored)
        check(tags.get("File:FileType") == "JPEG", f"{stored.name} is a JPEG")
        gps = [t for t in tags if "GPS" in t]
        check(not gps, f"{stored.name} keeps {gps}")
        check(tags.get("IFD0:Make") == "Phonemaker" and
              tags.get("ExifIFD:DateTimeOriginal") == "2023:07:14 10:11:12",
              f"{stored.name} keeps its camera and date")
        check("XMP-photoshop:City" not in tags, f"{stored.name} keeps its city")
        thumb = urllib.request.urlopen(
            f"{s.lab_url}/album/{order_id}/{photo['number']}/thumb", timeout=10).read()
        tl, tr, bl, br = quarters(thumb, s.root)
        check(near(tl, (255, 0, 0)) and near(tr, (0, 255, 0)) and near(bl, (0, 0, 255)) and
              near(br, (255, 255, 0)), f"the album shows {stored.name} upright: {tl} {tr} {bl} {br}")
    # The JPEG lost its location without being coded again.
    jpeg = next(folder.glob("photo-002-*")).read_bytes()
    check(jpeg[jpeg.index(b"\xff\xda"):] == source[source.index(b"\xff\xda"):],
          "the JPEG's picture data is unchanged")

    click(sent, "Exit Orlavo")
    check(exit_status(process) == 0, "the wizard ends with status 0")


run("phone_photos", body)
