// quenbrix-bench: block reads against quenbrix-sim over a pseudo-terminal,
// through the same QtSerialPort, QtHost and Line the program uses.
//
// It judges two things:
//  - the read time: from the write of the request until the whole answer is
//    in, less the request's own time on the wire (the simulated decoder, like
//    the real one, answers only once the frame has crossed the line), against
//    1.02 x the answer's wire time + 2 ms;
//  - the CPU the program spends while it waits for an answer that does not
//    come, as a share of one core. The CPU during block reads is shown too;
//  - a backup of the whole memory (1024 characters) along quenbrix-cli's
//    path: the console host, the decoder session and the memory backup, from
//    the start of the backup until its file is saved, less the request's own
//    time on the wire, against 1.02 x the answer's wire time + 50 ms.

#include "cli/ConsoleView.h"
#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "platform/ConsoleHost.h"
#include "platform/PortDirectory.h"
#include "platform/QtHost.h"
#include "platform/QtSerialPort.h"
#include "platform/Stores.h"
#include "session/DecoderSession.h"
#include "session/Line.h"
#include "session/MemoryBackup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <numeric>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int Baud = 4800;
constexpr double CharMs = 10.0 * 1000.0 / Baud;
constexpr int AnswerChars = 79;  // protocol variant 2
constexpr int RequestChars = 2;  // block read: command byte and CR
constexpr double AnswerWireMs = AnswerChars * CharMs;
constexpr double RequestWireMs = RequestChars * CharMs;
constexpr double ReadTargetMs = 1.02 * AnswerWireMs + 2.0;
constexpr double CpuTargetPercent = 1.0;
constexpr int DumpChars = 1024;
constexpr double DumpWireMs = DumpChars * CharMs;
constexpr double BackupTargetMs = 1.02 * DumpWireMs + 50.0;

class NoSettings : public qb::SettingsStore {
public:
    QString value(const QString&, const QString&, const QString&, const QString& defaultValue) const override
    {
        return defaultValue;
    }
    void setValue(const QString&, const QString&, const QString&, const QString&) override {}
};

class NoMachineStore : public qb::MachineStore {
public:
    bool writeValue(const QString&, const QString&, const QVariant&) override { return true; }
};

class NoProgress : public qb::BackupProgress {
public:
    void showProgress(int, int, int) override {}
    void setProgress(int) override {}
    void hideProgress() override {}
};

double wallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// User and system CPU of this process, in ms.
std::pair<double, double> cpuSplitMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString findSimulator(const QStringList& args)
{
    if (const qsizetype at = args.indexOf(QStringLiteral("--sim")); at >= 0 && at + 1 < args.size())
        return args[at + 1];
    const QString built = QStringLiteral(QUENBRIX_SIM_PATH);
    if (QFileInfo(built).isExecutable())
        return built;
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {here.filePath("quenbrix-sim"), here.filePath("../src/quenbrix-sim")})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    return {};
}

int argValue(const QStringList& args, const QString& name, int fallback)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
}

const char* verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

struct BackupTimes {
    std::vector<double> ms;
    bool allSaved = true;
    QString failure;
};

