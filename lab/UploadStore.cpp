#include "lab/UploadStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <system_error>

#include "lab/CardCheck.h"
#include "lab/Money.h"
#include "lab/SafePath.h"
#include "platform/PrivateFiles.h"

namespace orlavo::lab {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kMaxPhotos = 10000;
constexpr std::int64_t kMaxQuantity = 100000;
constexpr char kTempPrefix[] = ".incoming-";

std::string PhotoPrefix(int number) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "photo-%03d", number);
    return buf;
}

// "photo-012.xml" gives 12; anything else gives no number.
std::optional<int> ManifestNumber(const std::string& name) {
    if (name.rfind("photo-", 0) != 0 || name.size() < 11 || name.substr(name.size() - 4) != ".xml")
        return std::nullopt;
    auto n = ParseCount(std::string_view(name).substr(6, name.size() - 10), kMaxPhotos);
    if (!n)
        return std::nullopt;
    return static_cast<int>(*n);
}

// Orders hold names, addresses and telephone numbers: only the lab's user may
// read them, whatever the umask.
bool WriteFile(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path TempName(const fs::path& dir) {
    static std::atomic<unsigned long> counter{0};
    return dir / (kTempPrefix + std::to_string(counter.fetch_add(1)) + "-" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
}

UploadOutcome Refuse(std::string reason) {
    UploadOutcome o;
    o.verdict = UploadVerdict::Refused;
    o.reason = std::move(reason);
    return o;
}

void CurrentMonth(int& year, int& month) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
}

}  // namespace

UploadStore::UploadStore(fs::path dataDir, const Catalogue& catalogue)
    : ordersDir_(std::move(dataDir) / "orders"), catalogue_(catalogue) {}

UploadOutcome UploadStore::check(const std::optional<TransferManifest>& manifest,
                                 std::size_t contentSize) const {
    if (!manifest)
        return Refuse("the manifest is not a transfermanifest document");
    const TransferManifest& m = *manifest;
    if (!IsSafeOrderId(m.uniqueId))
        return Refuse("unusable order id \"" + m.uniqueId + "\"");
    auto count = ParseCount(m.photoCount, kMaxPhotos);
    if (!count || *count < 1)
        return Refuse("numphotos is not a photo count");
    auto number = ParseCount(m.photoNumber, *count);
    if (!number || *number < 1)
        return Refuse("currentnumphoto is not between 1 and numphotos");
    auto size = ParseCount(m.size, static_cast<std::int64_t>(1) << 40);
    if (!size || static_cast<std::size_t>(*size) != contentSize)
        return Refuse("size " + m.size + " differs from the " + std::to_string(contentSize) +
                      " bytes received");
    if (m.products.empty())
        return Refuse("the photo has no product");
    for (const ManifestProduct& p : m.products) {
        if (!catalogue_.findProduct(p.id))
            return Refuse("unknown product \"" + p.id + "\"");
        auto qty = ParseCount(p.qty, kMaxQuantity);
        if (!qty || *qty < 1)
            return Refuse("bad quantity for product " + p.id);
    }
    const PaymentMethod* method = catalogue_.findPayment(m.payType);
    if (!method)
        return Refuse("unknown payment method \"" + m.payType + "\"");
    UploadOutcome ok;
    ok.verdict = UploadVerdict::Done;
    ok.orderId = m.uniqueId;
    ok.expected = static_cast<int>(*count);
    if (method->takesCard) {
        int year = 0, month = 0;
        CurrentMonth(year, month);
        if (!IsValidCardNumber(m.cardNumber)) {
            ok.verdict = UploadVerdict::InvalidCard;
            ok.reason = "the card number fails the check";
        } else if (IsExpired(m.expireMonth, m.expireYear, year, month)) {
            ok.verdict = UploadVerdict::InvalidCard;
            ok.reason = "the card has expired";
        } else if (IsDeclinedTestCard(m.cardNumber)) {
            ok.verdict = UploadVerdict::InvalidCard;
            ok.reason = "the card's issuer declined it";
        }
    }
    return ok;
}

