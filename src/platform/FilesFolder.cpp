#include "platform/FilesFolder.h"

#include <QDir>
#include <QFileInfo>

namespace qb {

namespace {

bool isSystemFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(QDir::fromNativeSeparators(folder)) + QLatin1Char('/');
    for (const char* system : {"/usr/", "/bin/", "/sbin/", "/opt/", "/snap/"})
        if (path.startsWith(QLatin1String(system)))
            return true;
    return path.contains(QLatin1String("/Program Files"), Qt::CaseInsensitive);
}

}  // namespace

QString startFilesFolder(const QString& programFolder, const QString& homeFolder)
{
    const QFileInfo folder(programFolder);
    if (programFolder.isEmpty() || !folder.isDir() || !folder.isWritable() || isSystemFolder(programFolder))
        return homeFolder;
    return programFolder;
}

}  // namespace qb
