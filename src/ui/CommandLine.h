#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qb {

struct CommandLine {
    std::optional<int> pinnedPort;  // the port this run uses
    QString device;                 // pinned to it; empty with the demo decoder
    bool demo = false;
    QString demoId = QStringLiteral("R5--XC45");
    QString logPath;  // the protocol monitor's file; empty for none
    bool help = false;
    QString error;  // what is wrong with the arguments, empty when they are fine
};

// --port [N=]DEVICE, --demo[=ID], --log FILE, --help (the program name comes first).
CommandLine parseCommandLine(const QStringList& arguments);
QString usageText();

}  // namespace qb
