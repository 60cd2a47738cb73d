#include "wizard/photos/PhotoFolder.h"

#include <QFile>
#include <QMimeDatabase>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "wizard/photos/PhotoFormat.h"

namespace orlavo::wizard {

namespace {

namespace fs = std::filesystem;

bool IsHidden(const std::string& name) {
    return name.empty() || name.front() == '.';
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool HasJpgExtension(std::string_view name) {
    const std::size_t n = name.size();
    return n >= 4 && name[n - 4] == '.' && Lower(name[n - 3]) == 'j' && Lower(name[n - 2]) == 'p' &&
           Lower(name[n - 1]) == 'g';
}

// Calls VISIT(entry) for each entry of FOLDER that is not hidden; errors end
// the listing quietly.
template <class Visit>
void ForEachVisible(const std::string& folder, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!IsHidden(name))
            visit(*it, std::move(name));
    }
}

bool HasVisibleSubfolder(const std::string& folder) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!IsHidden(it->path().filename().string()) && it->is_directory(typeError))
            return true;
    }
    return false;
}

QString MimeByName(std::string_view name) {
    static const QMimeDatabase mimes;
    return mimes.mimeTypeForFile(DisplayName(std::string(name)), QMimeDatabase::MatchExtension)
        .name();
}

// Worth reading to tell: a name without a type of its own, or one of an image
// type we take. Videos, documents and cameras' raw files are not opened.
bool MayBePhoto(std::string_view name) {
    static const QStringList kTaken = {"application/octet-stream",
                                       "image/jpeg",
                                       "image/png",
                                       "image/tiff",
                                       "image/webp",
                                       "image/heic",
                                       "image/heif"};
    return name.find('.') == std::string_view::npos || kTaken.contains(MimeByName(name));
}

}  // namespace

bool IsPhotoName(std::string_view name) {
    if (HasJpgExtension(name) || HasOtherPhotoExtension(name))
        return true;
    if (name.find('.') == std::string_view::npos)
        return false;
    return MimeByName(name) == QLatin1String("image/jpeg");
}

bool TakesPhotoFile(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    if (!MayBePhoto(name))
        return false;
    return PhotoFormatOfFile(path) != PhotoFormat::Unknown;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::vector<PhotoEntry> ListPhotos(const std::string& folder) {
    std::vector<PhotoEntry> photos;
    ForEachVisible(folder, [&](const fs::directory_entry& entry, std::string name) {
        std::error_code ec;
        if (!entry.is_regular_file(ec))
            return;
        std::string path = JoinPath(folder, name);
        if (IsPhotoName(name) || TakesPhotoFile(path))
            photos.push_back({std::move(path), std::move(name)});
    });
    NameOrder::sort(photos, [](const PhotoEntry& p) -> const std::string& { return p.name; });
    return photos;
}

std::vector<SubfolderEntry> ListSubfolders(const std::string& folder) {
    std::vector<SubfolderEntry> folders;
    ForEachVisible(folder, [&](const fs::directory_entry& entry, std::string name) {
        std::error_code ec;
        if (!entry.is_directory(ec))
            return;
        std::string path = JoinPath(folder, name);
        const bool sub = HasVisibleSubfolder(path);
        folders.push_back({std::move(path), std::move(name), sub});
    });
    NameOrder::sort(folders, [](const SubfolderEntry& f) -> const std::string& { return f.name; });
    return folders;
}

QString NameOrder::Key(const std::string& name) {
    // Accents come apart from their letters and are dropped; case is folded.
    const QString decomposed =
        DisplayName(name).normalized(QString::NormalizationForm_KD).toCaseFolded();
    QString key;
    key.reserve(decomposed.size() + 4);
    for (qsizetype i = 0; i < decomposed.size();) {
        const QChar c = decomposed[i];
        if (c.category() == QChar::Mark_NonSpacing) {
            ++i;
            continue;
        }
        if (c < u'0' || c > u'9') {
            key += c;
            ++i;
            continue;
        }
        // A run of digits: its length (without leading zeros) first, so that
        // a plain comparison orders runs as numbers, ahead of any letter.
        qsizetype end = i;
        while (end < decomposed.size() && decomposed[end] >= u'0' && decomposed[end] <= u'9')
            ++end;
        qsizetype start = i;
        while (start + 1 < end && decomposed[start] == u'0')
            ++start;
        key += QChar(char16_t(1 + std::min<qsizetype>(end - start, 30)));
        key += QStringView(decomposed).mid(start, end - start);
        i = end;
    }
    return key;
}

QString DisplayName(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

}  // namespace orlavo::wizard
