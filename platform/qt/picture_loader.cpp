#include <sys/stat.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/core/profile_io.h"
#include "platform/qt/guard.h"
#include "platform/qt/picture_loader.h"

namespace vos {

namespace {

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The existing file for `path`: itself, or the one entry of its folder whose
// name matches it ignoring ASCII case. Empty when there is none.
std::string findFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p(path);
    if (fs::exists(p, ec)) return path;
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string wanted = lowerAscii(p.filename().string());
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (lowerAscii(it->path().filename().string()) == wanted) return it->path().string();
    }
    return {};
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Pictures of the other formats, read through Qt from the bytes of a
// regular file; their size is judged from the header before the decode.
QImage decodeOther(const std::string& path, const std::string& shownPath, QSize expected) {
    FileBytes file = ReadWholeFile(path);  // regular files only, never waits
    if (file.error != 0) throw Error("Impossible d'ouvrir l'image \"" + shownPath + "\"");
    QByteArray bytes = QByteArray::fromStdString(file.bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && !pictureSizeAllowed(size)) throw Error(tooLargeMessage(shownPath, size));
    if (expected.isValid() && size.isValid() && size != expected) return {};
    QImage img;
    if (!reader.read(&img)) throw Error("Image endommagée ou illisible \"" + shownPath + "\"");
    if (!pictureSizeAllowed(img.size())) throw Error(tooLargeMessage(shownPath, img.size()));
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage load(const std::string& path, std::string* actualPath, QSize expected) {
    const std::string ext = lowerAscii(std::filesystem::path(path).extension().string());
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    if (!jpeg && ext != ".bmp" && ext != ".png")
        throw Error("Format d'image inconnu (extension \"" + ext + "\") : \"" + path + "\"");
    const std::string actual = findFile(path);
    if (actual.empty()) throw Error("Image introuvable : \"" + path + "\"");
    if (!isRegularFile(actual)) throw Error("Impossible d'ouvrir l'image \"" + path + "\"");
    if (actualPath) *actualPath = actual;
    if (jpeg) return decodeJpegFile(actual, expected);
    return decodeOther(actual, path, expected);
}

}  // namespace

bool pictureSizeAllowed(QSize size) {
    return size.width() > 0 && size.height() > 0 &&
           static_cast<long long>(size.width()) * size.height() <= kMaxPicturePixels;
}

std::string tooLargeMessage(const std::string& path, QSize size) {
    return "Image trop grande \"" + path + "\" : " + std::to_string(size.width()) + " x " +
           std::to_string(size.height()) + " pixels, au plus " + std::to_string(kMaxPicturePixels) +
           " pixels";
}

QImage loadPictureFile(const std::string& path, std::string* actualPath) { return load(path, actualPath, {}); }

QImage loadSharpVariant(const std::string& path, QSize size) {
    std::filesystem::path p(path);
    const std::string ext = p.extension().string();
    p.replace_filename(p.stem().string() + "@2x" + ext);
    if (findFile(p.string()).empty()) return {};
    try {
        QImage img = load(p.string(), nullptr, size);
        return img.size() == size ? img : QImage();
    } catch (const Error&) {
        return {};
    }
}

}  // namespace vos
