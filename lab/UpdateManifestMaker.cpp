#include "lab/UpdateManifestMaker.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "common/VersionText.h"
#include "platform/FileVersion.h"
#include "platform/Sha256.h"
#include "platform/XmlDocument.h"

namespace orlavo::lab {

namespace fs = std::filesystem;

namespace {

void Describe(xml::Node element, const UpdateFileFacts& file, bool byVersion) {
    element.setAttribute("filename", file.filename);
    element.setAttribute("version_num",
                         byVersion ? ProgramVersionText(file.fileVersion.value_or("")) : "");
    element.setAttribute("size", std::to_string(file.size));
    element.setAttribute("sha256", file.sha256);
}

bool Hidden(const fs::path& relative) {
    for (const fs::path& part : relative) {
        if (part.string().starts_with("."))
            return true;
    }
    return false;
}

std::optional<std::string> FileSha256(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    Sha256 hash;
    std::string buffer(1 << 16, '\0');
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
        hash.add(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
    if (in.bad())
        return std::nullopt;
    return hash.hex();
}

}  // namespace

std::string UpdateManifestText(const std::vector<UpdateFileFacts>& files,
                               const UpdateManifestOptions& options) {
    xml::Document doc;
    doc.loadXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?><auto_update/>");
    xml::Node root = doc.documentElement();
    xml::Node app = root.appendElement("app");
    app.setAttribute("download_url", options.baseUrl);
    xml::Node exe = app.appendElement("app_exe");
    xml::Node dlls = app.appendElement("app_dll");
    xml::Node customer = root.appendElement("customer");
    customer.setAttribute("download_url", options.baseUrl);

    for (const UpdateFileFacts& f : files) {
        if (f.filename == "OrlavoW")
            Describe(exe.appendElement("exe"), f, true);
        else if (f.filename == "Resources.rcc")
            Describe(customer.appendElement("languag_dll"), f, true);
        else if (f.fileVersion)
            Describe(dlls.appendElement("dll"), f, true);
        else
            Describe(customer.appendElement("image"), f, false);
    }
    if (!options.registryValues.empty() || options.registryVersion) {
        xml::Node keys = customer.appendElement("registry_updates");
        for (const auto& [name, value] : options.registryValues) {
            xml::Node key = keys.appendElement("key");
            key.setAttribute("name", name);
            key.setAttribute("value", value);
        }
        if (options.registryVersion) {
            xml::Node key = keys.appendElement("key");
            key.setAttribute("name", "RegistryVersion");
            key.setAttribute("value", *options.registryVersion);
        }
    }
    // Indented, for people who look at it.
    std::ostringstream out;
    doc.raw().save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

std::vector<UpdateFileFacts> ScanUpdateFiles(const fs::path& filesDir, std::string& error) {
    std::vector<UpdateFileFacts> files;
    std::error_code ec;
    if (!fs::is_directory(filesDir, ec)) {
        error = filesDir.string() + " is not a folder";
        return files;
    }
    for (fs::recursive_directory_iterator it(filesDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path relative = it->path().lexically_relative(filesDir);
        std::error_code typeEc;
        if (Hidden(relative) || it->is_symlink(typeEc) || !it->is_regular_file(typeEc))
            continue;
        UpdateFileFacts f;
        f.filename = relative.generic_string();
        f.size = fs::file_size(it->path(), typeEc);
        f.fileVersion = ReadFileVersion(it->path().string());
        auto hash = FileSha256(it->path());
        if (typeEc || !hash) {
            error = "cannot read " + it->path().string();
            return {};
        }
        f.sha256 = *hash;
        files.push_back(std::move(f));
    }
    if (ec) {
        error = "cannot list " + filesDir.string() + ": " + ec.message();
        return {};
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.filename < b.filename; });
    return files;
}

std::string WriteUpdateManifest(const fs::path& dataDir, const UpdateManifestOptions& options,
                                std::size_t& count) {
    std::string error;
    const auto files = ScanUpdateFiles(dataDir / "update" / "files", error);
    if (!error.empty())
        return error;
    const fs::path target = dataDir / "update" / "auto_update.xml";
    const fs::path temp = dataDir / "update" / ".auto_update.xml.new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << UpdateManifestText(files, options);
        if (!out.flush())
            return "cannot write " + temp.string();
    }
    // The lab may be serving the old one meanwhile: it is replaced whole.
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec)
        return "cannot write " + target.string() + ": " + ec.message();
    count = files.size();
    return {};
}

}  // namespace orlavo::lab
