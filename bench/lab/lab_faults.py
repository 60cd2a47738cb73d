#!/usr/bin/env python3
"""Tries orlavo-lab the way an attacker or an unlucky client would and prints
what it costs the lab: answers, sizes, times and peak memory.

    bench/lab/lab_faults.py build/bin/orlavo-lab [exif ranges slow slowbody cap bomb headers album modes]

Each case starts a fresh lab on 127.0.0.1 in a temporary folder. Figures
depend on the machine; docs/reliability.md records a run.
"""

import http.client
import os
import select
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

LAB = None


class Lab:
    def __init__(self, umask=None, args=()):
        self.dir = tempfile.TemporaryDirectory(prefix="lab-faults-")
        pre = (lambda: os.umask(umask)) if umask is not None else None
        self.proc = subprocess.Popen([LAB, "--data", self.dir.name, "--port", "0", *args],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     preexec_fn=pre)
        line = self.proc.stdout.readline().decode()
        self.port = int(line.rsplit(":", 1)[1].strip("/\n"))

    def status(self, key):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith(key):
                    return int(line.split()[1]) // 1024  # MiB
        return -1

    def alive(self):
        return self.proc.poll() is None

    def close(self):
        if self.alive():
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.dir.cleanup()

    def get(self, path, headers=None, timeout=60):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        c.request("GET", path, headers=headers or {})
        r = c.getresponse()
        body = r.read()
        c.close()
        return r.status, body


def manifest(order, number, count, name, size):
    return (f'<?xml version="1.0" encoding="ISO-8859-1" ?><transfermanifest>'
            f'<file contenttype="image/pjpeg" filename="{name}" size="{size}" '
            f'currentnumphoto="{number}"><product id="101" qty="1" zoomtrim="0"/></file>'
            f'<user firstname="Ann" lastname="Tegg" address1="4 Mill Lane" address2="" city="York" '
            f'country="GB" email="ann@example.org" phone="01632 960999" state="" zip="YO1 7HZ" '
            f'customernumber=""/><shipping storeid="" name="Ann Tegg" address1="4 Mill Lane" '
            f'address2="" city="York" country="GB" phone="01632 960999" state="" zip="YO1 7HZ"/>'
            f'<payment cctype="1" ccnumber="4111111111111111" ccstartyear="" ccstartmonth="" '
            f'ccexpireyear="2099" ccexpiremonth="12" nameoncard="Ann Tegg" issueno="" '
            f'securitycode="737" vouchercode="" promocode=""/><extra affiliateid="4711" '
            f'qrtversion="2.0.44.3" uniqueid="{order}" numphotos="{count}"/></transfermanifest>')


def upload(lab, order, number, count, photo, name="p.jpg", timeout=120):
    b = "---------------------------7d22db37402707"
    m = manifest(order, number, count, name, len(photo)).encode()
    body = (f"--{b}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"{name}\"\r\n"
            f"Content-Type: image/pjpeg\r\n\r\n").encode() + photo + (
            f"\r\n--{b}\r\nContent-Disposition: form-data; name=\"transfermanifest\"\r\n\r\n"
           ).encode() + m + f"\r\n--{b}--\r\n".encode()
    c = http.client.HTTPConnection("127.0.0.1", lab.port, timeout=timeout)
    c.request("POST", "/upload", body, {"Content-Type": f"multipart/form-data; boundary={b}"})
    r = c.getresponse()
    text = r.read().decode("latin-1")
    c.close()
    return text[text.find("<title>") + 7:text.find("</title>")]


def sample_photo():
    with tempfile.TemporaryDirectory() as d:
        subprocess.run([LAB, "--make-sample-photos", d, "1"], check=True,
                       stdout=subprocess.DEVNULL)
        with open(os.path.join(d, "sample_001.jpg"), "rb") as f:
            return f.read()


def with_exif_offset(jpeg, offset):
    payload = b"Exif\0\0II*\0" + offset.to_bytes(4, "little") + bytes(16)
    return jpeg[:2] + b"\xff\xe1" + (len(payload) + 2).to_bytes(2, "big") + payload + jpeg[2:]


