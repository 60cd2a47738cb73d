// orlavo-order: orders prints from a terminal with the wizard's core. See
// kUsageText for the command line and the exit codes.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "common/TerminalText.h"
#include "common/VersionText.h"
#include "platform/Diagnostics.h"
#include "platform/FileVersion.h"
#include "platform/RegistryStore.h"
#include "resources/WizardResources.h"
#include "tools/orlavo-order/OrderArguments.h"
#include "tools/orlavo-order/OrderDetails.h"
#include "tools/orlavo-order/OrderSummary.h"
#include "tools/orlavo-order/ResumedOrder.h"
#include "wizard/app/core/StartSettings.h"
#include "wizard/catalogue/CXmlDocuments.h"
#include "wizard/photos/OrderModel.h"
#include "wizard/photos/PhotoFormat.h"
#include "wizard/photos/PhotoLocation.h"
#include "wizard/transmission/JournalFolder.h"
#include "wizard/transmission/LocationSummary.h"
#include "wizard/transmission/OrderResume.h"
#include "wizard/transmission/OrderSend.h"
#include "wizard/transmission/PreparedPhoto.h"
#include "wizard/transmission/PriceQuote.h"
#include "wizard/transmission/SendUnits.h"
#include "wizard/transmission/TransferManifest.h"

