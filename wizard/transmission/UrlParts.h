#pragma once
// Splitting a server address the way the form client opens its requests.

#include <optional>
#include <string>
#include <string_view>

namespace orlavo::transmission {

struct UrlParts {
    std::string scheme;  // "http" or "https"
    std::string host;
    int port = 0;  // the written port, or the scheme's default
    // The rest of the address from the start of its path, the query kept,
    // with one leading "/" removed.
    std::string target;

    bool secure() const { return scheme == "https"; }
    // The address the transport is given: scheme, host, port and "/" + target.
    std::string requestUrl() const;
};

// None for an address that is not http or https or has no host.
std::optional<UrlParts> SplitUrl(std::string_view url);

}  // namespace orlavo::transmission
