#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace qb::cli {

// What the command line asks for.
struct Options {
    QString port;       // a device path, or a port number 1..20 as the window counts them
    bool demo = false;  // the built-in demo decoder instead of a port
    QString demoId = QStringLiteral("R5--XC45");
    bool json = false;
    QString logPath;    // the protocol monitor's file
    bool force = false; // overwrite an existing backup
    bool verbose = false; // also the messages the window would show
    bool help = false;
    QString command;    // identify, read, backup, restore, verify
    QStringList arguments;
    QString error;      // what is wrong with the command line; empty when it is fine
};

// quenbrix-cli [options] COMMAND [ARGUMENTS] (the program name comes first).
Options parseOptions(const QStringList& arguments);
QString usageText();

// The port number for `--port`: the number itself, or 1 for a device path.
std::optional<int> portNumberOf(const QString& port);

// Exit status of the tool.
enum Exit : int {
    Success = 0,
    Usage = 2,
    PortFailed = 3,
    NoDecoder = 4,
    WrongDecoder = 5,
    DecoderError = 6,  // a time-out, a refusal, an unusable answer
    FileError = 7,     // a damaged file, or one that cannot be read or written
    Differs = 8,       // the backup and the decoder differ
};

}  // namespace qb::cli
