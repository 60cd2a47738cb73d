"""The updater's first run: the lab has a newer start picture; "Next >"
installs it, "Finish" starts the wizard, and the installed file is the lab's."""
import os
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
    # The lab's update: the same files, but a start picture of its own.
    files = s.root / "lab" / "update" / "files"
    files.mkdir(parents=True)
    for name in ("OrlavoW", "2.jpg", "3.jpg"):
        shutil.copy2(BIN / name, files / name)
    newer = s.make_photos(1, s.root / "newer")[0]
    shutil.copy2(newer, files / "1.jpg")
    subprocess.run([str(BIN / "orlavo-lab"), "--make-update", str(s.root / "lab"), "--base-url",
                    f"{url}/update/files/"], env=s.env, check=True, stdout=subprocess.DEVNULL)
    s.reg("Settings", "UpdateURL", f"{url}/update/auto_update.xml")
    s.reg("Settings", "LocalPath", f"{install}/")

    halvane = s.start("Halvane", PROFILE, folder=install)
    app = application(UPDATER, halvane.pid, 60)
    dialog = window(app, UPDATER, 30)
    next_button = button(dialog, "Next >", 30)
    wait_for("the update found", lambda: is_enabled(next_button), 60)
    missing = unnamed_operable(dialog)
    check(not missing, f"unnamed controls in the updater: {missing}")
    press(next_button)
    finish = wait_for("Finish", lambda: next((b for b in find_all(dialog, pyatspi.ROLE_PUSH_BUTTON)
                                              if name_of(b) == "Finish" and is_enabled(b)), None),
                      120)
    check((install / "1.jpg").read_bytes() == newer.read_bytes(),
          "the installed start picture is the lab's")
    press(finish)
    check(exit_status(halvane) == 0, "the updater ends after Finish")

    # Finish started the installation's wizard.
    wizard_from_installation(install)


run("updater_first_run", body)