def declaring(jpeg, width, height):
    i = 2
    while i + 9 < len(jpeg):
        marker, length = jpeg[i + 1], int.from_bytes(jpeg[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC2):
            return (jpeg[:i + 5] + height.to_bytes(2, "big") + width.to_bytes(2, "big")
                    + jpeg[i + 9:])
        i += 2 + length
    raise ValueError("no frame header")


def case_exif():
    lab, photo = Lab(), sample_photo()
    offsets = [0xFFFFFFFF - k for k in range(64)] + [0x80000000 + k * 0x1000000 for k in range(36)]
    ok = 0
    for n, off in enumerate(offsets, 1):
        upload(lab, "EXIFORDER000001", n, len(offsets), with_exif_offset(photo, off))
        try:
            ok += lab.get(f"/album/EXIFORDER000001/{n}/thumb")[0] == 200
        except Exception:
            break
    print(f"exif: {len(offsets)} thumbnails with IFD offsets near 0xFFFFFFFF: {ok} answered 200; "
          f"lab alive: {lab.alive()}")
    lab.close()


def case_ranges():
    lab = Lab()
    os.makedirs(os.path.join(lab.dir.name, "update", "files"))
    with open(os.path.join(lab.dir.name, "update", "files", "photo.jpg"), "wb") as f:
        f.write(os.urandom(1 << 20))
    base = lab.status("VmRSS")
    header = "bytes=" + ",".join(["0-"] * 2700)
    status, body = lab.get("/update/files/photo.jpg", {"Range": header})
    print(f"ranges: 2700 x '0-' on 1 MiB ({len(header)} byte header): status {status}, "
          f"{len(body)} bytes")
    results = []

    def one(h):
        results.append(lab.get("/update/files/photo.jpg", {"Range": h}))

    for h, what in ((",".join(["bytes=0-"] + ["0-"] * 15), "16 x '0-'"),
                    ("bytes=0-99,50-199", "0-99,50-199"), ("bytes=0-9,500-599", "0-9,500-599")):
        s, b = lab.get("/update/files/photo.jpg", {"Range": h})
        print(f"ranges: {what}: status {s}, {len(b)} bytes")
    threads = [threading.Thread(target=one, args=(header,)) for _ in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    print(f"ranges: 8 such requests at once: statuses {sorted(set(r[0] for r in results))}, "
          f"largest answer {max(len(r[1]) for r in results)} bytes; lab RSS {base} -> peak "
          f"{lab.status('VmHWM')} MiB; alive: {lab.alive()}")
    lab.close()


# Every client of these cases is 127.0.0.1: the cap per address is lifted
# where many connections stand for many clients. An older lab without the
# switch is run without it.
def uncapped():
    help_text = subprocess.run([LAB, "--help"], capture_output=True, text=True).stdout
    return ["--max-connections-per-address", "0"] if "--max-connections-per-address" in help_text \
        else []


def case_slow():
    lab = Lab(args=uncapped())
    conns = []
    for _ in range(200):
        s = socket.create_connection(("127.0.0.1", lab.port))
        s.sendall(b"GET /catalogue.xml HTTP/1.1\r\nHost: x\r\n")
        conns.append(s)
    stop = threading.Event()

    def drip():
        while not stop.wait(2):
            for s in conns:
                try:
                    s.sendall(b"X-Drip: 1\r\n")
                except OSError:
                    pass

    t = threading.Thread(target=drip)
    t.start()
    times = []
    for _ in range(5):
        t0 = time.monotonic()
        status, _ = lab.get("/catalogue.xml")
        times.append(time.monotonic() - t0)
        time.sleep(1)
    t0 = time.monotonic()
    answered = 0
    for s in conns:
        s.settimeout(max(0.1, 30 - (time.monotonic() - t0)))
        try:
            answered += s.recv(64).startswith(b"HTTP/1.1 408")
        except OSError:
            pass
    stop.set()
    t.join()
    print(f"slow: 200 connections dripping a header line every 2 s: a normal GET answered in "
          f"{min(times) * 1000:.0f}-{max(times) * 1000:.0f} ms (5 tries); "
          f"{answered} of 200 told 408; lab alive: {lab.alive()}")
    for s in conns:
        s.close()
    lab.close()


def case_slowbody():
    lab = Lab(args=uncapped())
    head = (b"POST /upload HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
            b"boundary=x\r\nContent-Length: 100000\r\n\r\n")

    def connect():
        s = socket.create_connection(("127.0.0.1", lab.port))
        s.sendall(head)
        return s

    conns = [connect() for _ in range(64)]
    stop = threading.Event()
    cuts = [0]

    def drip():
        while not stop.wait(2):
            for i, s in enumerate(conns):
                try:
                    if select.select([s], [], [], 0)[0]:
                        s.close()
                        cuts[0] += 1
                        conns[i] = connect()
                    else:
                        s.sendall(b"x")
                except OSError:
                    conns[i] = connect()

    t = threading.Thread(target=drip)
    t.start()
    time.sleep(3)
    times = []
    for _ in range(100):
        t0 = time.monotonic()
        try:
            lab.get("/catalogue.xml", timeout=5)
            times.append(time.monotonic() - t0)
        except OSError:
            times.append(None)
        time.sleep(0.3)
    stop.set()
    t.join()
    answered = [x for x in times if x is not None]
    within = sum(1 for x in answered if x <= 1)
    print(f"slowbody: 64 connections announcing 100 KB and sending 1 byte every 2 s (reopened "
          f"when cut, {cuts[0]} cuts): {len(answered)} of {len(times)} normal GETs answered within "
          f"5 s, {within} within 1 s ({within * 100 // len(times)} %); median "
          f"{statistics.median(answered) * 1000 if answered else 0:.0f} ms, max "
          f"{max(answered) * 1000 if answered else 0:.0f} ms; lab alive: {lab.alive()}")
    for s in conns:
        s.close()
    lab.close()


def case_cap():
    lab = Lab()
    held = []
    while len(held) < 100:
        s = socket.create_connection(("127.0.0.1", lab.port))
        s.sendall(b"GET /catalogue.xml HTTP/1.1\r\n")
        s.settimeout(0.3)
        try:
            answer = s.recv(64)
        except socket.timeout:
            held.append(s)
            continue
        status = answer.split(b"\r\n")[0].decode()
        print(f"cap: connection {len(held) + 1} from one address answered '{status}' while "
              f"{len(held)} were held open")
        s.close()
        break
    else:
        print("cap: 100 connections from one address held open, none refused")
    for s in held:
        s.close()
    lab.close()


def case_bomb():
    lab = Lab()
    jpeg = declaring(sample_photo(), 30000, 30000)
    upload(lab, "BOMBORDER000001", 1, 1, jpeg)
    t0 = time.monotonic()
    status, _ = lab.get("/album/BOMBORDER000001/1/thumb", timeout=600)
    print(f"bomb: {len(jpeg) // 1024} KiB JPEG declaring 30000 x 30000: thumbnail status {status} "
          f"in {(time.monotonic() - t0) * 1000:.0f} ms; lab peak {lab.status('VmHWM')} MiB")
    lab.close()


def case_headers():
    lab = Lab()
    base = lab.status("VmRSS")
    s = socket.create_connection(("127.0.0.1", lab.port))
    s.sendall(b"GET /catalogue.xml HTTP/1.1\r\nHost: x\r\n")
    chunk = b"X-A: bcdefghi\r\n" * 100000
    sent = 0
    try:
        for _ in range(50):
            s.sendall(chunk)
            sent += len(chunk)
        s.sendall(b"\r\n")
    except OSError:
        pass
    s.settimeout(30)
    try:
        answer = s.recv(64).split(b"\r\n")[0].decode()
    except OSError as e:
        answer = str(e)
    print(f"headers: up to 5,000,000 header lines (70 MB): {sent // 1000000} MB sent before the "
          f"lab closed; answer '{answer}'; lab RSS {base} -> peak {lab.status('VmHWM')} MiB")
    s.close()
    lab.close()


def case_album():
    lab = Lab()
    photo = sample_photo()
    folder = os.path.join(lab.dir.name, "orders", "BIGMANIFEST0001")
    upload(lab, "BIGMANIFEST0001", 1, 1, photo)
    m = manifest("BIGMANIFEST0001", 1, 1, "p.jpg", len(photo))
    filler = '<product id="101" qty="1" zoomtrim="0"/>' * (50 * 1000000 // 40)
    m = m.replace('<product id="101" qty="1" zoomtrim="0"/>', filler)
    with open(os.path.join(folder, "photo-001.xml"), "w") as f:
        f.write(m)
    stop = threading.Event()
    views = []

    def view():
        while not stop.is_set():
            t0 = time.monotonic()
            lab.get("/album", timeout=600)
            views.append(time.monotonic() - t0)

    viewers = [threading.Thread(target=view) for _ in range(4)]
    for v in viewers:
        v.start()
    time.sleep(2)
    times = []
    for n in range(20):
        t0 = time.monotonic()
        upload(lab, f"QUICKORDER{n:05d}", 1, 1, photo)
        times.append(time.monotonic() - t0)
    stop.set()
    for v in viewers:
        v.join()
    print(f"album: {len(m) // 1000000} MB manifest, 4 album viewers ({len(views)} views, median "
          f"{statistics.median(views):.1f} s): 20 uploads took median "
          f"{statistics.median(times) * 1000:.0f} ms, max {max(times) * 1000:.0f} ms; lab peak "
          f"{lab.status('VmHWM')} MiB")
    lab.close()


def case_modes():
    lab = Lab(umask=0)
    upload(lab, "MODEORDER000001", 1, 1, sample_photo())
    out = []
    for root, dirs, files in os.walk(os.path.join(lab.dir.name, "orders")):
        for n in [root] + [os.path.join(root, f) for f in files]:
            out.append(f"{os.path.relpath(n, lab.dir.name)} {oct(os.stat(n).st_mode & 0o7777)}")
    print("modes (lab started with umask 000): " + ", ".join(out))
    lab.close()


CASES = {"exif": case_exif, "ranges": case_ranges, "slow": case_slow,
         "slowbody": case_slowbody, "cap": case_cap, "bomb": case_bomb,
         "headers": case_headers, "album": case_album, "modes": case_modes}

if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    LAB = sys.argv[1]
    for name in sys.argv[2:] or CASES:
        CASES[name]()
