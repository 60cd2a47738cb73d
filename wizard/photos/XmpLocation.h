#pragma once
// The location in an XMP packet: exif:GPS* properties, the city, state,
// country and location fields of photoshop: and Iptc4xmpCore:, and the
// locations of Iptc4xmpExt: (where it was taken, what it shows). Prefixes
// are resolved through the packet's own namespace declarations, so a packet
// that binds them to other names is read right.

#include <optional>
#include <string>
#include <string_view>

namespace orlavo::wizard {

// A packet that cannot be read counts as one that may hold a location when
// one of the properties' names stands in it.
bool XmpHasLocation(std::string_view packet);

// The packet without its location properties, as attributes and as elements;
// nullopt when it cannot be read as XML (the caller drops it whole). A packet
// without any comes back unchanged.
std::optional<std::string> RemoveXmpLocation(std::string_view packet);

}  // namespace orlavo::wizard
