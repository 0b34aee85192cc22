#pragma once

#include "cli/CliOptions.h"
#include "cli/ConsoleView.h"

#include <QJsonObject>
#include <cstdio>
#include <functional>
#include <memory>

namespace qb {

class DecoderSession;
class MemoryBackup;
enum class BackupOutcome;
class Host;
class MachineStore;
class SerialPort;
class SettingsStore;

namespace cli {

// quenbrix-cli's commands on the decoder session: the same detection,
// identification, block check and decode as the window, without a window.
class Tool {
public:
    struct Services {
        Host& host;
        SerialPort& port;
        SettingsStore& settings;
        MachineStore& machine;
        std::FILE* out = stdout;
        std::FILE* err = stderr;
        // The messages the host has shown so far, the window's texts that
        // tell how a backup, restore or comparison went.
        std::function<QStringList()> shownMessages = {};
    };
    Tool(const Options& options, Services services);
    ~Tool();

    // Runs the command; the program's exit status.
    int run();

private:
    int connect();
    int identify();
    int read();
    int backUp();
    int restore();
    int verify();
    // Runs a backup, restore or comparison, printing the messages it showed.
    int runBackup(const QString& label, const std::function<BackupOutcome(MemoryBackup&)>& work);
    // One output's settings, or the exit status of the failure (reported).
    std::optional<QJsonObject> readOutput(int n, int& exit);
    void printReadable(const QJsonObject& output);
    void print(const QString& text);
    void fail(const QString& text);
    void progress(const QString& text);

    const Options& options_;
    Services services_;
    ConsoleView view_;
    std::unique_ptr<DecoderSession> session_;
    bool terminal_ = false;  // the error stream is a terminal: progress lines go there
};

}  // namespace cli
}  // namespace qb
