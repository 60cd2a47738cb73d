#include "tools/orlavo-order/OrderArguments.h"

#include <algorithm>
#include <charconv>

namespace orlavo::order {

namespace {

bool ParseInt(std::string_view text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// "1,4,15": at most 10 pauses of 0 to 600 seconds; "" for none.
std::optional<std::vector<int>> ParsePauses(std::string_view text) {
    std::vector<int> pauses;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        int seconds = 0;
        if (!ParseInt(text.substr(0, comma), seconds) || seconds < 0 || seconds > 600 ||
            pauses.size() == 10) {
            return std::nullopt;
        }
        pauses.push_back(seconds);
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
        if (text.empty()) {
            return std::nullopt;
        }
    }
    return pauses;
}

bool IsKnownKey(std::string_view key) {
    const auto& keys = DetailKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

const std::vector<std::string>& DetailKeys() {
    static const std::vector<std::string> keys = {
        "firstname",
        "lastname",
        "address1",
        "address2",
        "city",
        "country",
        "state",
        "zip",
        "phone",
        "email",
        "customernumber",
        "sameasbilling",
        "delivery",
        "shop",
        "shipping.name",
        "shipping.address1",
        "shipping.address2",
        "shipping.city",
        "shipping.country",
        "shipping.state",
        "shipping.zip",
        "shipping.phone",
        "payment",
        "ccnumber",
        "nameoncard",
        "ccstartmonth",
        "ccstartyear",
        "ccexpiremonth",
        "ccexpireyear",
        "issueno",
        "securitycode",
        "vouchercode",
        "promocode",
    };
    return keys;
}

std::optional<PrintChoice> ParsePrintChoice(std::string_view text) {
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    PrintChoice choice;
    choice.product = std::string(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    std::size_t second = rest.find(':');
    std::string_view qty = rest.substr(0, second);
    if (!ParseInt(qty, choice.quantity) || choice.quantity < 1 || choice.quantity > 999) {
        return std::nullopt;
    }
    if (second != std::string_view::npos) {
        int trim = 0;
        if (!ParseInt(rest.substr(second + 1), trim) || (trim != 0 && trim != 1)) {
            return std::nullopt;
        }
        choice.zoomTrim = trim;
    }
    return choice;
}

std::optional<CropChoice> ParseCropChoice(std::string_view text) {
    int values[4] = {};
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? text.find(',') : text.size();
        if (comma == std::string_view::npos)
            return std::nullopt;
        const std::string_view part = text.substr(0, comma);
        if (part.empty() || part.size() > 6 ||
            part.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        values[k] = std::stoi(std::string(part));
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    if (values[2] < 1 || values[3] < 1)
        return std::nullopt;
    return CropChoice{values[0], values[1], values[2], values[3]};
}

bool ParseOrderArguments(const std::vector<std::string>& args, OrderArguments& out,
                         std::string& error) {
    // What a --crop belongs to: the print or the photo named just before.
    enum class Last { Other, Photo, Print, PrintAll } last = Last::Other;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--catalogue") {
            out.listCatalogue = true;
        } else if (a == "--yes" || a == "-y") {
            out.yes = true;
        } else if (a == "--keep-location") {
            out.keepLocation = true;
        } else if (a == "--resume") {
            out.resume = true;
        } else if (a == "--retry-pauses") {
            if (!value(v)) {
                return false;
            }
            out.retryPauses = ParsePauses(v);
            if (!out.retryPauses) {
                error = "--retry-pauses " + v + ": expected seconds such as 1,4,15 (or \"\")";
                return false;
            }
        } else if (a == "--profile") {
            if (!value(out.profile)) {
                return false;
            }
        } else if (a == "--print" || a == "--print-all") {
            if (!value(v)) {
                return false;
            }
            std::optional<PrintChoice> choice = ParsePrintChoice(v);
            if (!choice) {
                error = a + " " + v + ": expected PRODUCT:QTY or PRODUCT:QTY:TRIM";
                return false;
            }
            if (a == "--print-all") {
                out.printAll.push_back(*choice);
                last = Last::PrintAll;
                continue;
            } else if (out.photos.empty()) {
                error = "--print " + v + " comes before any photo; name the photo first";
                return false;
            } else {
                out.photos.back().prints.push_back(*choice);
                last = Last::Print;
                continue;
            }
        } else if (a == "--turn") {
            if (!value(v)) {
                return false;
            }
            if (out.photos.empty()) {
                error = "--turn " + v + " comes before any photo; name the photo first";
                return false;
            }
            if (v != "0" && v != "90" && v != "180" && v != "270") {
                error = "--turn " + v + ": expected 0, 90, 180 or 270 (degrees clockwise)";
                return false;
            }
            out.photos.back().turn = std::stoi(v);
            continue;  // a --crop after it still belongs to the photo
        } else if (a == "--crop") {
            if (!value(v)) {
                return false;
            }
            std::optional<CropChoice> crop = ParseCropChoice(v);
            if (!crop) {
                error = "--crop " + v + ": expected X,Y,WIDTH,HEIGHT in pixels";
                return false;
            }
            if (last == Last::Print) {
                out.photos.back().prints.back().crop = crop;
            } else if (last == Last::PrintAll) {
                out.printAll.back().crop = crop;
            } else if (last == Last::Photo) {
                out.photos.back().crop = crop;
            } else {
                error = "--crop " + v + " belongs after a photo or a --print";
                return false;
            }
            last = Last::Other;
            continue;
        } else if (a == "--details") {
            if (!value(v)) {
                return false;
            }
            out.detailsFiles.push_back(v);
        } else if (a == "--detail") {
            if (!value(v)) {
                return false;
            }
            std::size_t eq = v.find('=');
            if (eq == std::string::npos) {
                // Not echoed: the text may be a card number typed without its key.
                error = "--detail needs KEY=VALUE (see --help)";
                return false;
            }
            std::string key = v.substr(0, eq);
            if (!IsKnownKey(key)) {
                error = "--detail " + key + ": unknown key (see --help)";
                return false;
            }
            out.details.emplace_back(key, v.substr(eq + 1));
        } else if (a == "--") {
            for (++i; i < args.size(); ++i) {
                out.photos.emplace_back().path = args[i];
                last = Last::Photo;
            }
            continue;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            out.photos.emplace_back().path = a;
            last = Last::Photo;
            continue;
        }
        last = Last::Other;
    }
    if (out.resume && (!out.photos.empty() || !out.printAll.empty())) {
        error = "--resume sends the photos of the interrupted order; name no photo or print";
        return false;
    }
    return true;
}

bool ParseDetailsText(std::string_view text, std::map<std::string, std::string>& values,
                      std::string& error) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#') {
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            error = "line " + std::to_string(number) + ": expected key=value";
            return false;
        }
        std::string_view key = line.substr(start, eq - start);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) {
            key.remove_suffix(1);
        }
        if (!IsKnownKey(key)) {
            error = "line " + std::to_string(number) + ": unknown key \"" + std::string(key) + "\"";
            return false;
        }
        values[std::string(key)] = std::string(line.substr(eq + 1));
    }
    return true;
}

}  // namespace orlavo::order
