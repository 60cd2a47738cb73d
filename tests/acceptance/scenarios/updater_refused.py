"""An update that names a file outside the installation is refused whole:
the updater says a file name was refused, nothing is installed, and "Finish"
still starts the wizard as it is."""
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from orlavo_at import *  # noqa: E402,F403


def body(s):
    url = s.start_lab()
    s.write_profile()
    install = s.root / "install"
    install.mkdir()
    for name in ("OrlavoW", "Halvane", "1.jpg", "2.jpg", "3.jpg"):
        shutil.copy2(BIN / name, install / name)
    before = (install / "1.jpg").read_bytes()
    files = s.root / "lab" / "update" / "files"
    files.mkdir(parents=True)
    (files / "1.jpg").write_bytes(b"a picture of the lab's")
    (s.root / "lab" / "update" / "auto_update.xml").write_text(
        f'<auto_update><customer download_url="{url}/update/files/">'
        '<image filename="1.jpg" size="22"/><image filename="../outside.so" size="4"/>'
        '<registry_updates><key name="UploadURL" value="https://elsewhere/upload"/>'
        '<key name="RegistryVersion" value="9"/></registry_updates></customer></auto_update>')
    s.reg("Settings", "UpdateURL", f"{url}/update/auto_update.xml")
    s.reg("Settings", "LocalPath", f"{install}/")

    halvane = s.start("Halvane", PROFILE, folder=install)
    app = application(UPDATER, halvane.pid, 60)
    dialog = window(app, UPDATER, 30)
    find(dialog, pyatspi.ROLE_LABEL, re.compile("a file name in it leads outside"), 60)
    finish = button(dialog, "Finish", 30)
    check(is_enabled(finish), "Finish is offered after the refusal")
    check(not find_all(dialog, pyatspi.ROLE_PUSH_BUTTON, "Next >"), "no Next after the refusal")
    check((install / "1.jpg").read_bytes() == before, "the start picture is the one installed")
    check(not (s.root / "outside.so").exists(), "nothing was written outside the installation")
    press(finish)
    check(exit_status(halvane) == 0, "the updater ends after Finish")

    wizard_from_installation(install)


run("updater_refused", body)
