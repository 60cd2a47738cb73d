#include "wizard/transmission/FormParts.h"

#include <array>

namespace orlavo::transmission {

namespace {

constexpr std::array<std::string_view, 9> kMediaTypes = {
    "image/pjpeg", "image/gif", "image/x-xbitmap", "image/png",   "image/tiff",
    "image/pcx",   "image/pgm", "image/pict",      "image/targa",
};

// The path goes into a quoted header parameter: a double quote or a line
// break in it would end the parameter or the header and let the rest of the
// name be read as form structure, so those three are percent-encoded.
void AppendFileName(std::string& out, std::string_view path) {
    for (char c : path) {
        switch (c) {
            case '"':
                out += "%22";
                break;
            case '\r':
                out += "%0D";
                break;
            case '\n':
                out += "%0A";
                break;
            default:
                out += c;
        }
    }
}

void AppendDelimiterLine(std::string& out, std::string_view boundary) {
    out += "--";
    out += boundary;
    out += kCrlf;
}

}  // namespace

std::string ContentTypeHeader(std::string_view boundary) {
    std::string line = "Content-Type: ";
    line += "multipart/form-data; boundary=";
    line += boundary;
    return line;
}

std::size_t ClosingLength(std::string_view boundary) {
    return 2 + boundary.size() + kClosingDashes.size() + kCrlf.size();
}

std::string HeaderBlock(std::string_view boundary) {
    std::string block;
    for (std::string_view line : {kAcceptHeader, kAcceptLanguageHeader}) {
        block += line;
        block += kCrlf;
    }
    block += ContentTypeHeader(boundary);
    block += kCrlf;
    for (std::string_view line : {kProxyConnectionHeader, kUserAgentHeader}) {
        block += line;
        block += kCrlf;
    }
    return block;
}

std::string_view MediaType(int contentTypeIndex) {
    if (contentTypeIndex < 0 || contentTypeIndex >= static_cast<int>(kMediaTypes.size())) {
        return {};
    }
    return kMediaTypes[static_cast<std::size_t>(contentTypeIndex)];
}

std::string ValuePart(std::string_view fieldName, std::string_view value,
                      std::string_view boundary) {
    std::string part;
    part.reserve(boundary.size() + 52 + fieldName.size() + value.size());
    AppendDelimiterLine(part, boundary);
    part += "Content-Disposition: form-data; name=\"";
    part += fieldName;
    part += "\"\r\n\r\n";
    part += value;
    part += kCrlf;
    return part;
}

std::string FilePartHeader(std::string_view path, std::string_view mediaType,
                           std::string_view boundary) {
    std::string part;
    AppendDelimiterLine(part, boundary);
    part += "Content-Disposition: form-data; name=\"";
    part += kFileField;
    part += "\"; filename=\"";
    AppendFileName(part, path);
    part += "\"\r\n";
    part += "Content-Type: ";
    part += mediaType;
    part += "\r\n\r\n";
    return part;
}

std::uint64_t UploadBodyLength(std::uint64_t filePartHeaderLength, std::uint64_t fileSize,
                               std::uint64_t manifestPartLength, std::string_view boundary) {
    return filePartHeaderLength + fileSize + kCrlf.size() + manifestPartLength +
           ClosingLength(boundary);
}

}  // namespace orlavo::transmission