// Backups as quenbrix-cli makes them: connect and identify once, then back
// the memory up `count` times into a fresh folder.
BackupTimes timeBackups(const QString& device, int count)
{
    BackupTimes times;
    NoSettings settings;
    NoMachineStore machine;
    qb::PortDirectory directory(settings, [] { return QStringList(); });
    directory.pin(1, device);
    qb::ConsoleHost host(nullptr);
    qb::QtSerialPort port(host, directory);
    qb::cli::ConsoleView view;
    qb::DecoderSession session({host, port, settings, machine, false}, view);
    session.loadSettings(QString(), 1);
    session.openAtStart();
    if (session.runStartupSequence() != qb::DecoderSession::StartupOutcome::Identified) {
        times.allSaved = false;
        times.failure = QStringLiteral("the decoder was not identified");
        return times;
    }
    QTemporaryDir dir;
    NoProgress progress;
    qb::MemoryBackup backup(session, progress);
    for (int i = 0; i < count; ++i) {
        const QString file = dir.filePath(QStringLiteral("bench-%1.epr").arg(i));
        const double t0 = wallMs();
        const qb::BackupOutcome outcome = backup.backUp(file);
        times.ms.push_back(wallMs() - t0 - RequestWireMs);
        if (outcome != qb::BackupOutcome::Done || QFileInfo(file).size() == 0) {
            times.allSaved = false;
            times.failure = host.shown().value(host.shown().size() - 1);
        }
    }
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--help"))) {
        std::printf("Usage: quenbrix-bench [--sim PATH] [--reads N] [--idle-ms MS] [--backups N] [--verbose]\n");
        return 0;
    }
    const int reads = std::max(1, argValue(args, QStringLiteral("--reads"), 30));
    const int idleMs = std::max(100, argValue(args, QStringLiteral("--idle-ms"), 2000));
    const int backups = std::max(1, argValue(args, QStringLiteral("--backups"), 3));
    const bool verbose = args.contains(QStringLiteral("--verbose"));

    const QString simPath = findSimulator(args);
    if (simPath.isEmpty()) {
        std::fprintf(stderr, "quenbrix-bench: quenbrix-sim not found (give --sim PATH)\n");
        return 2;
    }
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simPath, {QStringLiteral("--baud"), QString::number(Baud)});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "quenbrix-bench: %s did not start\n", qPrintable(simPath));
        return 2;
    }
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    // The simulator prints nothing more; without its pipe the event loop waits
    // on what the program's own would.
    sim.closeReadChannel(QProcess::StandardOutput);

    NoSettings settings;
    qb::PortDirectory directory(settings, [] { return QStringList(); });
    directory.pin(1, device);
    qb::QtHost host;
    qb::QtSerialPort port(host, directory);
    if (port.open(1, QStringLiteral("4800,N,8,1")) != qb::OpenError::None) {
        std::fprintf(stderr, "quenbrix-bench: cannot open %s: %s\n", qPrintable(device),
                     qPrintable(port.errorString()));
        sim.kill();
        sim.waitForFinished();
        return 2;
    }
    qb::DecoderIdentity identity;
    identity.ProtocolVariant = 2;
    qb::Line line(host, port, identity);
    const qb::Line::Operation operation = line.begin();

    std::printf("quenbrix-bench: %d block reads at %d baud on %s (simulator %s)\n", reads, Baud,
                qPrintable(device), qPrintable(simPath));

    bool allAnswered = true;
    auto readOnce = [&](double& readMs, double& cpuShare) {
        const double c0 = cpuMs();
        const double t0 = wallMs();
        const qb::Reply reply = line.readBlock(1);
        const double t1 = wallMs();
        const double c1 = cpuMs();
        if (!reply.ok() || reply.text.size() != AnswerChars)
            allAnswered = false;
        readMs = (t1 - t0) - RequestWireMs;
        cpuShare = 100.0 * (c1 - c0) / (t1 - t0);
    };

    double readMs = 0, cpuShare = 0;
    readOnce(readMs, cpuShare);  // warm-up: first allocations, first notifier set-up
    std::vector<double> readTimes, readCpu;
    const auto [user0, system0] = cpuSplitMs();
    for (int i = 0; i < reads; ++i) {
        readOnce(readMs, cpuShare);
        readTimes.push_back(readMs);
        readCpu.push_back(cpuShare);
        if (verbose)
            std::printf("  read %3d: %.2f ms, CPU %.2f %%\n", i + 1, readMs, cpuShare);
    }
    const auto [user1, system1] = cpuSplitMs();

    // A frame the decoder does not answer (a servo decoder has no RAM image
    // to send): the whole wait is idle.
    line.setResponseTimeout(idleMs);
    const double c0 = cpuMs();
    const double t0 = wallMs();
    const qb::Reply idle = line.exchange(qb::commands::ramDump());
    const double idleWallMs = wallMs() - t0;
    const double idleCpuMs = cpuMs() - c0;
    const bool idleTimedOut = idle.status == qb::ReplyStatus::TimedOut;
    const double idleShare = 100.0 * idleCpuMs / idleWallMs;

    port.close();
    const BackupTimes backupTimes = timeBackups(device, backups);
    sim.terminate();
    if (!sim.waitForFinished(3000)) {
        sim.kill();
        sim.waitForFinished();
    }

    const double readMedian = median(readTimes);
    const double readMax = *std::max_element(readTimes.begin(), readTimes.end());
    const double readMin = *std::min_element(readTimes.begin(), readTimes.end());
    const double cpuMedian = median(readCpu);
    const double cpuMax = *std::max_element(readCpu.begin(), readCpu.end());

    const bool readPass = allAnswered && readMax <= ReadTargetMs;
    const bool idlePass = idleTimedOut && idleShare < CpuTargetPercent;
    const bool readCpuPass = cpuMedian < CpuTargetPercent;

    std::printf("\nRead time = write call .. %d characters in, less the request's %d characters on the wire"
                " (%.1f ms)\n",
                AnswerChars, RequestChars, RequestWireMs);
    std::printf("  answer wire time        %7.1f ms\n", AnswerWireMs);
    std::printf("  min / median / max      %7.1f / %.1f / %.1f ms  (over wire: median %+.2f ms, max %+.2f ms)\n",
                readMin, readMedian, readMax, readMedian - AnswerWireMs, readMax - AnswerWireMs);
    std::printf("  target <= 1.02 x wire + 2 ms = %.1f ms%s: %s\n", ReadTargetMs,
                allAnswered ? "" : " (some reads were not answered)", verdict(readPass));

    std::printf("\nCPU share of one core while waiting for an answer that does not come\n");
    std::printf("  idle wait of %.0f ms: %.3f %% (%.2f ms CPU)%s\n", idleWallMs, idleShare, idleCpuMs,
                idleTimedOut ? "" : " -- but an answer came");
    std::printf("  target < %.0f %% of one core: %s\n", CpuTargetPercent, verdict(idlePass));
    // The port wakes the program only when (nearly) the whole answer is in, so
    // a read costs a few wake-ups, not one per character. The median is the
    // typical read; single reads can catch unrelated work of the machine.
    const double totalShare = 100.0 * ((user1 - user0) + (system1 - system0)) /
                              std::accumulate(readTimes.begin(), readTimes.end(), reads * RequestWireMs);
    std::printf("\nCPU share of one core while waiting for a block to arrive\n");
    std::printf("  median %.2f %%, max %.2f %%, all reads together %.2f %%; per read %.2f ms user + %.2f ms system\n",
                cpuMedian, cpuMax, totalShare, (user1 - user0) / reads, (system1 - system0) / reads);
    std::printf("  target < %.0f %% of one core (median): %s\n", CpuTargetPercent, verdict(readCpuPass));

    const bool backupPass = backupTimes.allSaved && !backupTimes.ms.empty() &&
                            *std::max_element(backupTimes.ms.begin(), backupTimes.ms.end()) <= BackupTargetMs;
    std::printf("\nBackup along quenbrix-cli's path = start .. file saved, less the request's wire time\n");
    std::printf("  dump wire time          %7.1f ms (%d characters)\n", DumpWireMs, DumpChars);
    if (!backupTimes.ms.empty()) {
        std::printf("  min / median / max      %7.1f / %.1f / %.1f ms over %zu backups\n",
                    *std::min_element(backupTimes.ms.begin(), backupTimes.ms.end()), median(backupTimes.ms),
                    *std::max_element(backupTimes.ms.begin(), backupTimes.ms.end()), backupTimes.ms.size());
    }
    std::printf("  target <= 1.02 x wire + 50 ms = %.1f ms%s%s: %s\n", BackupTargetMs,
                backupTimes.allSaved ? "" : " -- failed: ", qPrintable(backupTimes.failure), verdict(backupPass));

    const bool pass = readPass && idlePass && readCpuPass && backupPass;
    std::printf("\n%s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
