#!/usr/bin/env python3
"""Tries the updater's check and installation (the test helper
updater_install_runner, which runs them as the window does) against a lab
serving a large or hostile update, and prints what it costs.

    bench/lab/updater_faults.py build/bin/orlavo-lab build/bin/updater_install_runner \
        [many drip length names]

  many    10,000 small pictures to install: how long the downloads and the
          putting in place take, and how soon a cancel between two files ends it
  drip    a manifest dripped at 2 bytes a second: how long the check lasts
  length  a file announcing 10 GB: how much is written, where, and how soon it fails
  names   seven names leading outside the installation between two good files

Each case uses a fresh folder; docs/reliability.md records a run.
"""

import http.server
import os
import socketserver
import subprocess
import sys
import tempfile
import threading
import time

LAB = RUNNER = None


class Sandbox:
    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="updater-faults-")
        self.root = self.tmp.name
        for d in ("lab/update/files", "install", "tmp"):
            os.makedirs(os.path.join(self.root, d))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def run(self, url, timeout=None, extra=()):
        """Runs the check and installation; gives (seconds, exit status, output lines with
        their times)."""
        t0 = time.monotonic()
        proc = subprocess.Popen([RUNNER, self.path("install") + "/", url, "Software/Bench",
                                 self.path("registry.sqlite3"), self.path("tmp"), *extra],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        lines = []

        def read():
            for line in proc.stdout:
                lines.append((time.monotonic() - t0, line.rstrip("\n")))

        reader = threading.Thread(target=read)
        reader.start()
        try:
            status = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            status = None
        reader.join()
        return time.monotonic() - t0, status, lines


class Lab:
    def __init__(self, folder):
        self.proc = subprocess.Popen([LAB, "--data", folder, "--port", "0"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = self.proc.stdout.readline().decode()
        self.port = int(line.rsplit(":", 1)[1].strip("/\n"))

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def folder_bytes(path):
    total = 0
    for root, _, files in os.walk(path):
        for name in files:
            try:
                total += os.path.getsize(os.path.join(root, name))
            except OSError:
                pass
    return total


def case_many():
    box = Sandbox()
    count = 10000
    entries = []
    for n in range(count):
        name = f"p{n:05d}.jpg"
        write(box.path("lab/update/files", name), b"n" * 100)
        write(box.path("install", name), b"o" * 99)
        entries.append(f'<image filename="{name}" size="100"/>')
    lab = Lab(box.path("lab"))
    write(box.path("lab/update/auto_update.xml"),
          (f'<auto_update><customer download_url="{lab.url("/update/files/")}">'
           + "".join(entries) + "</customer></auto_update>").encode())
    seconds, status, lines = box.run(lab.url("/update/auto_update.xml"))
    copies = [t for t, line in lines if line.startswith("copy ")]
    new = sum(1 for n in range(count)
              if os.path.getsize(box.path("install", f"p{n:05d}.jpg")) == 100)
    first = copies[0] if copies else seconds
    print(f"many: {count} pictures of 100 bytes: exit {status} after {seconds:.1f} s; "
          f"downloads until {first:.1f} s, putting in place {seconds - first:.1f} s; "
          f"{new} installed")
    # Cancelled half-way through putting them in place.
    for n in range(count):
        write(box.path("install", f"p{n:05d}.jpg"), b"o" * 99)
    cancel = ("--cancel-at-copy", str(count // 2))
    if "--cancel-at-copy" in subprocess.run([RUNNER], capture_output=True, text=True).stderr:
        seconds, status, lines = box.run(lab.url("/update/auto_update.xml"), extra=cancel)
        asked = next((t for t, line in lines if line.startswith("cancel")), None)
        new = sum(1 for n in range(count)
                  if os.path.getsize(box.path("install", f"p{n:05d}.jpg")) == 100)
        said = [line for _, line in lines if line.startswith("install")]
        print(f"many: cancelled at file {count // 2} of {count}: ended "
              f"{(seconds - asked) * 1000 if asked else 0:.0f} ms later, {said}, {new} "
              f"installed")
    lab.close()


class Dripping(http.server.BaseHTTPRequestHandler):
    body = b""
    pause = 0.5
    length = None

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Length", str(self.length or len(self.body)))
        self.end_headers()
        try:
            for i in range(len(self.body)):
                self.wfile.write(self.body[i:i + 1])
                self.wfile.flush()
                time.sleep(self.pause)
        except OSError:
            pass

    def log_message(self, *args):
        pass


def serve(handler):
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def case_drip():
    box = Sandbox()
    Dripping.body = b'<auto_update><customer download_url="http://127.0.0.1:9/">' \
        b'<image filename="1.jpg" size="1"/></customer></auto_update>' * 10
    server = serve(Dripping)
    seconds, status, lines = box.run(f"http://127.0.0.1:{server.server_address[1]}/a.xml",
                                     timeout=150)
    said = [line for _, line in lines]
    print(f"drip: manifest of {len(Dripping.body)} bytes at 2 bytes a second: "
          f"{'still checking when killed' if status is None else f'exit {status}'} after "
          f"{seconds:.0f} s; said {said}")
    server.shutdown()


class Endless(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.endswith(".xml"):
            body = (f'<auto_update><customer download_url="http://127.0.0.1:'
                    f'{self.server.server_address[1]}/files/"><image filename="big.jpg" '
                    f'size="4520"/></customer></auto_update>').encode()
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(10 * 1000 ** 3))
        self.end_headers()
        chunk = b"x" * (1 << 20)
        try:
            for _ in range(10 * 1000):
                self.wfile.write(chunk)
        except OSError:
            pass

    def log_message(self, *args):
        pass


def case_length():
    box = Sandbox()
    server = serve(Endless)
    peak = {"the run's temporary folder": 0, "the installation folder": 0}
    stop = threading.Event()
    watched = {"the run's temporary folder": box.path("tmp"),
               "the installation folder": box.path("install")}

    def watch():
        while not stop.wait(0.1):
            for what, folder in watched.items():
                peak[what] = max(peak[what], folder_bytes(folder))

    w = threading.Thread(target=watch)
    w.start()
    seconds, status, lines = box.run(f"http://127.0.0.1:{server.server_address[1]}/a.xml",
                                     timeout=600)
    stop.set()
    w.join()
    said = [line for _, line in lines if line.startswith(("failed", "install"))]
    print(f"length: a file announcing 10 GB where the manifest says 4520 bytes: exit {status} "
          f"after {seconds:.1f} s; at most "
          f"{', '.join(f'{n / 1000 ** 2:.1f} MB in {w}' for w, n in peak.items())}; said {said}")
    server.shutdown()


def case_names():
    box = Sandbox()
    write(box.path("lab/update/files/1.jpg"), b"good one")
    write(box.path("lab/update/files/2.jpg"), b"good two")
    lab = Lab(box.path("lab"))
    outside = ["../x1", "../../x2", "/tmp/x3", "a/../../x4", "C:\\x5", "..\\x6", "sub/../../x7"]
    files = ['<image filename="1.jpg" size="8"/>'] + \
        [f'<image filename="{n}" size="1"/>' for n in outside] + \
        ['<image filename="2.jpg" size="8"/>']
    write(box.path("lab/update/auto_update.xml"),
          (f'<auto_update><customer download_url="{lab.url("/update/files/")}">'
           + "".join(files) + '<registry_updates><key name="UploadURL" value="x"/>'
           '<key name="RegistryVersion" value="4"/></registry_updates></customer></auto_update>'
           ).encode())
    seconds, status, lines = box.run(lab.url("/update/auto_update.xml"))
    installed = sorted(os.listdir(box.path("install")))
    registry = subprocess.run(["sqlite3", box.path("registry.sqlite3"),
                               "select name || '=' || value from registry_values"],
                              capture_output=True, text=True).stdout.split()
    said = [line for _, line in lines if not line.startswith("failed")]
    refusals = sum(1 for _, line in lines if line.startswith("failed"))
    print(f"names: 2 good files around 7 names leading outside: exit {status}; {refusals} "
          f"refusals; said {said}; installed {installed}; settings written {registry}")
    lab.close()


CASES = {"many": case_many, "drip": case_drip, "length": case_length, "names": case_names}

if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    LAB, RUNNER = sys.argv[1], sys.argv[2]
    for name in sys.argv[3:] or CASES:
        CASES[name]()
