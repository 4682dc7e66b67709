#pragma once
// The Qt environment of every in-process program of the tree that is not the
// panel itself (tests, benchmarks, fuzz targets): the offscreen platform
// unless QT_QPA_PLATFORM says otherwise, and a private runtime folder, which
// Qt wants and CI shells often lack. Call before the application object.
#include <QDir>
#include <QFile>
#include <QString>
#include <unistd.h>

namespace vos::test {

inline void prepareQtEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + QStringLiteral("/vos-runtime-%1").arg(::getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
}

}  // namespace vos::test
