#pragma once
// The faces the program's design asks for by name, and the free faces of
// the same metrics that stand in for them where they are not installed
// (Debian's fonts-liberation2). Every control's font lists them after the
// face itself, so a caption takes the width it was designed for whatever
// the desktop's own font configuration would pick instead (a wider face
// clips the texts or runs them into their neighbours). Private to
// platform/qt.
#include <QString>
#include <QStringList>
#include <array>
#include <string_view>

namespace vos {

struct FaceStandIns {
    std::string_view face;
    std::array<std::string_view, 3> standIns;  // in order of preference; "" = none
};

inline constexpr std::array<FaceStandIns, 3> kFaceStandIns{{
    {"Arial", {"Liberation Sans", "Arimo", ""}},
    // The dialogs' face has Arial's widths at its design size.
    {"MS Sans Serif", {"Microsoft Sans Serif", "Liberation Sans", "Arimo"}},
    {"Microsoft Sans Serif", {"Liberation Sans", "Arimo", ""}},
}};

// The face itself first, then its stand-ins.
inline QStringList faceFamilies(const QString& face) {
    QStringList out{face};
    for (const FaceStandIns& f : kFaceStandIns) {
        if (face.compare(QLatin1String(f.face.data(), static_cast<qsizetype>(f.face.size())), Qt::CaseInsensitive))
            continue;
        for (std::string_view s : f.standIns)
            if (!s.empty()) out << QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
    }
    return out;
}

}  // namespace vos
