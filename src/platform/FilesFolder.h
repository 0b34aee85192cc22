#pragma once

#include <QString>

namespace qb {

// Where the file dialogs start on the first start, and where the RAM image is
// written until the user has chosen a folder: the program's own folder when
// the program lives in a folder of the user's, the user's home when it is
// installed among the system's programs (a Debian package in /usr/bin) or
// its folder cannot be written.
QString startFilesFolder(const QString& programFolder, const QString& homeFolder);

}  // namespace qb
