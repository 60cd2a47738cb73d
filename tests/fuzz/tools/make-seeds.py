#!/usr/bin/env python3
"""Writes the committed seed corpus of every fuzz target.

The seeds are small, hand-made, valid inputs (plus a few near misses) from
which libFuzzer starts; run this again after changing them here.
"""
import os
import struct
import subprocess
import sys
import tempfile

RCC = os.environ.get("RCC", "/usr/lib/qt6/libexec/rcc")
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def tiff(little, orientation, thumbnail=b""):
    """A TIFF block: IFD0 with the orientation, IFD1 pointing at THUMBNAIL."""
    e = "<" if little else ">"
    out = bytearray((b"II" if little else b"MM") + struct.pack(e + "HI", 42, 8))
    # IFD0: one entry, then the offset of IFD1.
    ifd1 = 8 + 2 + 12 + 4
    out += struct.pack(e + "H", 1)
    out += struct.pack(e + "HHIHH", 0x0112, 3, 1, orientation, 0)
    out += struct.pack(e + "I", ifd1 if thumbnail else 0)
    if thumbnail:
        data = ifd1 + 2 + 2 * 12 + 4
        out += struct.pack(e + "H", 2)
        out += struct.pack(e + "HHII", 0x0201, 4, 1, data)
        out += struct.pack(e + "HHII", 0x0202, 4, 1, len(thumbnail))
        out += struct.pack(e + "I", 0)
        out += thumbnail
    return bytes(out)