namespace {

namespace fs = std::filesystem;
using namespace orlavo;
using wizard::Str;

enum Exit : int {
    kSent = 0,
    kUsage = 2,
    kSettings = 3,
    kCatalogue = 4,
    kOrderRefusedHere = 5,
    kDetails = 6,
    kPrice = 7,
    kCancelled = 8,
    kCardRefused = 9,
    kLabRefused = 10,
    kUploadFailed = 11,
    kNothingToResume = 12,
    kStore = 13,
};

constexpr const char* kUsageText =
    R"(Usage: orlavo-order [--profile P] [options] PHOTO [--print PRODUCT:QTY[:TRIM]]... ...
       orlavo-order [--profile P] [options] --resume
       orlavo-order [--profile P] --catalogue
       orlavo-order --help

Orders paper prints of photos from the lab named in a profile's settings,
the way the ordering wizard does: it loads the lab's catalogue, checks the
customer details with the wizard's rules, asks the lab for the price, shows
the order summary with the quote, asks for confirmation and uploads every
photo that has prints, one request per photo, with a progress bar and the
time left. A photo whose request fails in a way that may pass (the
connection, a server error) is sent again after 1, 4 and 15 seconds.
While the order is sent its journal is kept in ~/.local/state/Vennara/OrlavoW/
(no card data in it), so that an order that stops (a failure, Ctrl-C, a
crash) can be finished later with --resume, as the wizard does.

Settings (read, never written) from the settings store (ORLAVO_REGISTRY, else
~/.config/Vennara/registry.sqlite3), key Software\Vennara\P\OrlavoW with
--profile P, else Software\Vennara\OrlavoW:
  DownloadInfo/DownloadURL, UploadURL, PriceRequestURL   the lab's addresses
  DownloadInfo/UseDealerNumber, UserDetails/DealerNumber the dealer number sent
  UserDetails/ZoomAndTrimAll      default "Zoom and Trim" of a print (0 or 1)
  Settings/RemoveLocation         1 (the default): the photos go without where
                                  they were taken; 0: as they are
  UserDetails/Remember and the remembered billing and shipping values, which
                                  fill details that are not given
  Settings/Debug                  when not 0, the answers and manifests are
                                  appended to !QRT2_input.txt and
                                  !QRT2_output.txt in ~/.local/state/Vennara/OrlavoW/
                                  (card numbers masked); the price answers
                                  always go to !QRT2_request.txt there

Photos and prints:
  PHOTO                   a JPEG, HEIC (HEIF), PNG, TIFF or WebP file, told by
                          its content; up to 197 photos, each once
  --print PRODUCT:QTY[:TRIM]
                          QTY (1 to 999) prints of PRODUCT for the photo named
                          just before; PRODUCT is the product's index in the
                          catalogue (from 0) or its id; TRIM 1 asks for "Zoom
                          and Trim", 0 not (default: the profile's setting)
  --print-all PRODUCT:QTY[:TRIM]
                          the same print for every photo
  --turn DEGREES          turns the photo named just before clockwise by 90,
                          180 or 270 degrees, on top of its EXIF orientation;
                          the lab receives it turned (a JPEG written for the
                          upload, its EXIF orientation set to 1)
  --crop X,Y,WIDTH,HEIGHT the part of the photo a print keeps, in pixels of
                          the photo as seen (EXIF orientation and --turn
                          applied): after a --print (or --print-all) for that
                          print, after a photo (or its --turn) for each of its
                          prints. Such a print gets "Zoom and Trim" and goes
                          to the lab as a photo of its own, cropped on JPEG
                          block boundaries (up to 15 pixels more at the left
                          and top); the lab trims it to the paper
  A photo that is not a JPEG goes as a JPEG made for the upload (quality 95,
  upright, with its EXIF and colour profile), named with its stem and .jpg.
  --keep-location         send the photos with where they were taken (GPS in
                          EXIF, the location in XMP), whatever the profile
                          says; without it, and with Settings/RemoveLocation
                          not 0, the location is taken out first (losslessly
                          for a JPEG) and a photo without one goes as it is
  Other JPEG photos that are not turned or cropped go to the lab byte for byte.
  Photos without any print are not sent (the wizard keeps them out too); at
  least one print is needed.
  --catalogue             list the lab's products, payment methods, countries
                          and shops, then stop

Customer details:
  --details FILE          key=value lines ("#" starts a comment; values are
                          taken as written, trailing blanks included)
  --detail KEY=VALUE      one value; wins over the files
  Keys: firstname lastname address1 address2 city country state zip phone
        email customernumber
        sameasbilling (yes/no)  delivery (home/shop)  shop (a shop's id)
        shipping.name shipping.address1 shipping.address2 shipping.city
        shipping.country shipping.state shipping.zip shipping.phone
        payment (a payment method's id or name)  ccnumber nameoncard
        ccstartmonth ccstartyear ccexpiremonth ccexpireyear (MM, YYYY)
        issueno securitycode vouchercode promocode
  The card number and security code may instead come from the environment
  variables ORLAVO_CCNUMBER and ORLAVO_SECURITYCODE, which keeps them out of
  files and process lists. Countries are the catalogue's names (the first
  that begins with the text given). Collection at a shop pays at the shop
  when the lab offers that.

Sending:
  --yes, -y               send without asking "Send Order?"
  Ctrl-C while sending pauses the upload and asks whether to quit the order.
  --retry-pauses S,S,...  seconds to wait before each further try of a photo
                          whose request failed in a way that may pass
                          (default 1,4,15; "" tries each photo once)
  --resume                send the rest of the profile's interrupted order (the
                          most recent one) under its order id: the photos the
                          lab has not accepted, and those changed since; its
                          photos, prints and details come from its journal,
                          the card data must be given again (--details,
                          --detail, ORLAVO_CCNUMBER); the photos go with or
                          without their location as the order's first part did

Exit codes:
  0   the order was sent and every photo accepted
  2   the command line cannot be used (option, product, photo file)
  3   the profile lacks an address of the lab
  4   the catalogue could not be loaded
  5   the order cannot be sent as it is (no photo, too many, no prints)
  6   the customer details do not pass the checks
  7   the price request failed
  8   the order was not sent: declined at the question, or cancelled
  9   the lab did not accept the credit card
  10  the lab refused the order
  11  the upload failed (connection, answer, files)
  12  --resume found no interrupted order to resume, or cannot resume it
  13  the settings store cannot be read: locked by another program, damaged
      (it is left as it is), or not readable
)";

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
    gInterrupted = true;
}

// Every text that may hold a server's or a file's words reaches the
// terminal through TerminalText.
int Fail(int code, const std::string& message) {
    std::cerr << "orlavo-order: " << TerminalText(message) << "\n";
    return code;
}

