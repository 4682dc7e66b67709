#pragma once
// The Qt environment of every in-process program of the tree that is not the
// panel itself (tests, benchmarks, fuzz targets): the offscreen platform
// unless QT_QPA_PLATFORM says otherwise, and a private runtime folder, which
// Qt wants and CI shells often lack. Call before the application object.
//
// The offscreen platform's own screen is 800 x 800, narrower than the panel,
// which would then shrink to fit it: it is given one 1280 x 1024 screen at
// 96 pixels per inch instead, as a workshop PC would have (QT_FONT_DPI or
// QT_SCALE_FACTOR still change its density, as on a desktop).
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <unistd.h>

namespace vos::test {

inline constexpr int kTestScreenWidth = 1280;
inline constexpr int kTestScreenHeight = 1024;

inline void useTestScreen(const QString& runtimeDir) {
    const QString path = runtimeDir + QStringLiteral("/offscreen-screen.json");
    // Written aside and renamed: test processes running side by side share
    // the file and must never read it half written.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;  // Qt's own screen then
    f.write(QStringLiteral("{\"screens\": [{\"name\": \"test\", \"x\": 0, \"y\": 0, \"width\": %1, "
                           "\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n")
                .arg(kTestScreenWidth)
                .arg(kTestScreenHeight)
                .toUtf8());
    if (!f.commit()) return;
    qputenv("QT_QPA_PLATFORM", QStringLiteral("offscreen:configfile=%1").arg(path).toLocal8Bit());
}

inline void prepareQtEnvironment() {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QStringLiteral("/vos-runtime-%1").arg(::getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == QLatin1String("offscreen"))
        useTestScreen(qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

}  // namespace vos::test