UploadOutcome UploadStore::receive(std::string_view partFileName, std::string_view content,
                                   std::string_view manifestBytes) {
    auto manifest = TransferManifest::Parse(manifestBytes);
    UploadOutcome outcome = check(manifest, content.size());
    if (outcome.verdict != UploadVerdict::Done)
        return outcome;

    // The album and the order's processing read the kept manifest back; a
    // photo whose manifest would not read is refused, not answered DONE.
    const std::string stored = ManifestForStorage(manifestBytes);
    if (stored.empty())
        return Refuse("the manifest cannot be kept in a readable form");

    const TransferManifest& m = *manifest;
    const int number = static_cast<int>(*ParseCount(m.photoNumber, kMaxPhotos));
    std::string name = SafeFileName(m.fileName.empty() ? partFileName : m.fileName);
    fs::path dir = ordersDir_ / m.uniqueId;
    std::error_code ec;
    if (std::string why = EnsurePrivateFolder(dir.string()); !why.empty())
        return Refuse("cannot create the order folder: " + why);

    // Both files go to temporary names first, so a photo counts only once it
    // is whole on disk.
    fs::path tempPhoto = TempName(dir);
    fs::path tempManifest = TempName(dir);
    if (!WriteFile(tempPhoto, content) || !WriteFile(tempManifest, stored)) {
        fs::remove(tempPhoto, ec);
        fs::remove(tempManifest, ec);
        return Refuse("cannot write the photo");
    }

    const std::string prefix = PhotoPrefix(number);
    const fs::path finalPhoto = dir / (prefix + "-" + name);
    const fs::path finalManifest = dir / (prefix + ".xml");
    std::lock_guard lock(mutex_);
    // A photo sent again replaces the earlier copy, whatever it was called.
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::string n = entry.path().filename().string();
        if (n.rfind(prefix + "-", 0) == 0 && entry.path() != finalPhoto)
            fs::remove(entry.path(), ec);
    }
    fs::rename(tempPhoto, finalPhoto, ec);
    if (!ec)
        fs::rename(tempManifest, finalManifest, ec);
    if (ec) {
        fs::remove(tempPhoto, ec);
        fs::remove(tempManifest, ec);
        return Refuse("cannot keep the photo");
    }
    std::map<int, bool> seen;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        auto n = ManifestNumber(entry.path().filename().string());
        if (n && *n >= 1 && *n <= outcome.expected)
            seen[*n] = true;
    }
    outcome.received = static_cast<int>(seen.size());
    outcome.orderComplete = outcome.received == outcome.expected;
    return outcome;
}

std::optional<StoredOrder> UploadStore::readOrder(const fs::path& dir) const {
    std::error_code ec;
    StoredOrder order;
    order.id = dir.filename().string();
    if (!IsSafeOrderId(order.id))
        return std::nullopt;
    order.lastChange = fs::last_write_time(dir, ec);
    // Only the listing is taken under the lock, so that it shows each photo
    // with its own manifest; reading the manifests may take long and must
    // not hold up uploads.
    std::vector<std::string> names;
    {
        std::lock_guard lock(mutex_);
        for (const auto& entry : fs::directory_iterator(dir, ec))
            names.push_back(entry.path().filename().string());
    }
    std::map<int, fs::path> files;
    std::map<int, TransferManifest> manifests;
    for (const std::string& n : names) {
        if (auto num = ManifestNumber(n)) {
            if (auto m = TransferManifest::Parse(ReadFile(dir / n)))
                manifests[*num] = *m;
        } else if (n.rfind("photo-", 0) == 0) {
            std::size_t dash = n.find('-', 6);
            if (dash == std::string::npos)
                continue;
            if (auto num2 = ParseCount(std::string_view(n).substr(6, dash - 6), kMaxPhotos))
                files[static_cast<int>(*num2)] = dir / n;
        }
    }
    if (manifests.empty())
        return std::nullopt;
    order.expected =
        static_cast<int>(ParseCount(manifests.begin()->second.photoCount, kMaxPhotos).value_or(0));
    int received = 0;
    for (auto& [num, m] : manifests) {
        auto f = files.find(num);
        if (f == files.end())
            continue;
        if (num >= 1 && num <= order.expected)
            ++received;
        order.photos.push_back({num, f->second, std::move(m)});
    }
    order.complete = order.expected > 0 && received == order.expected;
    return order;
}

std::vector<StoredOrder> UploadStore::orders() const {
    std::vector<StoredOrder> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ordersDir_, ec)) {
        if (!entry.is_directory(ec))
            continue;
        if (auto o = readOrder(entry.path()))
            out.push_back(std::move(*o));
    }
    std::sort(out.begin(), out.end(), [](const StoredOrder& a, const StoredOrder& b) {
        return a.lastChange > b.lastChange;
    });
    return out;
}

std::optional<StoredOrder> UploadStore::order(std::string_view id) const {
    if (!IsSafeOrderId(id))
        return std::nullopt;
    return readOrder(ordersDir_ / std::string(id));
}

void UploadStore::removeLeftovers() const {
    std::error_code ec;
    for (const auto& order : fs::directory_iterator(ordersDir_, ec)) {
        std::error_code ec2;
        for (const auto& entry : fs::directory_iterator(order.path(), ec2)) {
            if (entry.path().filename().string().rfind(kTempPrefix, 0) == 0) {
                std::error_code ec3;
                fs::remove(entry.path(), ec3);
            }
        }
    }
}

}  // namespace orlavo::lab
