"""Drives the built programs from outside, as a user and a screen reader do.

Every scenario runs in its own X display and D-Bus session (run-scenario.sh
makes them). The programs are started as processes of their own; they are
reached only through the accessibility tree (AT-SPI) and the keyboard. A
failed scenario leaves a screenshot of the display and the tree it saw in
its failure folder.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import xml.etree.ElementTree as ET
from pathlib import Path

import pyatspi

BIN = Path(os.environ["ORLAVO_BIN_DIR"])
FAILURES = Path(os.environ.get("ORLAVO_ACCEPTANCE_OUT", "/tmp/orlavo-acceptance"))
PROFILE = "Acceptance"
WIZARD = "Zadozu Orlavo"
UPDATER = "Zadozu Orlavo Tessaly"
# Roles a user operates; each must have a name a screen reader can say.
OPERABLE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_LINK, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_MENU_ITEM,
}


# Set by a scenario that may use nothing but the keyboard to act: the tree is
# then only read, never asked to press, toggle or focus anything.
KEYBOARD_ONLY = False


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, condition, timeout=30.0, interval=0.1):
    """Polls CONDITION until it gives something true; that is the result."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except Exception as error:  # a node that went away while looked at
            last_error = error
        if time.monotonic() > end:
            extra = f" (last error: {last_error})" if last_error else ""
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}{extra}")
        time.sleep(interval)


# ---------------------------------------------------------------- the tree

def name_of(node):
    try:
        return node.name or ""
    except Exception:
        return ""


def role_of(node):
    try:
        return node.getRole()
    except Exception:
        return None


def children(node):
    try:
        return [c for c in node if c is not None]
    except Exception:
        return []


def states(node):
    try:
        return node.getState()
    except Exception:
        return None


def is_showing(node):
    s = states(node)
    return bool(s) and s.contains(pyatspi.STATE_SHOWING)


def is_enabled(node):
    s = states(node)
    return bool(s) and s.contains(pyatspi.STATE_ENABLED)


def is_checked(node):
    s = states(node)
    return bool(s) and s.contains(pyatspi.STATE_CHECKED)


def is_focused(node):
    s = states(node)
    return bool(s) and s.contains(pyatspi.STATE_FOCUSED)


def walk(node, showing_only=True, depth=0, limit=40):
    """Every node below NODE (itself included), depth first."""
    if node is None or depth > limit:
        return
    if showing_only and depth > 0 and not is_showing(node):
        return
    yield node
    for child in children(node):
        yield from walk(child, showing_only, depth + 1, limit)


def matches(node, role, name):
    if role is not None and role_of(node) != role:
        return False
    if name is None:
        return True
    n = name_of(node)
    if isinstance(name, re.Pattern):
        return bool(name.search(n))
    return n == name


def labels_of(node):
    """The names of the labels that name NODE (a list box is named so)."""
    try:
        found = []
        for r in node.getRelationSet():
            if r.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                found += [name_of(r.getTarget(i)) for i in range(r.getNTargets())]
        return found
    except Exception:
        return []


def matches_label(node, role, label):
    if role is not None and role_of(node) != role:
        return False
    return label in labels_of(node) or name_of(node) == label


def find_all(root, role=None, name=None, showing_only=True):
    return [n for n in walk(root, showing_only) if matches(n, role, name)]


def labelled(root, role, label, timeout=20.0):
    """The control of ROLE below ROOT that the label LABEL names."""
    return wait_for(f"{role_name(role)} labelled {label!r}",
                    lambda: next((n for n in walk(root) if matches_label(n, role, label)), None),
                    timeout)


def find(root, role=None, name=None, timeout=20.0, showing_only=True):
    """The first node below ROOT of ROLE named NAME (text or pattern)."""
    return wait_for(f"{role_name(role)} {name!r}", lambda: next(iter(find_all(root, role, name, showing_only)), None),
                    timeout)


def role_name(role):
    return "control" if role is None else str(role).replace("ROLE_", "").lower()


def text_of(node):
    """What a control shows: its text, else its name."""
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except Exception:
        return name_of(node)


def do_action(node, *names):
    """Does the first of the actions NAMES the node offers."""
    check(not KEYBOARD_ONLY, f"the keyboard-only scenario asked {name_of(node)!r} to act")
    action = node.queryAction()
    offered = [action.getName(i) for i in range(action.nActions)]
    for wanted in names:
        for i, n in enumerate(offered):
            if n.lower() == wanted.lower():
                action.doAction(i)
                return
    raise Failure(f"{name_of(node)!r} offers {offered}, not {names}")


