#include "wizard/photos/XmpLocation.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <map>
#include <sstream>
#include <vector>

namespace orlavo::wizard {

namespace {

constexpr std::string_view kExif = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view kPhotoshop = "http://ns.adobe.com/photoshop/1.0/";
constexpr std::string_view kIptcCore = "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
constexpr std::string_view kIptcExt = "http://iptc.org/std/Iptc4xmpExt/2008-02-29/";

struct Property {
    std::string_view ns;
    std::string_view name;
};
constexpr std::array<Property, 8> kProperties = {{
    {kPhotoshop, "City"},
    {kPhotoshop, "State"},
    {kPhotoshop, "Country"},
    {kIptcCore, "Location"},
    {kIptcCore, "CountryCode"},
    {kIptcExt, "LocationCreated"},
    {kIptcExt, "LocationShown"},
    {kIptcExt, "City"},
}};

bool IsLocation(std::string_view ns, std::string_view local) {
    if (ns == kExif)
        return local.substr(0, 3) == "GPS";
    return std::any_of(kProperties.begin(), kProperties.end(),
                       [&](const Property& p) { return p.ns == ns && p.name == local; });
}

using Namespaces = std::map<std::string, std::string, std::less<>>;

// The namespace and local part of a qualified NAME in SCOPE.
std::pair<std::string_view, std::string_view> Resolve(const Namespaces& scope,
                                                      std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return {{}, name};
    const auto it = scope.find(name.substr(0, colon));
    return {it == scope.end() ? std::string_view() : std::string_view(it->second),
            name.substr(colon + 1)};
}

// Removes the location below NODE; true when anything went.
bool Strip(pugi::xml_node node, Namespaces scope, int depth) {
    if (depth > 200)
        return false;
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view name = a.name();
        if (name.substr(0, 6) == "xmlns:")
            scope[std::string(name.substr(6))] = a.value();
    }
    bool changed = false;
    std::vector<pugi::xml_attribute> doomed;
    for (pugi::xml_attribute a : node.attributes()) {
        const auto [ns, local] = Resolve(scope, a.name());
        if (IsLocation(ns, local))
            doomed.push_back(a);
    }
    for (pugi::xml_attribute a : doomed)
        changed = node.remove_attribute(a) || changed;
    std::vector<pugi::xml_node> gone;
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        Namespaces inner = scope;
        for (pugi::xml_attribute a : child.attributes()) {
            const std::string_view name = a.name();
            if (name.substr(0, 6) == "xmlns:")
                inner[std::string(name.substr(6))] = a.value();
        }
        const auto [ns, local] = Resolve(inner, child.name());
        if (IsLocation(ns, local))
            gone.push_back(child);
        else
            changed = Strip(child, scope, depth + 1) || changed;
    }
    for (pugi::xml_node child : gone)
        changed = node.remove_child(child) || changed;
    return changed;
}

constexpr unsigned kParse = pugi::parse_default | pugi::parse_pi | pugi::parse_comments |
                            pugi::parse_declaration | pugi::parse_ws_pcdata_single;

}  // namespace

bool XmpHasLocation(std::string_view packet) {
    pugi::xml_document doc;
    if (!doc.load_buffer(packet.data(), packet.size(), kParse, pugi::encoding_utf8)) {
        for (std::string_view word : {"GPS", "City", "Country", "State", "Location"}) {
            if (packet.find(word) != std::string_view::npos)
                return true;
        }
        return false;
    }
    return Strip(doc, {}, 0);
}

std::optional<std::string> RemoveXmpLocation(std::string_view packet) {
    pugi::xml_document doc;
    if (!doc.load_buffer(packet.data(), packet.size(), kParse, pugi::encoding_utf8))
        return std::nullopt;
    if (!Strip(doc, {}, 0))
        return std::string(packet);
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

}  // namespace orlavo::wizard
