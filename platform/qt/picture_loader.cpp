#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <filesystem>

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

}  // namespace

QImage loadPictureFile(const std::string& path, std::string* actualPath) {
    const std::string ext = lowerAscii(std::filesystem::path(path).extension().string());
    const bool jpeg = ext == ".jpg" || ext == ".jpeg";
    if (!jpeg && ext != ".bmp" && ext != ".png")
        throw Error("Format d'image inconnu (extension \"" + ext + "\") : \"" + path + "\"");
    const std::string actual = findFile(path);
    if (actual.empty()) throw Error("Image introuvable : \"" + path + "\"");
    if (actualPath) *actualPath = actual;
    if (jpeg) return decodeJpegFile(actual);
    QImage img;
    if (!img.load(QString::fromStdString(actual)))
        throw Error("Image endommagée ou illisible \"" + path + "\"");
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage loadSharpVariant(const std::string& path) {
    std::filesystem::path p(path);
    const std::string ext = p.extension().string();
    p.replace_filename(p.stem().string() + "@2x" + ext);
    if (findFile(p.string()).empty()) return {};
    try {
        return loadPictureFile(p.string());
    } catch (const Error&) {
        return {};
    }
}

}  // namespace vos