def jpeg(width=8, height=8, exif=None, components=1, progressive=False, adobe=None):
    """A baseline JPEG whose every block is flat: one-code Huffman tables, DC
    difference 0 and end-of-block for each block. Grey with one component;
    with four, CMYK, or what Adobe's marker says (transform 0 CMYK, 2 YCCK).
    Progressive: its DC scan alone."""
    out = b"\xFF\xD8"
    if exif is not None:
        out += segment(0xE1, b"Exif\x00\x00" + exif)
    if adobe is not None:
        out += segment(0xEE, b"Adobe" + struct.pack(">HHHB", 100, 0, 0, adobe))
    out += segment(0xDB, b"\x00" + bytes([1] * 64))
    frame = struct.pack(">BHHB", 8, height, width, components)
    frame += b"".join(bytes([i + 1, 0x11, 0]) for i in range(components))
    out += segment(0xC2 if progressive else 0xC0, frame)
    out += segment(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00")
    out += segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    scan = bytes([components]) + b"".join(bytes([i + 1, 0]) for i in range(components))
    out += segment(0xDA, scan + (b"\x00\x00\x00" if progressive else b"\x00\x3F\x00"))
    blocks = ((width + 7) // 8) * ((height + 7) // 8) * components
    bits = ("0" if progressive else "00") * blocks
    bits += "1" * (-len(bits) % 8)
    data = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    data = data.replace(b"\xFF", b"\xFF\x00")
    return out + data + b"\xFF\xD9"


def with_frame_size(data, width, height):
    """DATA whose frame header declares WIDTH x HEIGHT, whatever it holds."""
    at = 2
    while data[at + 1] not in (0xC0, 0xC2):
        at += 2 + struct.unpack(">H", data[at + 2:at + 4])[0]
    return data[:at + 5] + struct.pack(">HH", height, width) + data[at + 9:]


def hostile_jpegs():
    """Pictures a thumbnailer must refuse or convert, by name."""
    whole = jpeg(256, 256, components=3)
    scan = whole.index(b"\xFF\xDA")
    scan += 2 + struct.unpack(">H", whole[scan + 2:scan + 4])[0]
    half = scan + (len(whole) - scan) // 2
    bomb = with_frame_size(jpeg(16, 16, components=3, progressive=True), 16384, 16384)
    return {
        "progressive.jpg": jpeg(16, 16, components=3, progressive=True),
        "bomb-progressive-16384.jpg": bomb,
        "exif-thumbnail-bomb.jpg": jpeg(64, 64, tiff(True, 1, bomb)),
        "cut-with-end-marker.jpg": whole[:half] + b"\xFF\xD9",
        "head-zeros-end-marker.jpg": whole[:scan] + bytes(20000) + b"\xFF\xD9",
        "cmyk-adobe.jpg": jpeg(16, 16, components=4, adobe=0),
        "ycck-adobe.jpg": jpeg(16, 16, components=4, adobe=2),
        "cmyk-plain.jpg": jpeg(16, 16, components=4),
    }


CATALOGUE = """<?xml version="1.0" encoding="UTF-8"?>
<affiliateinfo>
  <affiliate id="AFF7" currency="GBP" name="Lab"/>
  <products>
    <product id="101" name="6x4" prod_description="6 x 4 inch gloss" price="0.10" x_dim="152" y_dim="102"/>
    <product id="105" name="10x8" prod_description="" price="1.5" x_dim="254" y_dim="203"/>
  </products>
  <payment><pay id="1" name="Visa"/><pay id="9" name="Pay in shop"/></payment>
  <shipping>
    <ship id="1"><country name="United Kingdom" value="GB"/><country name="Ireland" value="IE"/></ship>
    <ship id="2"><country name="France" value="FR"/></ship>
  </shipping>
  <shops>
    <shop id="s1" name="York Shop" address1="1 High St" city="York" postcode="YO1" phone="01" storeid="D100"/>
    <shop id="s2" name="Bath Shop" city="Bath" storeid="D200"/>
  </shops>
</affiliateinfo>
"""

QUOTE = ('<?xml version="1.0" encoding="ISO-8859-1" ?><PriceQuote><totals><subprice>2.50</subprice>'
         '<totalprice>4.45</totalprice><discount>0.00</discount><shipping>1.95</shipping>'
         '<numfreeprints>0</numfreeprints></totals><text><msg>Postage: 1.95 \xA3.</msg></text>'
         '</PriceQuote>')
QUOTE_ERROR = ('<?xml version="1.0" encoding="ISO-8859-1" ?><PriceRequest>'
               '<error msg="Unknown product 9"/></PriceRequest>')

PRICE_REQUEST = ('<?xml version="1.0" encoding="ISO-8859-1" ?><PriceRequest>'
                 '<extra affiliateid="4711" qrtversion="2.0.44.3"/><codes><vouchercode>welcome10'
                 '</vouchercode><promocode>FREE10</promocode></codes><products>'
                 '<product id="101" qty="12"/><product id="105" qty="3"/></products>'
                 '<shipping id="IE"/><payment payid="1"/></PriceRequest>')


def manifest(size, unique="ABC", number=1, count=1):
    return ('<?xml version="1.0" encoding="ISO-8859-1" ?><transfermanifest><file '
            'contenttype="image/pjpeg" filename="IMG_0001.JPG" size="%d" currentnumphoto="%d">'
            '<product id="101" qty="2" zoomtrim="1"/></file><user firstname="Ren\xE9" '
            'lastname="Ka" city="York" country="GB" email="r@example.org"/><shipping name="" '
            'city="" country="GB" storeid=""/><payment cctype="1" ccnumber="4111 1111 1111 1111" '
            'securitycode="737" ccexpiremonth="12" ccexpireyear="2030" vouchercode="" '
            'promocode=""/><extra affiliateid="4711" uniqueid="%s" numphotos="%d"/>'
            '</transfermanifest>' % (size, number, unique, count))


UPDATE = """

<auto_update>
  <app download_url="http://127.0.0.1:8470/update/files/">
    <app_exe><exe filename="OrlavoW" version_num="2,0,44,3"/></app_exe>
    <app_dll><dll filename="libx.so" version_num="1.0.0.1" sha256="00ff"/></app_dll>
  </app>
  <customer download_url="http://127.0.0.1:8470/update/customer/">
    <languag_dll filename="Resources.rcc" version_num="2.0.44.1"/>
    <image filename="1.jpg" size="4520"/>
    <registry_updates>
      <key name="UploadURL" value="http://127.0.0.1:8470/upload"/>
      <key name="RegistryVersion" value="4"/>
    </registry_updates>
  </customer>
</auto_update>
"""


def http(method, path, body=b"", headers=()):
    head = "%s %s HTTP/1.1\r\nHost: 127.0.0.1\r\n" % (method, path)
    for h in headers:
        head += h + "\r\n"
    if body or method == "POST":
        head += "Content-Length: %d\r\n" % len(body)
    return head.encode("latin-1") + b"\r\n" + body


def multipart(fields, boundary="XyZ123"):
    out = b""
    for name, filename, content in fields:
        out += b"--" + boundary.encode() + b"\r\n"
        disposition = 'Content-Disposition: form-data; name="%s"' % name
        if filename:
            disposition += '; filename="%s"' % filename
        out += disposition.encode() + b"\r\n"
        if filename:
            out += b"Content-Type: application/octet-stream\r\n"
        out += b"\r\n" + content + b"\r\n"
    return out + b"--" + boundary.encode() + b"--\r\n", boundary


def rcc(files, compress=False):
    """A Qt binary resource file with FILES (path -> bytes), made by Qt's rcc
    as the build makes bundles."""
    with tempfile.TemporaryDirectory() as work:
        qrc = '<!DOCTYPE RCC><RCC version="1.0">\n<qresource prefix="/">\n'
        for i, (name, content) in enumerate(sorted(files.items())):
            path = os.path.join(work, "f%d" % i)
            with open(path, "wb") as f:
                f.write(content)
            qrc += '  <file alias="%s">%s</file>\n' % (name, path)
        qrc += "</qresource>\n</RCC>\n"
        with open(os.path.join(work, "b.qrc"), "w") as f:
            f.write(qrc)
        out = os.path.join(work, "b.rcc")
        flags = ["--compress-algo", "zlib", "--threshold", "0"] if compress else ["--no-compress"]
        subprocess.run([RCC, "--binary", *flags, "-o", out, os.path.join(work, "b.qrc")],
                       check=True)
        with open(out, "rb") as f:
            return f.read()


def version_file(text):
    return b"\x01OrlavoFileVersion\x02" + text.encode() + b"\n"


def tool(*args, cwd):
    subprocess.run(list(args), cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def phone_photos():
    """Small photos of the other formats step 1 takes, as ImageMagick, heif-enc
    and exiftool write them, each taken somewhere; by name."""
    out = {}
    with tempfile.TemporaryDirectory() as d:
        tool("convert", "-size", "48x32", "gradient:red-blue", "base.png", cwd=d)
        tool("convert", "base.png", "-quality", "80", "base.jpg", cwd=d)
        tool("convert", "base.png", "-depth", "16", "deep.png", cwd=d)
        tool("convert", "-size", "48x32", "xc:none", "-fill", "#0000ff80",
             "-draw", "circle 24,16 24,4", "clear.png", cwd=d)
        tool("convert", "base.png", "-compress", "lzw", "photo.tiff", cwd=d)
        tool("convert", "base.png", "-quality", "75", "photo.webp", cwd=d)
        tool("heif-enc", "-q", "30", "-t", "16", "-o", "photo.heic", "base.jpg", cwd=d)
        for name in ("base.jpg", "deep.png", "photo.tiff", "photo.webp"):
            tool("exiftool", "-q", "-overwrite_original", "-Make=Phonemaker", "-Orientation#=6",
                 "-GPSLatitude=48.8584", "-GPSLatitudeRef=N", "-XMP-photoshop:City=Paris",
                 name, cwd=d)
        for name in ("base.jpg", "deep.png", "clear.png", "photo.tiff", "photo.webp",
                     "photo.heic"):
            with open(os.path.join(d, name), "rb") as f:
                out[name] = f.read()
        exif = subprocess.run(["exiftool", "-b", "-EXIF", "base.jpg"], cwd=d, check=True,
                              stdout=subprocess.PIPE).stdout
        xmp = subprocess.run(["exiftool", "-b", "-XMP", "base.jpg"], cwd=d, check=True,
                             stdout=subprocess.PIPE).stdout
    return out, exif, xmp


def main():
    put("catalogue", "sample.xml", CATALOGUE)
    put("catalogue", "latin1.xml", CATALOGUE.replace('encoding="UTF-8"', 'encoding="ISO-8859-1"')
        .replace("York Shop", "Caf\xE9 Shop"))
    put("catalogue", "html-page.xml", "<html><head><title>Error</title></head><body>Exception!</body></html>")

    put("price_quote", "quote.xml", QUOTE)
    put("price_quote", "error.xml", QUOTE_ERROR)

    put("upload_answer", "done.html", "<html><head><title>DONE</title></head><body>ok</body></html>")
    put("upload_answer", "refused.html",
        "<HTML><HEAD><TITLE>UNABLE_SEND_ORDER</TITLE></HEAD><BODY>no</BODY></HTML>")
    put("upload_answer", "short.html", "<title></title>")

    put("update_manifest", "auto_update.xml", UPDATE)
    put("update_manifest", "empty.xml", "<auto_update/>")
    # Names that lead outside the installation between two good files, and
    # sizes that are and are not lengths.
    outside = ["../x1", "../../x2", "/tmp/x3", "a/../../x4", "C:\\x5", "..\\x6", "sub/", "."]
    put("update_manifest", "outside-names.xml",
        '<auto_update><customer download_url="http://127.0.0.1:8470/f/">'
        '<image filename="1.jpg" size="8"/>' +
        "".join('<image filename="%s" size="1"/>' % n for n in outside) +
        '<image filename="images\\2.jpg" size="8"/></customer></auto_update>')
    put("update_manifest", "sizes.xml",
        '<auto_update><app download_url="http://127.0.0.1:8470/f/"><app_dll>'
        '<dll filename="a" version_num="1.0.0.1" size="10737418240"/>'
        '<dll filename="b" size="99999999999999999999"/><dll filename="c" size="1,5"/>'
        '<dll filename="d" size=" 12"/><dll filename="e" size=""/></app_dll></app></auto_update>')

    thumb = jpeg()
    for target in ("jpeg_info", "lab_jpeg", "thumbnail"):
        put(target, "plain.jpg", jpeg(16, 8))
        put(target, "exif-ii.jpg", jpeg(8, 16, tiff(True, 6, thumb)))
        put(target, "exif-mm.jpg", jpeg(24, 8, tiff(False, 3)))
    for name, data in hostile_jpegs().items():
        for target in ("jpeg_info", "thumbnail"):
            put(target, name, data)

    phone, exif, xmp = phone_photos()
    for name in ("deep.png", "clear.png", "photo.tiff", "photo.webp", "photo.heic"):
        put("thumbnail", "phone-" + name, phone[name])
    heic = phone["photo.heic"]
    put("thumbnail", "phone-cut.heic", heic[:len(heic) * 2 // 3])
    png = phone["clear.png"]
    put("thumbnail", "phone-bomb.png", png[:16] + struct.pack(">II", 30000, 30000) + png[24:])
    for selector, name, data in ((0, "located.jpg", phone["base.jpg"]), (1, "exif.tiff", exif),
                                 (2, "packet.xmp", xmp), (3, "deep.png", phone["deep.png"]),
                                 (4, "photo.webp", phone["photo.webp"]),
                                 (5, "photo.tiff", phone["photo.tiff"]),
                                 (6, "photo.heic", heic)):
        put("photo_location", "%d-%s" % (selector, name), bytes([selector]) + data)

    strings = b"185\tNo answer\n3418\tWrong\\n server\n# note\n\n1\tTab\\there\n"
    put("resource_bundle", "bundle.rcc",
        rcc({"FileVersion": version_file("2, 0, 44, 1"), "strings.tsv": strings,
             "icons/128.png": b"\x89PNG\r\n\x1a\n"}))
    put("resource_bundle", "zlib.rcc",
        rcc({"FileVersion": version_file("2, 0, 44, 7"), "strings.tsv": strings * 4}, True))
    put("resource_bundle", "wrong-version.rcc",
        rcc({"FileVersion": version_file("2, 0, 45, 1"), "strings.tsv": b"1\tx\n"}))

    put("lab_forms", "price.bin", b"\x00" + PRICE_REQUEST.encode("latin-1"))
    put("lab_forms", "manifest.bin", b"\x01" + manifest(1234).encode("latin-1"))

    photo = jpeg(16, 16, tiff(True, 8))
    form, boundary = multipart([("transfermanifest", "manifest.xml", manifest(len(photo)).encode("latin-1")),
                                ("file", "IMG_0001.JPG", photo)])
    upload = http("POST", "/upload", form,
                  ["Content-Type: multipart/form-data; boundary=" + boundary])
    put("lab_request", "upload-then-thumb.http",
        upload + http("GET", "/album/ABC/1/thumb") + http("GET", "/album"))
    # A photo holding the fixed boundary and a forged part after it, sent as
    # the wizard sends it: under the fixed boundary and random characters.
    fixed = "-" * 27 + "7d22db37402707"
    forged = ("\r\n--" + fixed + '\r\nContent-Disposition: form-data; name="transfermanifest"'
              "\r\n\r\n" + manifest(6, "FORGED") + "\r\n--" + fixed + "--\r\n").encode("latin-1")
    holding = photo[:2] + segment(0xFE, forged) + photo[2:]
    form, boundary = multipart([("file", "IMG_0001.JPG", holding),
                                ("transfermanifest", "manifest.xml", manifest(len(holding)).encode("latin-1"))],
                               fixed + "Qx7LmZ0aBcDeFgHiJkLmNoPqRs12")
    put("lab_request", "upload-photo-holding-the-boundary.http",
        http("POST", "/upload", form, ["Content-Type: multipart/form-data; boundary=" + boundary]) +
        http("GET", "/album"))
    price_form = b"PriceRequest=" + PRICE_REQUEST.replace(" ", "+").replace('"', "%22").replace("<", "%3C").replace(">", "%3E").replace("=", "%3D").replace("?", "%3F").encode("latin-1")
    put("lab_request", "price.http",
        http("POST", "/price", price_form, ["Content-Type: application/x-www-form-urlencoded"]))
    put("lab_request", "gets.http",
        http("GET", "/catalogue.xml") + http("GET", "/update/files/../x") +
        http("GET", "/album/ABC/1/photo", headers=["Range: bytes=0-10,5-"]))
    # Bodies the lab's gate waits for: in chunks, after "100 Continue", and
    # one announced far longer than what comes.
    chunked = price_form[:40], price_form[40:]
    put("lab_request", "price-chunked.http",
        b"POST /price HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n"
        b"Content-Type: application/x-www-form-urlencoded\r\n\r\n" +
        b"".join(b"%x;ext=1\r\n%s\r\n" % (len(c), c) for c in chunked) + b"0\r\n\r\n" +
        http("GET", "/catalogue.xml"))
    put("lab_request", "price-continue.http",
        http("POST", "/price", price_form, ["Expect: 100-continue",
                                            "Content-Type: application/x-www-form-urlencoded"]))
    put("lab_request", "upload-short-body.http",
        b"POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100000\r\n"
        b"Content-Type: multipart/form-data; boundary=XyZ123\r\n\r\n--XyZ123\r\n")


if __name__ == "__main__":
    sys.exit(main())
