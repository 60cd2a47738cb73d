#include "wizard/transmission/UploadPreparation.h"

#include <algorithm>

#include "platform/PrivateFiles.h"
#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"

namespace orlavo::transmission {

namespace {

// NUMBERS null: every photo with a line, at its recorded size. Otherwise
// only those numbers, at their size now.
PreparedUpload Prepare(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                       std::string orderId, const std::vector<int>* numbers,
                       const DiagnosticSink& debugDump) {
    PreparedUpload prepared;
    prepared.orderId = std::move(orderId);
    int count = 0;
    for (const wizard::SelectedPhoto& photo : order.photos()) {
        count += photo.hasAnyLine() ? 1 : 0;
    }
    int number = 0;
    const std::vector<wizard::SelectedPhoto>& photos = order.photos();
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const wizard::SelectedPhoto& photo = photos[i];
        if (!photo.hasAnyLine()) {
            continue;
        }
        ++number;
        if (numbers && std::find(numbers->begin(), numbers->end(), number) == numbers->end()) {
            continue;
        }
        wizard::SelectedPhoto sent = photo;
        if (numbers) {
            if (std::optional<FileStamp> now = StampOf(photo.path)) {
                sent.fileSize = now->size;
            }
        }
        std::optional<std::string> manifest =
            BuildPhotoManifest(docs, sent, prepared.orderId, number, count, debugDump);
        if (!manifest) {
            prepared.items.clear();
            SettleMessage(kCodeUnspecified, prepared.message);
            return prepared;
        }
        UploadItem item;
        item.photoIndex = static_cast<int>(i);
        item.number = number;
        item.path = photo.path;
        item.mediaType = std::string(MediaType(photo.contentTypeIndex));
        item.size = sent.fileSize;
        item.manifest = std::move(*manifest);
        // Only what is sent: a photo without prints adds nothing.
        prepared.totalBytes += RequestBodyLength(item);
        prepared.items.push_back(std::move(item));
    }
    prepared.ok = true;
    return prepared;
}

}  // namespace

PreparedUpload PrepareUpload(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                             const DiagnosticSink& debugDump) {
    return Prepare(docs, order, MakeOrderId(), nullptr, debugDump);
}

PreparedUpload PrepareResumedUpload(const wizard::CXmlDocuments& docs,
                                    const wizard::OrderModel& order, const std::string& orderId,
                                    const std::vector<int>& numbers,
                                    const DiagnosticSink& debugDump) {
    return Prepare(docs, order, orderId, &numbers, debugDump);
}

}  // namespace orlavo::transmission
