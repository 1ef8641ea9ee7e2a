#include "ui/qt/record_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace quelvar::ui::qt {

namespace {

bool managedByThePackageManager(const std::filesystem::path& folder) {
    const std::filesystem::path normal = folder.lexically_normal();
    auto it = normal.begin();
    return normal.is_absolute() && ++it != normal.end() && *it == "usr";
}

std::string withSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return QFile::encodeName(folder).toStdString();
}

}  // namespace

std::optional<std::string> InstalledProgramRecordFolder(const std::filesystem::path& programFolder) {
    const bool writable = ::access(programFolder.c_str(), W_OK | X_OK) == 0;
    if (writable && !managedByThePackageManager(programFolder)) return std::nullopt;

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return withSeparator(documents);
    return withSeparator(QDir::homePath());
}

}  // namespace quelvar::ui::qt
