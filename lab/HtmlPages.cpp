#include "lab/HtmlPages.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "lab/Money.h"

namespace orlavo::lab {

namespace {

constexpr char kStyle[] = R"(<style>
body { font-family: "DejaVu Sans", Arial, sans-serif; margin: 0; background: #f6f4ef; color: #2b2b2b; }
header { background: #24445c; color: #fff; padding: 14px 32px; }
header a { color: #cfe3f2; margin-right: 18px; text-decoration: none; }
header h1 { margin: 0 0 6px 0; font-size: 22px; }
main { padding: 20px 32px; max-width: 980px; }
h2 { color: #24445c; border-bottom: 1px solid #d8d2c4; padding-bottom: 4px; }
table { border-collapse: collapse; margin: 8px 0 16px 0; }
td, th { padding: 6px 10px; border-bottom: 1px solid #e4dfd3; text-align: left; vertical-align: top; }
.order { background: #fff; border: 1px solid #e0dacd; border-radius: 6px; padding: 12px 18px; margin-bottom: 20px; }
.meta { color: #666; font-size: 14px; }
img.thumb { border: 1px solid #ccc; background: #eee; max-width: 200px; max-height: 200px; }
.empty { color: #777; font-style: italic; }
</style>)";

std::string Page(std::string_view title, std::string_view heading, const std::string& body) {
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
    html += HtmlPages::Escape(title);
    html += "</title>";
    html += kStyle;
    html += "</head><body><header><h1>";
    html += HtmlPages::Escape(heading);
    html +=
        "</h1><nav><a href=\"/\">Home</a><a href=\"/album\">Album</a>"
        "<a href=\"/help\">Help</a><a href=\"/terms\">Terms of Service</a></nav></header>\n<main>";
    html += body;
    html += "</main></body></html>\n";
    return html;
}

std::string LabName(const Catalogue& c) {
    return c.labName().empty() ? "Orlavo Photo Lab" : c.labName();
}

std::string Time(std::filesystem::file_time_type t) {
    auto sys = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        t - std::filesystem::file_time_type::clock::now() + std::chrono::system_clock::now());
    std::time_t tt = std::chrono::system_clock::to_time_t(sys);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%d %b %Y, %H:%M", &tm);
    return buf;
}

}  // namespace

std::string HtmlPages::Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string HtmlPages::AnswerPage(std::string_view title, std::string_view message) {
    // The title stands alone on its line, exactly as the client compares it.
    std::string html = "<html><head><title>";
    html += Escape(title);
    html += "</title></head>\n<body><p>";
    html += Escape(message);
    html += "</p></body></html>\n";
    return html;
}

std::string HtmlPages::IndexPage(const Catalogue& catalogue) {
    std::string body =
        "<p>This is a reference photo laboratory for Orlavo. It prices orders, "
        "receives photos and keeps them in its album.</p><h2>Prints</h2><table>"
        "<tr><th>Product</th><th>Id</th><th>Price</th></tr>";
    for (const Product& p : catalogue.products())
        body += "<tr><td>" + Escape(p.name) + "</td><td>" + Escape(p.id) + "</td><td>" +
                FormatAmount(p.price) + " " + Escape(catalogue.currency()) + "</td></tr>";
    body +=
        "</table><h2>Postage</h2><table><tr><th>Group</th><th>Countries</th><th>Charge</th></tr>";
    for (const ShippingGroup& g : catalogue.shippingGroups()) {
        std::string countries;
        for (const std::string& v : g.countryValues)
            countries += (countries.empty() ? "" : ", ") + v;
        body += "<tr><td>" + Escape(g.name.empty() ? g.id : g.name) + "</td><td>" +
                Escape(countries) + "</td><td>" + FormatAmount(g.cost) + " " +
                Escape(catalogue.currency()) + "</td></tr>";
    }
    body += "</table><p><a href=\"/catalogue.xml\">The catalogue document</a></p>";
    return Page(LabName(catalogue), LabName(catalogue), body);
}

std::string HtmlPages::HelpPage(const Catalogue& catalogue) {
    std::string body = R"(<h2>Ordering prints</h2>
<ol>
<li><b>Choose photos.</b> Browse your folders and tick the JPEG photos you want printed.</li>
<li><b>Choose prints.</b> For each photo pick one or more print sizes and how many of each. The
quality rating tells you whether the photo has enough pixels for a sharp print of that size.
"Zoom and Trim" fills the whole print and trims what does not fit.</li>
<li><b>Your details.</b> Enter your address, where the prints should go (home or one of our
shops) and how you pay. A voucher or promotion code goes here too.</li>
<li><b>Send the order.</b> Check the summary and the price, then press "Send Order". Your photos
are uploaded one by one; keep the program open until it says the order was sent.</li>
</ol>
<h2>Questions</h2>
<p><b>My card was not accepted.</b> Check the number, the expiry date and the card type, then
send again.</p>
<p><b>The order could not be sent.</b> Your internet connection may have dropped. Press
"Send Order" again; photos that arrived earlier are replaced, not printed twice.</p>
<p><b>Where are my photos?</b> Once all photos of an order have arrived they appear in the
<a href="/album">album</a>.</p>
)";
    return Page("Help - " + LabName(catalogue), "Help", body);
}

std::string HtmlPages::TermsPage(const Catalogue& catalogue) {
    std::string currency = Escape(catalogue.currency());
    std::string body =
        "<h2>Terms of Service</h2><ol>"
        "<li>Prices are in " +
        currency +
        " and include VAT. The price quoted before you send "
        "an order is the price you pay.</li>"
        "<li>Your card is charged once all photos of an order have arrived. Card numbers are "
        "kept only as their last four digits; security codes are never kept.</li>"
        "<li>Prints sent by post are usually dispatched within two working days. Prints for "
        "collection are ready at the chosen shop within one working day.</li>"
        "<li>You must own the rights to the photos you send. We do not print material that is "
        "unlawful.</li>"
        "<li>If a print is damaged or faulty we reprint it free of charge. Tell us within 30 "
        "days of receipt.</li>"
        "<li>Photos are deleted from our servers 60 days after the order was completed.</li>"
        "</ol>";
    return Page("Terms of Service - " + LabName(catalogue), "Terms of Service", body);
}

std::string HtmlPages::AlbumPage(const std::vector<StoredOrder>& orders,
                                 const Catalogue& catalogue) {
    std::string body = "<h2>Completed orders</h2>";
    int shown = 0;
    for (const StoredOrder& order : orders) {
        if (!order.complete || order.photos.empty())
            continue;
        ++shown;
        const TransferManifest& first = order.photos.front().manifest;
        const PaymentMethod* pay = catalogue.findPayment(first.payType);
        std::string delivery;
        if (const Shop* shop = catalogue.findShop(first.storeId))
            delivery = "collect at " + shop->name;
        else if (!first.storeId.empty())
            delivery = "collect at shop " + first.storeId;
        else
            delivery = "post to " + first.shippingName + ", " + first.shippingCity + " " +
                       first.shippingCountry;
        std::string payment = pay ? pay->name : "method " + first.payType;
        if (!first.cardNumber.empty() && (!pay || pay->takesCard))
            payment += " " + first.cardNumber;
        body += "<div class=\"order\"><h3>Order " + Escape(order.id) + "</h3><p class=\"meta\">" +
                Escape(first.firstName + " " + first.lastName) + ", " + Escape(first.city) +
                " &middot; " + std::to_string(order.photos.size()) + " photos &middot; " +
                Escape(Time(order.lastChange)) + "<br>" + Escape(delivery) + " &middot; " +
                Escape(payment) + "</p><table>";
        for (const StoredPhoto& photo : order.photos) {
            std::string base = "/album/" + order.id + "/" + std::to_string(photo.number);
            std::string prints;
            for (const ManifestProduct& p : photo.manifest.products) {
                const Product* product = catalogue.findProduct(p.id);
                prints += "<li>" + Escape(p.qty) + " &times; " +
                          Escape(product ? product->name : "product " + p.id) +
                          (p.zoomTrim == "1" ? " (zoom and trim)" : "") + "</li>";
            }
            body += "<tr><td><a href=\"" + base + "/photo\"><img class=\"thumb\" src=\"" + base +
                    "/thumb\" alt=\"photo " + std::to_string(photo.number) + "\"></a></td><td>" +
                    Escape(photo.manifest.fileName) + "<ul>" + prints + "</ul></td></tr>";
        }
        body += "</table></div>";
    }
    if (shown == 0)
        body += "<p class=\"empty\">No order has been completed yet.</p>";
    return Page("Album - " + LabName(catalogue), "Online Album", body);
}

std::string HtmlPages::ErrorPage(int status, std::string_view message) {
    std::string title = std::to_string(status) + " " + std::string(message);
    return Page(title, title, "<p>" + Escape(message) + "</p>");
}

std::string HtmlPages::HtmlInsteadOfCatalogue() {
    return "<!DOCTYPE html>\n<html><head><title>Service Unavailable</title></head>\n"
           "<body><h1>Service Unavailable</h1><p>The catalogue is being updated.<br>"
           "Please try again later.</body></html>\n";
}

}  // namespace orlavo::lab