def press(node):
    check(is_enabled(node), f"{name_of(node)!r} is disabled")
    do_action(node, "Press", "Click", "Activate", "Toggle")


def toggle(node):
    do_action(node, "Toggle", "Press", "Click")


def has_focus(node):
    """NODE, or one of its items, holds the keyboard's focus."""
    if is_focused(node):
        return True
    s = states(node)
    if s and role_of(node) in (pyatspi.ROLE_LIST, pyatspi.ROLE_TREE, pyatspi.ROLE_TABLE,
                               pyatspi.ROLE_TREE_TABLE):
        # A view with the focus shows it on its current item.
        return s.contains(pyatspi.STATE_FOCUSED)
    return False


def focus(node, tabs=80):
    """Puts the keyboard's focus on NODE: as a screen reader asks for it, or
    with Tab as a keyboard user does."""
    if has_focus(node):
        return
    if KEYBOARD_ONLY:
        tabs_to(node, tabs)
        return
    try:
        if node.queryComponent().grabFocus() and wait_for_quietly(lambda: has_focus(node)):
            return
    except Exception:
        pass
    try:
        do_action(node, "SetFocus")
        if wait_for_quietly(lambda: has_focus(node)):
            return
    except (Failure, NotImplementedError):
        pass
    tabs_to(node, tabs)


def tabs_to(node, tabs):
    for _ in range(tabs):
        key("Tab")
        if wait_for_quietly(lambda: has_focus(node), 0.5):
            return
    raise Failure(f"Tab never reached {name_of(node)!r}")


def wait_for_quietly(condition, timeout=1.0):
    try:
        return wait_for("", condition, timeout, 0.05)
    except Failure:
        return False


# ---------------------------------------------------------------- the keyboard

KEYSYMS = {
    "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B, "space": 0x20, "BackSpace": 0xFF08,
    "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54, "Home": 0xFF50,
    "End": 0xFF57, "Delete": 0xFFFF, "Page_Up": 0xFF55, "Page_Down": 0xFF56,
    "Shift_L": 0xFFE1, "Control_L": 0xFFE3, "Alt_L": 0xFFE9, "F4": 0xFFC1, "F10": 0xFFC7,
    "Menu": 0xFF67,
}


def key(name, times=1, pause=0.08):
    """Presses and releases the key NAME (an X keysym name) TIMES times."""
    sym = KEYSYMS[name] if name in KEYSYMS else ord(name)
    for _ in range(times):
        pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)
        time.sleep(pause)


def chord(modifier, name):
    """MODIFIER held while NAME is pressed (e.g. Shift_L and Tab)."""
    from Xlib import display as xdisplay
    d = xdisplay.Display()
    mod = d.keysym_to_keycode(KEYSYMS[modifier])
    code = d.keysym_to_keycode(KEYSYMS[name] if name in KEYSYMS else ord(name))
    d.close()
    reg = pyatspi.Registry
    reg.generateKeyboardEvent(mod, None, pyatspi.KEY_PRESS)
    reg.generateKeyboardEvent(code, None, pyatspi.KEY_PRESSRELEASE)
    reg.generateKeyboardEvent(mod, None, pyatspi.KEY_RELEASE)
    time.sleep(0.08)


def type_text(text, pause=0.02):
    for ch in text:
        pyatspi.Registry.generateKeyboardEvent(ord(ch), None, pyatspi.KEY_SYM)
        time.sleep(pause)


def clear_and_type(node, text):
    """Puts the focus in the field NODE, empties it and types TEXT."""
    focus(node)
    wait_for(f"focus in {name_of(node)!r}", lambda: is_focused(node), 5)
    key("End")
    key("BackSpace", len(text_of(node)) + 2, pause=0.01)
    type_text(text)
    wait_for(f"{text!r} in {name_of(node)!r}",
             lambda: text_of(node).replace(" ", "") == text.replace(" ", ""), 5)


def current_item(view):
    """The item of a list or table that has the keyboard's place."""
    return next((i for i in children(view) if is_focused(i)), None)


