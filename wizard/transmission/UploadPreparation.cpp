#include "wizard/transmission/UploadPreparation.h"

#include "wizard/transmission/FailureCode.h"
#include "wizard/transmission/FormParts.h"

namespace orlavo::transmission {

PreparedUpload PrepareUpload(const wizard::CXmlDocuments& docs, const wizard::OrderModel& order,
                             const DiagnosticSink& debugDump) {
    PreparedUpload prepared;
    prepared.orderId = MakeOrderId();
    prepared.totalBytes = order.selectedBytes();
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
        std::optional<std::string> manifest =
            BuildPhotoManifest(docs, photo, prepared.orderId, number, count, debugDump);
        if (!manifest) {
            prepared.items.clear();
            SettleMessage(kCodeUnspecified, prepared.message);
            return prepared;
        }
        UploadItem item;
        item.photoIndex = static_cast<int>(i);
        item.path = photo.path;
        item.mediaType = std::string(MediaType(photo.contentTypeIndex));
        item.size = photo.fileSize;
        item.manifest = std::move(*manifest);
        prepared.items.push_back(std::move(item));
    }
    prepared.ok = true;
    return prepared;
}

}  // namespace orlavo::transmission
