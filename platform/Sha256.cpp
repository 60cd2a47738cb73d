#include "platform/Sha256.h"

#include <QCryptographicHash>

namespace orlavo {

struct Sha256::Impl {
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

Sha256::Sha256() : impl_(std::make_unique<Impl>()) {}
Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes) {
    impl_->hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string Sha256::hex() const {
    return impl_->hash.result().toHex().toStdString();
}

std::string Sha256Hex(std::string_view bytes) {
    Sha256 h;
    h.add(bytes);
    return h.hex();
}

bool Sha256Matches(std::string_view text, std::string_view hex) {
    if (text.size() != 64 || hex.size() != 64)
        return false;
    for (std::size_t i = 0; i < 64; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) || c != hex[i])
            return false;
    }
    return true;
}

}  // namespace orlavo
