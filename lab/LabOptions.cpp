#include "lab/LabOptions.h"

#include "lab/Money.h"

namespace orlavo::lab {

namespace {

bool Number(const std::vector<std::string>& args, std::size_t& i, std::int64_t limit,
            std::int64_t& out, std::string& error) {
    if (i + 1 >= args.size()) {
        error = args[i] + " needs a number";
        return false;
    }
    auto v = ParseCount(args[i + 1], limit);
    if (!v) {
        error = args[i] + ": \"" + args[i + 1] + "\" is not a number from 0 to " +
                std::to_string(limit);
        return false;
    }
    out = *v;
    ++i;
    return true;
}

}  // namespace

std::optional<LabOptions> LabOptions::Parse(const std::vector<std::string>& args,
                                            std::string& error) {
    LabOptions o;
    bool haveData = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::int64_t n = 0;
        if (a == "--help" || a == "-h") {
            o.mode = Mode::Help;
            return o;
        } else if (a == "--data" || a == "--host") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return std::nullopt;
            }
            if (a == "--data") {
                o.dataDir = args[++i];
                haveData = true;
            } else {
                o.host = args[++i];
            }
        } else if (a == "--port") {
            if (!Number(args, i, 65535, n, error))
                return std::nullopt;
            o.port = static_cast<int>(n);
        } else if (a == "--max-body-mb") {
            if (!Number(args, i, 4096, n, error))
                return std::nullopt;
            if (n < 1) {
                error = "--max-body-mb must be at least 1";
                return std::nullopt;
            }
            o.maxBodyBytes = static_cast<std::size_t>(n) << 20;
        } else if (a == "--max-connections-per-address") {
            if (!Number(args, i, 100000, n, error))
                return std::nullopt;
            o.maxConnectionsPerAddress = static_cast<std::size_t>(n);
        } else if (a == "--refuse-photo") {
            if (!Number(args, i, 1000000, n, error))
                return std::nullopt;
            o.faults.refusePhoto = static_cast<int>(n);
        } else if (a == "--drop-upload") {
            if (!Number(args, i, 1000000, n, error))
                return std::nullopt;
            o.faults.dropUpload = static_cast<int>(n);
        } else if (a == "--drop-after-bytes") {
            if (!Number(args, i, std::int64_t{1} << 40, n, error))
                return std::nullopt;
            o.faults.dropAfterBytes = static_cast<std::size_t>(n);
        } else if (a == "--delay-ms") {
            if (!Number(args, i, 600000, n, error))
                return std::nullopt;
            o.faults.delayMs = static_cast<int>(n);
        } else if (a == "--status") {
            if (!Number(args, i, 599, n, error))
                return std::nullopt;
            if (n < 100) {
                error = "--status must be an HTTP status from 100 to 599";
                return std::nullopt;
            }
            o.faults.status = static_cast<int>(n);
        } else if (a == "--no-content-length") {
            o.faults.noContentLength = true;
        } else if (a == "--truncate-body") {
            o.faults.truncateBody = true;
        } else if (a == "--html-catalogue") {
            o.faults.htmlCatalogue = true;
        } else if (a == "--make-sample-photos") {
            if (i + 2 >= args.size()) {
                error = "--make-sample-photos needs a folder and a count";
                return std::nullopt;
            }
            o.mode = Mode::MakePhotos;
            o.photoDir = args[++i];
            if (!Number(args, i, 10000, n, error))
                return std::nullopt;
            o.photoCount = static_cast<int>(n);
        } else if (a == "--make-update" || a == "--base-url" || a == "--registry-value") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (a == "--make-update") {
                o.mode = Mode::MakeUpdate;
                o.updateDir = value;
            } else if (a == "--base-url") {
                o.baseUrl = value;
            } else {
                const std::size_t eq = value.find('=');
                if (eq == std::string::npos || eq == 0) {
                    error = "--registry-value needs NAME=VALUE";
                    return std::nullopt;
                }
                o.registryValues.emplace_back(value.substr(0, eq), value.substr(eq + 1));
            }
        } else if (a == "--registry-version") {
            if (!Number(args, i, 2147483647, n, error))
                return std::nullopt;
            o.registryVersion = static_cast<std::int32_t>(n);
        } else {
            error = "unknown argument \"" + a + "\"";
            return std::nullopt;
        }
    }
    if (o.mode == Mode::MakeUpdate && o.baseUrl.empty()) {
        if (o.port == 0) {
            error = "--make-update with --port 0 needs --base-url";
            return std::nullopt;
        }
        std::string host = o.host.find(':') != std::string::npos ? "[" + o.host + "]" : o.host;
        o.baseUrl = "http://" + host + ":" + std::to_string(o.port) + "/update/files/";
    }
    if (o.mode == Mode::Serve && !haveData) {
        error = "--data DIR is required";
        return std::nullopt;
    }
    return o;
}