def move_to_item(view, name, forward="Right", back="Left"):
    """Walks the keyboard's place in VIEW to the item NAME with the arrow keys,
    one key at a time, each awaited as a screen reader user awaits its word."""
    focus(view)
    names = [name_of(i) for i in children(view)]
    check(name in names, f"{name!r} is not in {name_of(view)!r}: {names}")
    target = names.index(name)
    for _ in range(2 * len(names) + 2):
        here = current_item(view)
        at = names.index(name_of(here)) if here is not None else -1
        if at == target:
            return here
        key(forward if at < target else back)
        wait_for_quietly(lambda: current_item(view) is not None and
                         names.index(name_of(current_item(view))) != at, 2)
    raise Failure(f"could not reach {name!r} in {name_of(view)!r}")


def tick(view, name, timeout=30):
    """Ticks the photo NAME of a folder view as a keyboard user does: the
    arrows to it, then Space (again, while its thumbnail is still being made)."""
    move_to_item(view, name)

    def ticked():
        item = next(i for i in children(view) if name_of(i) == name)
        if is_checked(item):
            return True
        key("space")
        time.sleep(0.3)
        return is_checked(item)
    wait_for(f"{name!r} ticked", ticked, timeout)


def wm_close(title):
    """Asks the window titled TITLE to close, as a window manager's close
    button does (WM_DELETE_WINDOW)."""
    from Xlib import X, display as xdisplay, protocol
    d = xdisplay.Display()
    try:
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        net_name = d.intern_atom("_NET_WM_NAME")
        utf8 = d.intern_atom("UTF8_STRING")

        def title_of(w):
            try:
                prop = w.get_full_property(net_name, utf8)
                if prop:
                    return prop.value.decode("utf-8", "replace")
                return w.get_wm_name() or ""
            except Exception:
                return ""

        def windows_below(w):
            try:
                for child in w.query_tree().children:
                    yield child
                    yield from windows_below(child)
            except Exception:
                return
        target = next((w for w in windows_below(d.screen().root)
                       if title_of(w) == title
                       and w.get_attributes().map_state == X.IsViewable), None)
        check(target is not None, f"no window titled {title!r} on the display")
        event = protocol.event.ClientMessage(window=target, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        target.send_event(event, event_mask=X.NoEventMask)
        d.flush()
    finally:
        d.close()


# ---------------------------------------------------------------- processes

class Session:
    """One scenario's world: folders, settings store, lab, programs."""

    def __init__(self, scenario):
        self.scenario = scenario
        self.root = Path(tempfile.mkdtemp(prefix=f"orlavo-at-{scenario}-"))
        self.out = FAILURES / scenario
        self.processes = []
        self.lab = None
        self.lab_url = None
        for sub in ("config", "state", "cache", "data", "home", "bin", "photos", "lab"):
            (self.root / sub).mkdir()
        self.registry = self.root / "config" / "registry.sqlite3"
        self.opened = self.root / "opened.txt"
        # The desktop's opener: records what it was asked to open.
        opener = self.root / "bin" / "xdg-open"
        opener.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.opened}'\n")
        opener.chmod(0o755)
        self.env = dict(os.environ)
        self.env.update({
            "ORLAVO_REGISTRY": str(self.registry),
            "XDG_CONFIG_HOME": str(self.root / "config"),
            "XDG_STATE_HOME": str(self.root / "state"),
            "XDG_CACHE_HOME": str(self.root / "cache"),
            "XDG_DATA_HOME": str(self.root / "data"),
            "HOME": str(self.root / "home"),
            "PATH": f"{self.root / 'bin'}:{os.environ.get('PATH', '/usr/bin:/bin')}",
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
            "NO_AT_BRIDGE": "0",
            "LANG": "C.UTF-8",
            "LANGUAGE": "en",
        })
        self.env.pop("QT_QPA_PLATFORM_PLUGIN_PATH", None)

    # The lab and the settings a profile needs to reach it.
    def start_lab(self, *args):
        log = open(self.root / "lab.log", "w")
        p = subprocess.Popen([str(BIN / "orlavo-lab"), "--data", str(self.root / "lab"),
                              "--host", "127.0.0.1", "--port", "0", *args],
                             stdout=subprocess.PIPE, stderr=log, env=self.env, text=True)
        self.processes.append(p)
        line = p.stdout.readline()
        m = re.search(r"http://[0-9.]+:[0-9]+", line)
        check(m, f"the lab did not start: {line!r}")
        self.lab = p
        self.lab_url = m.group(0)
        return self.lab_url

    def reg(self, section, name, value):
        subprocess.run([str(BIN / "orlavo-reg"), "--profile", PROFILE, "set", section, name,
                        str(value)], env=self.env, check=True, stdout=subprocess.DEVNULL)

    def write_profile(self, photos=None):
        u = self.lab_url
        for name, value in (("DownloadURL", f"{u}/catalogue.xml"), ("UploadURL", f"{u}/upload"),
                            ("PriceRequestURL", f"{u}/price"), ("OnlineAlbumURL", f"{u}/album"),
                            ("HelpURL", f"{u}/help"), ("TermsOfServiceURL", f"{u}/terms")):
            self.reg("DownloadInfo", name, value)
        self.reg("UserDetails", "PicturesFolder", photos or self.root / "photos")

    def make_photos(self, count, folder=None):
        folder = folder or self.root / "photos"
        subprocess.run([str(BIN / "orlavo-lab"), "--make-sample-photos", str(folder), str(count)],
                       env=self.env, check=True, stdout=subprocess.DEVNULL)
        return sorted(folder.glob("*.jpg"))

    def start(self, program, *args, folder=None):
        log = open(self.root / f"{Path(program).name}-{len(self.processes)}.log", "w")
        p = subprocess.Popen([str(Path(folder or BIN) / program), *args], env=self.env,
                             stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        self.processes.append(p)
        return p

    def opened_targets(self):
        return self.opened.read_text().splitlines() if self.opened.exists() else []

    # The lab's orders as it kept them: id -> list of (number, count, manifest, photo bytes).
    def lab_orders(self):
        orders = {}
        base = self.root / "lab" / "orders"
        if not base.exists():
            return orders
        for d in base.iterdir():
            if not d.is_dir():
                continue
            photos = []
            for xml in sorted(d.glob("photo-*.xml")):
                m = ET.parse(xml).getroot()
                f = m.find("file")
                extra = m.find("extra")
                stem = xml.stem
                picture = next((p for p in d.glob(stem + "-*") if p.suffix != ".xml"), None)
                photos.append({
                    "number": int(f.get("currentnumphoto")),
                    "count": int(extra.get("numphotos")),
                    "filename": f.get("filename"),
                    "products": [(p.get("id"), p.get("qty")) for p in f.findall("product")],
                    "firstname": m.find("user").get("firstname"),
                    "bytes": picture.read_bytes() if picture else None,
                })
            orders[d.name] = photos
        return orders

    def close(self, failed):
        if failed:
            self.save_evidence()
        for p in reversed(self.processes):
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGTERM) if p is not self.lab else p.terminate()
                except Exception:
                    p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        if not failed:
            shutil.rmtree(self.root, ignore_errors=True)

    def save_evidence(self):
        self.out.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", str(self.out / "screen.png")],
                       stderr=subprocess.DEVNULL)
        with open(self.out / "tree.txt", "w") as f:
            for app in children(pyatspi.Registry.getDesktop(0)):
                dump(app, f)
        for log in self.root.glob("*.log"):
            shutil.copy(log, self.out / log.name)
        print(f"evidence kept in {self.out} (and the session's files in {self.root})",
              file=sys.stderr)