// What stopped the settings from being read; empty when nothing did.
std::string StoreProblemText(const RegistryStore& store) {
    const StoreProblem& p = store.problem();
    const std::string& path = store.path();
    switch (p.fault) {
        case StoreFault::None:
            return {};
        case StoreFault::Locked:
            return "the settings store " + path +
                   " is locked by another program; try again when it has finished";
        case StoreFault::Damaged:
            return "the settings store " + path + " is damaged (" + p.reason +
                   "); it was left as it is (orlavo-reg sets it aside and starts a fresh one)";
        case StoreFault::SetAside:
            return "the settings store " + path + " was damaged and has been set aside" +
                   (p.file.empty() ? std::string() : " as " + p.file) +
                   "; the profile's settings must be written again";
        case StoreFault::Unreadable:
        case StoreFault::Unwritable:
            return "cannot read the settings store " + path + ": " + p.reason;
    }
    return {};
}

// "This order cannot be resumed: WHY".
std::string CannotResume(const std::string& why) {
    std::string text = Str(3063);
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) {
        text.replace(at, 2, why);
    }
    return text;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// A photo of a format the wizard takes, by its content.
bool IsPhoto(const std::string& path) {
    return wizard::PhotoFormatOfFile(path) != wizard::PhotoFormat::Unknown;
}

std::string Format(std::string text, int a, int b) {
    for (int value : {a, b}) {
        std::size_t at = text.find("%d");
        if (at != std::string::npos) {
            text.replace(at, 2, std::to_string(value));
        }
    }
    return text;
}

// The remembered details of the profile, when the user asked to keep them.
void RememberedDetails(RegistryStore& store, std::map<std::string, std::string>& values) {
    if (store.getNumber(section::kUserDetails, "Remember") == 0) {
        return;
    }
    const std::pair<const char*, const char*> user[] = {
        {"FirstName", "firstname"},
        {"LastName", "lastname"},
        {"Address", "address1"},
        {"Address2", "address2"},
        {"Town", "city"},
        {"State", "state"},
        {"PostCode", "zip"},
        {"Country", "country"},
        {"Phone", "phone"},
        {"Email", "email"},
        {"CustomerNumber", "customernumber"},
    };
    for (const auto& [name, key] : user) {
        values[key] = store.getText(section::kUserDetails, name);
    }
    const std::pair<const char*, const char*> shipping[] = {
        {"ShippingName", "shipping.name"},         {"ShippingAddress", "shipping.address1"},
        {"ShippingAddress2", "shipping.address2"}, {"ShippingCity", "shipping.city"},
        {"ShippingState", "shipping.state"},       {"ShippingPostCode", "shipping.zip"},
        {"ShippingCountry", "shipping.country"},   {"ShippingPhone", "shipping.phone"},
    };
    for (const auto& [name, key] : shipping) {
        values[key] = store.getText(section::kShippingDetails, name);
    }
    values["sameasbilling"] =
        store.getNumber(section::kUserDetails, "ShippingAsBilling") != 0 ? "yes" : "no";
}

void ListCatalogue(const wizard::CXmlDocuments& docs, const wizard::ShopList& shops) {
    // Fields are tab-separated, so a tab inside one is shown escaped too.
    auto field = [](const std::string& text) {
        std::string shown = TerminalText(text);
        for (std::size_t at = 0; (at = shown.find_first_of("\t\n", at)) != std::string::npos;) {
            shown.replace(at, 1, shown[at] == '\t' ? "\\t" : "\\n");
        }
        return shown;
    };
    std::cout << "Products (index, id, name, price " << field(docs.GetCurrency()) << "):\n";
    for (int i = 0; i < docs.GetProductCount(); ++i) {
        std::cout << "  " << i << "\t" << field(docs.GetProductId(i)) << "\t"
                  << field(docs.GetProductName(i)) << "\t" << field(docs.GetProductPrice(i))
                  << "\n";
    }
    std::cout << "Payment methods (id, name):\n";
    for (int i = 0; i < docs.GetPaymentCount(); ++i) {
        wizard::PaymentMethod m = docs.GetPayment(i);
        std::cout << "  " << field(m.id) << "\t" << field(m.name) << "\n";
    }
    std::cout << "Countries:\n";
    for (int i = 0; i < docs.GetCountryCount(); ++i) {
        std::cout << "  " << field(docs.GetCountryName(i)) << "\n";
    }
    std::cout << "Shops (id, name, city):\n";
    for (const wizard::ShopRecord& s : shops) {
        std::cout << "  " << field(s.id) << "\t" << field(s.name) << "\t" << field(s.city) << "\n";
    }
}

