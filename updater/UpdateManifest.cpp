#include "updater/UpdateManifest.h"

#include <algorithm>
#include <exception>

#include <pugixml.hpp>

#include "common/NumberText.h"
#include "platform/XmlDocument.h"

namespace orlavo::updater {

namespace {

std::optional<std::uint64_t> PlainNumber(const std::string& text) {
    if (text.empty() || text.size() > 19 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoull(text);
}

ManifestFile FileOf(const xml::Node& element, const std::string& base, FileGroup group) {
    ManifestFile f;
    f.filename = element.attribute("filename");
    const std::string size = element.attribute("size");
    f.size = PlainNumber(size);
    f.version = element.attribute("version_num");
    if (f.version.empty())
        f.version = size;
    std::replace(f.version.begin(), f.version.end(), ',', '.');
    f.sha256 = element.attribute("sha256");
    f.baseAddress = base;
    f.group = group;
    return f;
}

// Every child of app_dll is read as a file element; text standing among them
// is something the reader cannot take as one.
bool HoldsOnlyElements(const xml::Node& node) {
    for (pugi::xml_node c = node.raw().first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            return false;
    }
    return true;
}

int Read(const xml::Document& doc, ManifestContent& out) {
    const xml::Node app = doc.selectSingle("auto_update/app");
    out.appBaseAddress = app ? app.attribute("download_url") : std::string();
    if (xml::Node exe = doc.selectSingle("auto_update/app/app_exe/exe"))
        out.files.push_back(FileOf(exe, out.appBaseAddress, FileGroup::App));
    if (xml::Node dlls = doc.selectSingle("auto_update/app/app_dll")) {
        if (!HoldsOnlyElements(dlls))
            return kManifestXmlFailure;
        for (const xml::Node& dll : dlls.children())
            out.files.push_back(FileOf(dll, out.appBaseAddress, FileGroup::App));
    }
    const xml::Node customer = doc.selectSingle("auto_update/customer");
    if (!customer)
        return kManifestRead;
    out.customerBaseAddress = customer.attribute("download_url");
    if (xml::Node language = doc.selectSingle("auto_update/customer/languag_dll"))
        out.files.push_back(FileOf(language, out.customerBaseAddress, FileGroup::Customer));
    for (const xml::Node& image : doc.selectAll("auto_update/customer/image"))
        out.files.push_back(FileOf(image, out.customerBaseAddress, FileGroup::Customer));
    for (const xml::Node& key : doc.selectAll("auto_update/customer/registry_updates/key")) {
        RegistryUpdate update{key.attribute("name"), key.attribute("value")};
        if (update.name == "RegistryVersion")
            out.registryVersion = LeadingInt(update.value);
        out.registryUpdates.push_back(std::move(update));
    }
    return kManifestRead;
}

}  // namespace

int ParseUpdateManifest(std::string_view bytes, ManifestContent& content) {
    while (!bytes.empty() && bytes.front() == '\n')
        bytes.remove_prefix(1);
    try {
        xml::Document doc;
        if (!doc.loadBytes(bytes))
            return kManifestNotWellFormed;
        ManifestContent read;
        const int answer = Read(doc, read);
        if (answer == kManifestRead)
            content = std::move(read);
        return answer;
    } catch (const std::exception&) {
        return kManifestXmlFailure;
    }
}

}  // namespace orlavo::updater