def dump(node, out, depth=0):
    if depth > 30:
        return
    s = states(node)
    flags = []
    if s:
        for st, label in ((pyatspi.STATE_SHOWING, "showing"), (pyatspi.STATE_FOCUSED, "focused"),
                          (pyatspi.STATE_CHECKED, "checked"), (pyatspi.STATE_ENABLED, "enabled")):
            if s.contains(st):
                flags.append(label)
    try:
        role = node.getRoleName()
    except Exception:
        role = "?"
    text = ""
    try:
        t = node.queryText()
        text = " text=" + repr(t.getText(0, min(t.characterCount, 80)))
    except Exception:
        pass
    out.write(f"{'  ' * depth}[{role}] {name_of(node)!r}{text} {' '.join(flags)}\n")
    for c in children(node):
        if depth > 0 and not is_showing(c):
            continue
        dump(c, out, depth + 1)


# ---------------------------------------------------------------- the programs

def application(name, pid=None, timeout=30.0):
    """The accessible application NAME (of process PID when given)."""
    def found():
        for app in children(pyatspi.Registry.getDesktop(0)):
            if name_of(app) != name:
                continue
            if pid is None or app.get_process_id() == pid:
                return app
        return None
    return wait_for(f"application {name!r}", found, timeout)


def window(app, title, timeout=30.0):
    """A window (frame or dialog) of APP whose title is TITLE (text or pattern)."""
    def found():
        for w in children(app):
            if matches(w, None, title) and is_showing(w):
                return w
        return None
    return wait_for(f"window {title!r}", found, timeout)


