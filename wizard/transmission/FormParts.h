#pragma once
// The multipart/form-data wire format that every request to the lab's server
// uses: fixed boundary, the two kinds of part and the extra header block.
// All texts are single-byte and go on the wire unchanged.
//
// Every lab expects the fixed boundary byte for byte, so every form goes
// with it unless one of its parts holds it; such a form goes with a longer
// boundary that none holds (FormBoundary), named in its Content-Type.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlavo::transmission {

// 27 hyphens and 14 characters.
inline constexpr std::string_view kBoundary = "---------------------------7d22db37402707";
// Two more hyphens in front of the boundary, then CRLF (45 bytes).
inline constexpr std::string_view kDelimiterLine =
    "-----------------------------7d22db37402707\r\n";
// The closing delimiter goes out as three writes: the delimiter line without
// its CRLF (43 bytes), "--", CRLF; 47 bytes in all.
inline constexpr std::string_view kClosingHead = "-----------------------------7d22db37402707";
inline constexpr std::string_view kClosingDashes = "--";
inline constexpr std::string_view kCrlf = "\r\n";
inline constexpr std::size_t kClosingLength = 47;

// The form field that carries the photo file.
inline constexpr std::string_view kFileField = "file";
inline constexpr std::string_view kManifestField = "transfermanifest";
inline constexpr std::string_view kPriceRequestField = "PriceRequest";

// The extra request headers, one line each, in the order they are sent
// (without the CRLF that ends each on the wire).
inline constexpr std::string_view kAcceptHeader =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
    "application/msword, application/vnd.ms-powerpoint, application/pdf, */*";
inline constexpr std::string_view kAcceptLanguageHeader = "Accept-Language: en-us";
inline constexpr std::string_view kProxyConnectionHeader = "Proxy-Connection: Keep-Alive";
inline constexpr std::string_view kUserAgentHeader =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; .NET CLR 1.0.3328)";
std::string ContentTypeHeader(std::string_view boundary = kBoundary);

// The whole header block, each line ended by CRLF.
std::string HeaderBlock(std::string_view boundary = kBoundary);

// The closing delimiter's length: 47 bytes with the fixed boundary.
std::size_t ClosingLength(std::string_view boundary = kBoundary);

// The Content-Type of a photo by the image format index the order model
// records (0 "image/pjpeg" ... 8 "image/targa"); empty outside 0..8.
std::string_view MediaType(int contentTypeIndex);

// Delimiter line, Content-Disposition with the field name, blank line,
// the value unchanged, CRLF.
std::string ValuePart(std::string_view fieldName, std::string_view value,
                      std::string_view boundary = kBoundary);

// Delimiter line, Content-Disposition of the field "file" with the path as
// filename, the media type, blank line. The file's bytes follow it. The path
// goes unchanged but for a double quote, CR and LF, which are written as
// %22, %0D and %0A so that a file name cannot break the form.
std::string FilePartHeader(std::string_view path, std::string_view mediaType,
                           std::string_view boundary = kBoundary);

// Announced length of one photo's request: file part header + file size +
// CRLF + manifest part + closing delimiter.
std::uint64_t UploadBodyLength(std::uint64_t filePartHeaderLength, std::uint64_t fileSize,
                               std::uint64_t manifestPartLength,
                               std::string_view boundary = kBoundary);

}  // namespace orlavo::transmission
