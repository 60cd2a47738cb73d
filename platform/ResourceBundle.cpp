#include "platform/ResourceBundle.h"

#include <fstream>

#include <QFile>
#include <QString>

#include "common/VersionText.h"
#include "platform/FileVersion.h"

namespace orlavo {

namespace {

// Strings, icons and bitmaps; anything far larger is not a bundle of ours.
constexpr std::size_t kMaxBundleSize = 256u << 20;

std::optional<std::string> ReadQtFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::unique_ptr<ResourceBundle> ResourceBundle::Open(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::string bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxBundleSize)
            return nullptr;
    }
    auto archive = RccArchive::Parse(std::move(bytes));
    if (!archive)
        return nullptr;
    return std::unique_ptr<ResourceBundle>(new ResourceBundle(path, std::move(*archive)));
}

std::optional<std::string> ResourceBundle::file(std::string_view name) const {
    return archive_.file(name);
}

std::optional<std::string> ResourceBundle::fileVersion() const {
    return ReadFileVersion(path_);
}

StringTable ResourceBundle::strings() const {
    auto text = file("strings.tsv");
    return StringTable::Parse(text ? *text : std::string());
}

ResourceSet::ResourceSet(std::string_view builtinStrings, std::string qtPrefix)
    : builtin_(StringTable::Parse(builtinStrings)), qtPrefix_(std::move(qtPrefix)) {}

std::string ResourceSet::str(int id) const {
    return bundle_ ? bundleStrings_.get(id) : builtin_.get(id);
}

std::optional<std::string> ResourceSet::file(std::string_view name) const {
    if (bundle_)
        return bundle_->file(name);
    return ReadQtFile(QString::fromStdString(qtPrefix_ + "/" + std::string(name)));
}

BundleCheck ResourceSet::load(const std::string& bundlePath, std::string_view programVersion,
                              bool checkVersion) {
    auto bundle = ResourceBundle::Open(bundlePath);
    if (!bundle)
        return BundleCheck::Missing;
    if (checkVersion) {
        auto version = bundle->fileVersion();
        if (!version || !BundleVersionAccepted(programVersion, ResourceVersionText(*version)))
            return BundleCheck::WrongVersion;
    }
    bundleStrings_ = bundle->strings();
    bundle_ = std::move(bundle);
    return BundleCheck::Accepted;
}

void ResourceSet::reset() {
    bundle_.reset();
    bundleStrings_ = StringTable();
}

}  // namespace orlavo