def windows(app):
    return [(name_of(w), w) for w in children(app) if is_showing(w)]


def unnamed_operable(root):
    """Controls a user can operate that a screen reader could not name. A
    list named only by its choice says what it holds, not what it is for."""
    missing = []
    for n in walk(root):
        if role_of(n) not in OPERABLE or not is_showing(n):
            continue
        name = name_of(n).strip()
        if role_of(n) == pyatspi.ROLE_COMBO_BOX and name and name == value_of(n).strip():
            name = ""
        if not name:
            # A field labelled by a label beside it is named through that relation.
            try:
                labelled = any(r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                               for r in n.getRelationSet())
            except Exception:
                labelled = False
            if not labelled:
                missing.append(f"{n.getRoleName()} {name_of(n)!r} in {name_of(n.parent)!r}")
    return missing


# ---------------------------------------------------------------- combo boxes

def combo_items(combo):
    """The texts a combo box offers, in order."""
    for child in children(combo):
        if role_of(child) in (pyatspi.ROLE_LIST, pyatspi.ROLE_MENU):
            return [name_of(i) for i in children(child)]
    return []


def choose(combo, text):
    """Makes TEXT the choice of COMBO with the arrow keys, as a keyboard user
    does on a closed combo box. A product is found by its name alone (the
    lists add its price: "6 x 4 in print (...) - 0.25 GBP")."""
    items = combo_items(combo)
    text = next((i for i in items if i == text or i.startswith(text + " - ")), text)
    check(text in items, f"{text!r} is not offered by {name_of(combo)!r}: {items}")
    focus(combo)
    for _ in range(len(items) + 1):
        current = value_of(combo)
        if current == text:
            return
        at = items.index(current) if current in items else -1
        key("Down" if at < items.index(text) else "Up")
        wait_for_quietly(lambda: value_of(combo) != current, 2)
    raise Failure(f"could not choose {text!r} in {name_of(combo)!r}")


def value_of(combo):
    """What a combo box shows: its text, else its list's selected item."""
    for child in children(combo):
        if role_of(child) == pyatspi.ROLE_TEXT:
            return text_of(child)
    for child in children(combo):
        if role_of(child) in (pyatspi.ROLE_LIST, pyatspi.ROLE_MENU):
            for item in children(child):
                s = states(item)
                if s and s.contains(pyatspi.STATE_SELECTED):
                    return name_of(item)
    return name_of(combo)


# ---------------------------------------------------------------- the wizard

def start_wizard(session, *args, lab_args=(), photos=4):
    """Lab, photos, profile; OrlavoW started. Gives the application, its
    process and the start window with Begin ready."""
    session.start_lab(*lab_args)
    session.make_photos(photos)
    session.write_profile()
    process = session.start("OrlavoW", PROFILE, *args)
    app = application(WIZARD, process.pid, 60)
    start = window(app, WIZARD, 60)
    return app, process, start


def begin(app, start, keyboard=False):
    """Begin, once the catalogue is in; gives step 1's window."""
    button = find(start, pyatspi.ROLE_PUSH_BUTTON, "Begin", 60)
    wait_for("the catalogue", lambda: is_enabled(button) and name_of(button) == "Begin", 60)
    if keyboard or KEYBOARD_ONLY:
        focus(button)
        key("Return")
    else:
        press(button)
    return step(app, 1)


def step(app, n, timeout=60):
    return window(app, f"Zadozu Orlavo (Step {n} of 4)", timeout)


def button(root, name, timeout=20):
    return find(root, pyatspi.ROLE_PUSH_BUTTON, name, timeout)


def click(root, name, keyboard=False):
    """Presses the button NAME: through the tree, or Tab to it and Space."""
    b = button(root, name)
    if keyboard or KEYBOARD_ONLY:
        wait_for(f"{name!r} enabled", lambda: is_enabled(b), 20)
        focus(b)
        key("space")
    else:
        wait_for(f"{name!r} enabled", lambda: is_enabled(b), 20)
        press(b)


