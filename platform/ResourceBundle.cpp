#include "platform/ResourceBundle.h"

#include <atomic>

#include <QFile>
#include <QResource>
#include <QString>

#include "common/VersionText.h"
#include "platform/FileVersion.h"

namespace orlavo {

namespace {

std::optional<std::string> ReadQtFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::unique_ptr<ResourceBundle> ResourceBundle::Open(const std::string& path) {
    static std::atomic<int> counter{0};
    std::string root = "/orlavo-bundle-" + std::to_string(++counter);
    if (!QResource::registerResource(QString::fromStdString(path), QString::fromStdString(root)))
        return nullptr;
    std::unique_ptr<ResourceBundle> b(new ResourceBundle());
    b->path_ = path;
    b->root_ = root;
    return b;
}

ResourceBundle::~ResourceBundle() {
    if (!root_.empty())
        QResource::unregisterResource(QString::fromStdString(path_), QString::fromStdString(root_));
}

std::optional<std::string> ResourceBundle::file(std::string_view name) const {
    return ReadQtFile(QString::fromStdString(":" + root_ + "/" + std::string(name)));
}

std::optional<std::string> ResourceBundle::fileVersion() const { return ReadFileVersion(path_); }

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
    if (bundle_) return bundle_->file(name);
    return ReadQtFile(QString::fromStdString(qtPrefix_ + "/" + std::string(name)));
}

BundleCheck ResourceSet::load(const std::string& bundlePath, std::string_view programVersion,
                              bool checkVersion) {
    auto bundle = ResourceBundle::Open(bundlePath);
    if (!bundle) return BundleCheck::Missing;
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