// Catalogue index of PRODUCT (an index or an id), or -1.
int ProductIndex(const wizard::CXmlDocuments& docs, const std::string& product) {
    for (int i = 0; i < docs.GetProductCount(); ++i) {
        if (docs.GetProductId(i) == product) {
            return i;
        }
    }
    if (!product.empty() && product.find_first_not_of("0123456789") == std::string::npos &&
        product.size() < 6) {
        int index = std::stoi(product);
        if (index < docs.GetProductCount()) {
            return index;
        }
    }
    return -1;
}

bool Ask(const std::string& question) {
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::cerr << "\n";
        return false;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// Shows the worker's reports as a progress line on standard error.
class ConsoleProgress : public transmission::UploadReporter {
public:
    explicit ConsoleProgress(bool terminal) : terminal_(terminal) {}

    void OrderRange(int max) override { Set(&orderMax_, max); }
    void OrderPosition(int) override {}
    // A photo's line tells the photo whose request goes, not the order bar,
    // which counts a photo once its data is out.
    void PhotoStarts(int position) override { Set(&photo_, position + 1); }
    void ImageRange(int) override {}
    void ImagePosition(int) override {}
    // The bar shows the bytes of the photo on its way that went out.
    void BytesSent(std::uint64_t photoSent, std::uint64_t photoTotal, std::uint64_t,
                   std::uint64_t) override {
        std::lock_guard lock(mutex_);
        photoSent_ = photoSent;
        photoTotal_ = photoTotal;
        Draw();
    }
    void Thumbnail(int) override {}
    void Estimate(const std::string& text) override {
        std::lock_guard lock(mutex_);
        estimate_ = text;
        Draw();
    }
    void Notice(const std::string& text) override {
        std::lock_guard lock(mutex_);
        std::cerr << (terminal_ ? "\r\033[K" : "") << TerminalText(text) << "\n";
    }
    void RetryCountdown(int seconds) override {
        std::lock_guard lock(mutex_);
        // A log gets one line per pause, when its count starts.
        const bool starts = seconds > lastRetry_;
        lastRetry_ = seconds;
        if (seconds <= 0 || (!terminal_ && !starts)) {
            return;
        }
        std::string text = Str(3550);
        const std::size_t at = text.find("%1");
        if (at != std::string::npos) {
            text.replace(at, 2, std::to_string(seconds));
        }
        std::cerr << (terminal_ ? "\r\033[K" : "") << text << (terminal_ ? "" : "\n") << std::flush;
    }
    void Finished() override {
        {
            std::lock_guard lock(mutex_);
            if (terminal_) {
                std::cerr << "\n";
            }
            finished_ = true;
        }
        done_.notify_all();
    }

    // Waits for the end of the upload, a little at a time so that an
    // interrupt can be answered.
    bool WaitFinished(std::chrono::milliseconds step) {
        std::unique_lock lock(mutex_);
        return done_.wait_for(lock, step, [this] { return finished_; });
    }

private:
    void Set(int* field, int value) {
        std::lock_guard lock(mutex_);
        *field = value;
        Draw();
    }
    void Draw() {
        if (photo_ == 0) {
            return;
        }
        std::string line = Format(Str(3515), photo_, orderMax_);
        if (!terminal_) {
            // A log gets one line per photo.
            if (photo_ != lastPhoto_) {
                std::cerr << TerminalText(line) << "\n";
                lastPhoto_ = photo_;
            }
            return;
        }
        const int width = 30;
        const int filled = photoTotal_ > 0
                               ? static_cast<int>(std::min<std::uint64_t>(photoSent_, photoTotal_) *
                                                  width / photoTotal_)
                               : 0;
        line += " [" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
        if (!estimate_.empty()) {
            line += "  " + Str(3514) + " " + estimate_;
        }
        std::cerr << "\r\033[K" << TerminalText(line) << std::flush;
    }

    bool terminal_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    int orderMax_ = 0;
    int photo_ = 0;
    int lastPhoto_ = -1;
    std::uint64_t photoSent_ = 0;
    std::uint64_t photoTotal_ = 0;
    int lastRetry_ = 0;
    std::string estimate_;
};

int Run(const order::OrderArguments& args) {
    RegistryStore store(RegistryRoot(args.profile, "OrlavoW"), RegistryStore::DefaultPath(),
                        StoreAccess::ReadOnly);
    const std::string catalogueUrl = store.getText(section::kDownloadInfo, "DownloadURL");
    wizard::StartSettings settings = wizard::ReadStartSettings(store);
    if (std::string problem = StoreProblemText(store); !problem.empty()) {
        return Fail(kStore, problem);
    }
    if (catalogueUrl.empty()) {
        return Fail(kSettings, Str(109));
    }

    wizard::CXmlDocuments docs;
    docs.setProgramVersion(ProgramVersionText(OwnFileVersion().value_or("")));
    wizard::DownloadSettings download;
    download.transfer.userAgent = "orlavo-order";
    docs.setDownloadSettings(download);
    wizard::ShopList shops;
    if (std::string error = docs.Load(catalogueUrl, shops); !error.empty()) {
        return Fail(kCatalogue, error);
    }
    if (args.listCatalogue) {
        ListCatalogue(docs, shops);
        return kSent;
    }

    // An interrupted order, held so that no other program sends it meanwhile.
    transmission::JournalFolder journals = transmission::JournalFolder::Default();
    // Files prepared by sends whose process died go now.
    transmission::SweepSendFolders(transmission::DefaultSendFolderParent());
    std::unique_ptr<transmission::JournalClaim> resumed;
    if (args.resume) {
        transmission::JournalScan scan = journals.Scan(args.profile);
        for (const std::string& notice : scan.notices) {
            std::cerr << "orlavo-order: " << TerminalText(notice) << "\n";
        }
        if (scan.orders.empty()) {
            return Fail(kNothingToResume, "there is no interrupted order to resume");
        }
        std::string error;
        resumed = journals.ClaimInterrupted(scan.orders.front().orderId, error);
        if (resumed) {
            error = transmission::ResumeProblem(resumed->journal(), settings.uploadUrl, docs);
        }
        if (!error.empty()) {
            return Fail(kNothingToResume, CannotResume(error));
        }
        std::cout << TerminalText(
                         transmission::InterruptedOrderText(resumed->journal(), std::time(nullptr)))
                  << "\n";
    }

    // The photos and their prints: those named, or those of the resumed order.
    wizard::OrderModel order(docs.GetProductCount());
    if (resumed) {
        if (std::string problem = transmission::RestoreOrder(resumed->journal(), docs, order);
            !problem.empty()) {
            return Fail(kNothingToResume, CannotResume(problem));
        }
    }
    const int zoomDefault = store.getNumber(section::kUserDetails, "ZoomAndTrimAll") != 0 ? 1 : 0;
    for (const order::PhotoChoice& choice : args.photos) {
        std::error_code ec;
        if (!fs::is_regular_file(choice.path, ec)) {
            return Fail(kUsage, choice.path + ": no such photo file");
        }
        if (!IsPhoto(choice.path)) {
            return Fail(kUsage, choice.path + ": not a photo (JPEG, HEIC, PNG, TIFF or WebP)");
        }
        std::string path = fs::absolute(choice.path, ec).lexically_normal().string();
        if (order.IndexOfPath(path) >= 0) {
            return Fail(kUsage, choice.path + ": the photo is named twice");
        }
        // Its size as it is seen (its orientation applied); 0 x 0 when its
        // header cannot be read.
        const QSize shown = wizard::ShownPhotoSize(path);
        std::size_t index =
            order.AddPhoto(path, 0, fs::file_size(path, ec), shown.width(), shown.height());
        for (int quarter = 0; quarter < choice.turn / 90; ++quarter) {
            order.TurnPhoto(index, true);
        }
        std::vector<order::PrintChoice> prints = choice.prints;
        prints.insert(prints.end(), args.printAll.begin(), args.printAll.end());
        for (const order::PrintChoice& p : prints) {
            int product = ProductIndex(docs, p.product);
            if (product < 0) {
                return Fail(kUsage,
                            "the catalogue has no product \"" + p.product + "\" (see --catalogue)");
            }
            int quantity =
                order.PhotoAt(index).orderLines[static_cast<std::size_t>(product)].quantity;
            order.SetQuantity(index, product, quantity + p.quantity);
            order.SetZoomTrim(index, product, p.zoomTrim.value_or(zoomDefault));
            // A chosen part is printed with Zoom and Trim, whatever the default.
            if (const std::optional<order::CropChoice> crop = p.crop ? p.crop : choice.crop) {
                const wizard::SelectedPhoto& shown = order.photos()[index];
                if (crop->x >= shown.width || crop->y >= shown.height) {
                    return Fail(kUsage, choice.path + ": --crop " + std::to_string(crop->x) + "," +
                                            std::to_string(crop->y) + ",... lies outside the " +
                                            std::to_string(shown.width) + " x " +
                                            std::to_string(shown.height) + " photo");
                }
                order.SetZoomTrim(index, product, 1);
                order.SetCrop(index, product, {crop->x, crop->y, crop->width, crop->height});
            }
        }
    }
    // Leaving steps 1 and 2: the wizard's own rules and messages.
    for (int refusal :
         {wizard::StepOneRefusal(order.PhotoCount()), wizard::StepTwoRefusal(order)}) {
        if (refusal != 0) {
            return Fail(kOrderRefusedHere, Str(refusal));
        }
    }

    // The customer details, checked as the details step checks them.
    std::map<std::string, std::string> values;
    RememberedDetails(store, values);
    if (resumed) {
        for (auto& [key, value] : order::DetailValuesOf(resumed->journal().details)) {
            values[key] = value;
        }
    }
    for (const std::string& file : args.detailsFiles) {
        std::string text, error;
        if (!ReadFile(file, text)) {
            return Fail(kUsage, file + ": cannot be read");
        }
        if (!order::ParseDetailsText(text, values, error)) {
            return Fail(kUsage, file + ": " + error);
        }
    }
    for (const auto& [key, value] : args.details) {
        values[key] = value;
    }
    for (const auto& [variable, key] :
         {std::pair{"ORLAVO_CCNUMBER", "ccnumber"}, {"ORLAVO_SECURITYCODE", "securitycode"}}) {
        const char* fromEnvironment = std::getenv(variable);
        if (fromEnvironment != nullptr && values[key].empty()) {
            values[key] = fromEnvironment;
        }
    }
    if (std::string problem = StoreProblemText(store); !problem.empty()) {
        return Fail(kStore, problem);
    }
    order::ResolvedDetails details;
    std::string error;
    if (!order::ResolveDetails(values, docs, shops, details, error)) {
        return Fail(kDetails, error);
    }
    std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    wizard::DetailsCheck check =
        wizard::ValidateDetails(details.entries, today.tm_year + 1900, today.tm_mon + 1);
    if (!check.ok) {
        return Fail(kDetails, check.message);
    }
    std::optional<std::string> dealer;
    if (settings.dealerMode != 0) {
        dealer = settings.dealerNumber;
    }
    if (!transmission::SetCustomerDetails(docs, details.record, dealer)) {
        return Fail(kDetails, Str(181));
    }

    // The price.
    if (settings.priceRequestUrl.empty()) {
        return Fail(kSettings, "PriceRequestURL is not set in the profile");
    }
    transmission::PriceQuoteRequest priceRequest;
    priceRequest.url = settings.priceRequestUrl;
    priceRequest.voucher = details.record.vouchercode;
    priceRequest.promo = details.record.promocode;
    priceRequest.agent = "orlavo-order";
    priceRequest.dump = [](std::string_view file, std::string_view bytes) {
        return AppendDiagnostic(file, bytes);
    };
    transmission::PriceQuoteInfo quote;
    bool refused = false;
    if (std::string result =
            transmission::RequestPriceQuote(docs, order, priceRequest, quote, &refused);
        !result.empty()) {
        return Fail(kPrice, transmission::PriceFailureText(result, refused));
    }
    // The rest of an interrupted order goes as its first part went.
    const bool removeLocation =
        resumed
            ? resumed->journal().removeLocation
            : !args.keepLocation && store.getNumber(section::kSettings, "RemoveLocation", 1) != 0;
    std::cout << TerminalText(order::SummaryText(docs, quote, details.shopName)) << Str(3606) << " "
              << transmission::SentPhotosText(transmission::SendUnits(order).size()) << "\n"
              << Str(3657) << " "
              << transmission::LocationText(transmission::PhotosWithLocation(order), removeLocation)
              << "\n"
              << std::flush;
    if (resumed) {
        const transmission::ResumePlan plan = transmission::PlanResumeNow(resumed->journal(), docs);
        if (!plan.problem.empty()) {
            return Fail(kNothingToResume, CannotResume(plan.problem));
        }
        std::cout << TerminalText(transmission::ResumePlanText(resumed->journal(), plan)) << "\n"
                  << std::flush;
    }

    if (!args.yes && !Ask(Str(3513))) {
        return Fail(kCancelled, "the order was not sent");
    }

    // The upload.
    if (settings.uploadUrl.empty()) {
        return Fail(kSettings, Str(110));
    }
    transmission::DiagnosticSink dump;
    if (settings.debug != 0) {
        dump = [](std::string_view file, std::string_view bytes) {
            return AppendDiagnostic(file, bytes);
        };
    }
    transmission::UploadSettings uploadSettings;
    uploadSettings.uploadUrl = settings.uploadUrl;
    uploadSettings.debug = settings.debug != 0;
    uploadSettings.agent = "orlavo-order";
    uploadSettings.dump = dump;
    uploadSettings.removeLocation = removeLocation;
    if (args.retryPauses) {
        uploadSettings.retryPauses.clear();
        for (int seconds : *args.retryPauses) {
            uploadSettings.retryPauses.push_back(std::chrono::seconds(seconds));
        }
    }
    ConsoleProgress progress(isatty(2) != 0);
    transmission::OrderSend send(uploadSettings, progress);
    send.KeepJournal(journals, args.profile);
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    if (resumed) {
        send.StartResume(docs, order, std::move(resumed), dump);
    } else {
        send.Start(docs, order, dump);
    }
    while (!progress.WaitFinished(std::chrono::milliseconds(200))) {
        if (gInterrupted.exchange(false)) {
            send.Pause();
            if (Ask("\n" + Str(157))) {
                send.Cancel();
            } else {
                send.Resume();
            }
        }
    }
    const transmission::SendOutcome outcome = send.Outcome();
    signal(SIGINT, SIG_DFL);
    if (send.TakeUnfinished()) {
        std::cerr << "orlavo-order: the rest of the order can be sent with --resume\n";
    }

    if (outcome.kind == transmission::SendOutcome::Kind::Cancelled) {
        return Fail(kCancelled, "the order was cancelled");
    }
    const std::string& message = outcome.message;
    if (outcome.kind == transmission::SendOutcome::Kind::Sent) {
        std::cout << Str(3512) << "\n";
        return kSent;
    }
    std::string text = order::OrderFailureText(message);
    if (message == "INVALID_CREDIT_CARD") {
        return Fail(kCardRefused, text);
    }
    return Fail(outcome.serverRefused ? kLabRefused : kUploadFailed, text);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    order::OrderArguments parsed;
    std::string error;
    if (!order::ParseOrderArguments(args, parsed, error)) {
        std::cerr << "orlavo-order: " << TerminalText(error)
                  << "\n(orlavo-order --help explains the options)\n";
        return kUsage;
    }
    if (parsed.help) {
        std::cout << kUsageText;
        return kSent;
    }
    try {
        return Run(parsed);
    } catch (const std::exception& e) {
        return Fail(kUploadFailed, e.what());
    }
}
