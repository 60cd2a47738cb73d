#pragma once
// The command line of orlavo-order and the customer details it is given,
// read into plain values. No catalogue is needed to read them; names of
// products and payment methods are resolved later.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlavo::order {

// A --crop: the part of the photo a print keeps, in pixels of the photo as
// seen (EXIF orientation and --turn applied).
struct CropChoice {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const CropChoice&) const = default;
};

// One --print choice: PRODUCT is a catalogue index (from 0) or a product id.
struct PrintChoice {
    std::string product;
    int quantity = 0;
    std::optional<int> zoomTrim;     // 0 or 1; the profile's default when absent
    std::optional<CropChoice> crop;  // this print's own (with Zoom and Trim)
};

struct PhotoChoice {
    std::string path;
    std::vector<PrintChoice> prints;
    int turn = 0;                    // --turn: degrees clockwise, 0 90 180 270
    std::optional<CropChoice> crop;  // every print of the photo keeps this part
};

struct OrderArguments {
    bool help = false;
    bool listCatalogue = false;
    bool yes = false;
    // --keep-location: the photos go with where they were taken, whatever
    // the profile's setting.
    bool keepLocation = false;
    // --resume: the profile's interrupted order, its photos and details from
    // its journal.
    bool resume = false;
    // --retry-pauses S,S,...: whole seconds before each further try of a
    // photo; none when not given (the wizard's pauses), empty for no retry.
    std::optional<std::vector<int>> retryPauses;
    std::string profile;
    std::vector<PhotoChoice> photos;
    // --print-all: a line for every photo.
    std::vector<PrintChoice> printAll;
    std::vector<std::string> detailsFiles;
    // --detail KEY=VALUE, in the order given; they win over the files.
    std::vector<std::pair<std::string, std::string>> details;
};

// Parses ARGS (without the program name). False with ERROR set for a
// command line that cannot be used.
bool ParseOrderArguments(const std::vector<std::string>& args, OrderArguments& out,
                         std::string& error);

// "PRODUCT:QTY" or "PRODUCT:QTY:TRIM" (TRIM 0 or 1); QTY from 1 to 999.
std::optional<PrintChoice> ParsePrintChoice(std::string_view text);

// "X,Y,W,H": whole numbers, X and Y from 0, W and H from 1.
std::optional<CropChoice> ParseCropChoice(std::string_view text);

// The keys a details file may hold, in the order the help lists them.
const std::vector<std::string>& DetailKeys();

// Reads "key=value" lines into VALUES: "#" starts a comment line, blank
// lines are skipped, the key is trimmed, the value is kept as written
// (trailing blanks included; a line's CR is dropped). False with ERROR for
// an unknown key or a line without "=", naming the line.
bool ParseDetailsText(std::string_view text, std::map<std::string, std::string>& values,
                      std::string& error);

}  // namespace orlavo::order