std::string LabOptions::HelpText() {
    return R"(Usage: orlavo-lab --data DIR [--host ADDRESS] [--port N] [switches]
       orlavo-lab --make-sample-photos DIR N
       orlavo-lab --make-update DIR [--base-url URL] [--registry-value NAME=VALUE]...
                  [--registry-version N]
       orlavo-lab --help

A reference photo laboratory for Orlavo. It serves:
  GET  /catalogue.xml            DIR/catalogue.xml, or the built-in demo catalogue
  POST /price                    form field "PriceRequest": answers a PriceQuote
  POST /upload                   form fields "file" and "transfermanifest": keeps the
                                 photo under DIR/orders/<order id>/ and answers a page
                                 titled DONE, INVALID_CREDIT_CARD or UNABLE_SEND_ORDER
  GET  /album, /help, /terms     web pages
  GET  /update/auto_update.xml   from DIR/update/auto_update.xml
  GET  /update/files/NAME        from DIR/update/files/NAME
Voucher and promotion codes come from DIR/offers.xml, or the built-in demo offers.
A card number that fails the check digit, an expired card and the test card
4000 0000 0000 0002 (declined by its issuer) get INVALID_CREDIT_CARD.

Options:
  --data DIR              the lab's folder (created when missing)
  --host ADDRESS          address to listen on (default 127.0.0.1)
  --port N                port to listen on; 0 picks a free one (default 8470)
  --max-body-mb N         refuse requests larger than N MiB (default 64)
  --max-connections-per-address N
                          connections one client address may hold at once; one
                          more is answered 503 and closed (default 8; 0: no limit)
The first line written to standard output names the address listened on.

Faults, for tests:
  --refuse-photo N        answer UNABLE_SEND_ORDER to the N-th upload received
                          (counted from 1 since the start; that photo is not kept)
  --drop-upload N         cut the connection instead of answering the N-th upload
                          received (counted from 1 since the start; that photo
                          is not kept)
  --drop-after-bytes N    cut the connection once N bytes of one request (head
                          and body) have arrived; shorter requests are served
  --delay-ms N            wait N milliseconds before every answer
  --status N              send every answer with HTTP status N
  --no-content-length     send answers without Content-Length, ended by closing
  --truncate-body         announce a longer body than is sent, then close
  --html-catalogue        send an HTML page in place of the catalogue

  --make-sample-photos DIR N   write N sample JPEG photos into DIR and stop
  --make-update DIR       write DIR/update/auto_update.xml for the files under
                          DIR/update/files/ and stop: "OrlavoW" as the program,
                          "Resources.rcc" as the language bundle, other files
                          with a FileVersion as libraries, the rest as pictures
                          compared by size; each with its SHA-256
  --base-url URL          where the files are fetched from (default
                          http://HOST:PORT/update/files/ of --host and --port)
  --registry-value N=V    a DownloadInfo value the updater writes (repeatable)
  --registry-version N    the version of those values; the updater writes them
                          when its stored RegistryVersion is below N
)";
}

}  // namespace orlavo::lab
