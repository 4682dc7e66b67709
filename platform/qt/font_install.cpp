#include <QFont>
#include <QFontDatabase>
#include <QRawFont>

#include "platform/qt/desktop.h"
#include "platform/qt/qt_convert.h"

namespace vos {

// The face the character screen asks for by name.
constexpr const char* kScreenFace = "Lucida Sans Typewriter";

// The substitution is set before the file is added: adding a font clears
// Qt's font caches, so fonts already resolved with a fallback face (a label
// painted before the installation) resolve again, to the new face.
bool installFont(const std::string& path) {
    const QString file = qtconv::toQString(path);
    const QRawFont probe(file, 12);
    if (!probe.isValid() || probe.familyName().isEmpty()) return false;
    const QString family = probe.familyName();
    const QString face = QString::fromLatin1(kScreenFace);
    const QStringList before = QFont::substitutes(face);
    QFont::insertSubstitution(face, family);
    if (QFontDatabase::addApplicationFont(file) < 0) {
        QFont::removeSubstitutions(face);
        if (!before.isEmpty()) QFont::insertSubstitutions(face, before);
        return false;
    }
    return true;
}

}  // namespace vos