def photo_view(step1):
    return find(step1, pyatspi.ROLE_LIST, "Check the box next to your images")


def ticked_photos(step1):
    return [name_of(i) for i in children(photo_view(step1)) if is_checked(i)]


def field(root, label):
    """The text field named LABEL (by the label beside it)."""
    return find(root, pyatspi.ROLE_TEXT, label)


DETAILS = [("First Name", "Ada"), ("Last Name", "Lovelace"), ("Address", "12 Marlborough Buildings"),
           ("City/Town", "Bath"), ("Postcode", "BA1 2LY"), ("Phone", "07700 900123"),
           ("Email Address", "ada@example.org")]
GOOD_CARD = "4111111111111111"
DECLINED_CARD = "4000000000000002"


def enter_details(step3, card=GOOD_CARD):
    """Billing details, delivery home to them, a Visa card."""
    billing = find(step3, pyatspi.ROLE_PANEL, "Billing Details")
    for label, text in DETAILS:
        clear_and_type(field(billing, label), text)
    shipping = find(step3, pyatspi.ROLE_PANEL, "Shipping Details")
    home = find(shipping, pyatspi.ROLE_RADIO_BUTTON, "Home")
    if not is_checked(home):
        focus(home)
        key("space")
        wait_for("Home chosen", lambda: is_checked(home), 5)
    same = find(shipping, pyatspi.ROLE_CHECK_BOX, re.compile("same as Billing"))
    if not is_checked(same):
        focus(same)
        key("space")
        wait_for("same as billing", lambda: is_checked(same), 5)
    enter_card(step3, card)


def enter_card(step3, card, year_ahead=3):
    """A Visa card that expires YEAR_AHEAD years from now."""
    payment = find(step3, pyatspi.ROLE_PANEL, "Payment Details")
    choose(labelled(payment, pyatspi.ROLE_COMBO_BOX, "Payment Method"), "Visa")
    clear_and_type(field(payment, "Card Number"), card)
    clear_and_type(field(payment, "Name on Card"), "A LOVELACE")
    year = labelled(payment, pyatspi.ROLE_COMBO_BOX, "Expiration Date, year")
    choose(year, str(time.localtime().tm_year + year_ahead))
    code = find_all(payment, pyatspi.ROLE_TEXT, "Security Code")
    if code:
        clear_and_type(code[0], "737")


def lab_order_ids(session):
    return set(session.lab_orders())


def check_order_at_lab(session, order_id, photos, products=None):
    """The order ORDER_ID holds PHOTOS (paths, in order) byte for byte,
    numbered 1..N of N."""
    kept = sorted(session.lab_orders()[order_id], key=lambda p: p["number"])
    check(len(kept) == len(photos), f"order {order_id} holds {len(kept)} photos, not {len(photos)}")
    for i, (photo, path) in enumerate(zip(kept, photos), start=1):
        check(photo["number"] == i and photo["count"] == len(photos),
              f"photo {i} of order {order_id} is numbered {photo['number']} of {photo['count']}")
        check(photo["filename"] == Path(path).name, f"photo {i} is {photo['filename']}")
        check(photo["bytes"] == Path(path).read_bytes(), f"photo {i} is not {path} byte for byte")
        if products is not None:
            check(photo["products"] == products[i - 1],
                  f"photo {i} has {photo['products']}, not {products[i - 1]}")


def wizard_from_installation(install):
    """The wizard the updater's Finish started is INSTALL's own; its start
    window's Cancel ends it."""
    wizard = application(WIZARD, None, 60)
    pid = wizard.get_process_id()
    check(os.readlink(f"/proc/{pid}/exe") == str(install / "OrlavoW"),
          "the wizard started is the installation's")
    start = window(wizard, WIZARD, 30)
    press(button(start, "Cancel"))
    wait_for("the wizard to end", lambda: not os.path.exists(f"/proc/{pid}"), 20)


def exit_status(process, timeout=20):
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        raise Failure(f"{process.args[0]} did not end")


def run(scenario, body):
    """Runs BODY(session) as the scenario; the exit status tells the result."""
    session = Session(scenario)
    failed = True
    try:
        body(session)
        failed = False
    except Exception:
        traceback.print_exc()
    finally:
        session.close(failed)
    sys.exit(1 if failed else 0)
