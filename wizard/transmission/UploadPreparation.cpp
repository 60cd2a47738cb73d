#include "wizard/transmission/UploadPreparation.h"

#include <algorithm>

#include "platform/PrivateFiles.h"
#include "wizard/photos/PhotoFormat.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"
#include "wizard/transmission/JpegConversion.h"
#include "wizard/transmission/SendUnits.h"

namespace orlavo::transmission {

namespace {

// NUMBERS null: every photo with a line, at its recorded size. Otherwise
// only those numbers, at their size now.
PreparedUpload Prepare(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                       std::string orderId, const std::vector<int>* numbers,
                       const DiagnosticSink& debugDump, bool removeLocation) {
    PreparedUpload prepared;
    const bool toSrgb = docs.WantsSrgb();
    prepared.orderId = std::move(orderId);
    const std::vector<SendUnit> units = SendUnits(order);
    const int count = static_cast<int>(units.size());
    const std::vector<wizard::SelectedPhoto>& photos = order.photos();
    for (int k = 0; k < count; ++k) {
        const SendUnit& unit = units[static_cast<std::size_t>(k)];
        const int number = k + 1;
        if (numbers && std::find(numbers->begin(), numbers->end(), number) == numbers->end()) {
            continue;
        }
        const wizard::SelectedPhoto& photo = photos[unit.photo];
        wizard::SelectedPhoto sent = UnitPhoto(photo, unit);
        if (numbers) {
            if (std::optional<FileStamp> now = StampOf(photo.path)) {
                sent.fileSize = now->size;
            }
        }
        // A file that is gone or unreadable is told so when its turn comes.
        const wizard::PhotoFormat format = wizard::PhotoFormatOfFile(photo.path);
        const bool convert =
            format != wizard::PhotoFormat::Jpeg && format != wizard::PhotoFormat::Unknown;
        // What goes is a JPEG, whatever the photo was.
        sent.contentTypeIndex = 0;
        if (convert) {
            sent.path = JpegNameFor(photo.path);
            // About a byte a pixel at quality 95, until the file is made.
            if (photo.width > 0 && photo.height > 0)
                sent.fileSize = std::uint64_t(photo.width) * std::uint64_t(photo.height);
        }
        std::optional<std::string> manifest =
            BuildPhotoManifest(docs, sent, prepared.orderId, number, count, debugDump);
        if (!manifest) {
            prepared.items.clear();
            SettleMessage(kCodeUnspecified, prepared.message);
            return prepared;
        }
        UploadItem item;
        item.photoIndex = static_cast<int>(unit.photo);
        item.number = number;
        item.path = photo.path;
        if (convert)
            item.formPath = sent.path;
        item.mediaType = std::string(MediaType(sent.contentTypeIndex));
        item.size = sent.fileSize;
        item.manifest = std::move(*manifest);
        item.work = UnitWork(photo, unit);
        item.work.convert = convert;
        item.work.removeLocation = removeLocation;
        item.work.toSrgb = convert && toSrgb;
        if (unit.product >= 0 && photo.width > 0 && photo.height > 0) {
            // A cropped file is about its share of the photo's bytes.
            const wizard::CropBox& c =
                photo.orderLines[static_cast<std::size_t>(unit.product)].crop;
            item.size = static_cast<std::uint64_t>(double(sent.fileSize) * c.width * c.height /
                                                   (double(photo.width) * photo.height));
        }
        // Only what is sent: a photo without prints adds nothing.
        prepared.totalBytes += RequestBodyLength(item);
        prepared.items.push_back(std::move(item));
    }
    prepared.ok = true;
    return prepared;
}

}  // namespace

PreparedUpload PrepareUpload(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                             const DiagnosticSink& debugDump, bool removeLocation) {
    return Prepare(docs, order, MakeOrderId(), nullptr, debugDump, removeLocation);
}

PreparedUpload PrepareResumedUpload(const wizard::CXmlDocuments& docs,
                                    const wizard::OrderModel& order, const std::string& orderId,
                                    const std::vector<int>& numbers,
                                    const DiagnosticSink& debugDump, bool removeLocation) {
    return Prepare(docs, order, orderId, &numbers, debugDump, removeLocation);
}

}  // namespace orlavo::transmission
