// quenbrix-sim: one simulated decoder behind a pseudo-terminal, so the program
// (or a test) can talk to it over a real serial device at real line timing.

#include "platform/PseudoTerminal.h"
#include "simulator/DecoderDevice.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>

namespace {

using qb::sim::DecoderDevice;
using qb::sim::FrameRecord;

constexpr int IdleWaitMs = 100;       // bounds how late a stop signal is noticed
constexpr qint64 ClosedPollUs = 50'000;  // while nobody has the device open

const char* const Usage =
    "Usage: quenbrix-sim [--id ID] [--baud 4800|9600] [--log FILE] [--variant N]\n"
    "\n"
    "Offers one simulated decoder on a pseudo-terminal. The first line on standard\n"
    "output is the device path to open. Runs until interrupted (SIGINT/SIGTERM).\n"
    "\n"
    "  --id ID        identification, up to 8 characters (default R5--XC45)\n"
    "  --baud RATE    line speed the decoder listens at: 4800 (default) or 9600\n"
    "  --log FILE     one line per frame: seconds since start, RX (received by the\n"
    "                 decoder) or TX (sent by it), the bytes in hex\n"
    "  --variant N    block format 1, 2 or 3 (default: implied by the id)\n"
    "  --protocol P   dcc (default) or motorola: what the status digit says the\n"
    "                 decoder runs; a Motorola decoder starts on address 1\n"
    "  --fault KIND@N every answer to the block read of output N (1..16) is\n"
    "                 disturbed; KIND@0xCC every answer to command byte CC.\n"
    "                 KIND: silent, refuse, garbage, short, extra, framing,\n"
    "                 noise (framing errors and no answer), wrong-output,\n"
    "                 shifted (a stray character first, the block moved by one),\n"
    "                 late (the answer starts after a pause of half a second),\n"
    "                 zeroed (as many characters as due, all of them \"0\").\n"
    "                 May be given several times.\n"
    "  --help         this text\n";

struct Options {
    qb::sim::DeviceConfig device;
    QString logPath;
    bool help = false;
};

// "silent@3", "refuse@0xCA": a fault on the block reads of an output or on a command byte.
std::optional<qb::sim::StandingFault> parseFault(const QString& text)
{
    using qb::sim::Fault;
    const std::pair<const char*, Fault> kinds[] = {
        {"silent", Fault::NoAnswer},  {"refuse", Fault::Refusal}, {"garbage", Fault::Garbage},
        {"short", Fault::ShortAnswer}, {"extra", Fault::ExtraChars}, {"framing", Fault::FrameError},
        {"noise", Fault::Noise},      {"wrong-output", Fault::WrongOutputDigit}, {"shifted", Fault::Shifted},
        {"late", Fault::Delayed},     {"zeroed", Fault::Zeroed},
    };
    const qsizetype at = text.indexOf('@');
    if (at < 0)
        return std::nullopt;
    const QString kind = text.left(at);
    const QString target = text.mid(at + 1);
    qb::sim::StandingFault fault;
    const auto found = std::find_if(std::begin(kinds), std::end(kinds),
                                    [&](const auto& k) { return kind == QLatin1String(k.first); });
    if (found == std::end(kinds))
        return std::nullopt;
    fault.fault = found->second;
    bool ok = false;
    if (target.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        fault.command = target.mid(2).toInt(&ok, 16);
        ok = ok && fault.command >= 0 && fault.command <= 255;
    } else {
        fault.blockOutput = target.toInt(&ok);
        ok = ok && fault.blockOutput >= 1 && fault.blockOutput <= 16;
    }
    return ok ? std::optional(fault) : std::nullopt;
}

// Options as "--name value" or "--name=value"; an error text when they make no sense.
std::optional<Options> parseArguments(int argc, char** argv, std::string& error)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        QString name = QString::fromLocal8Bit(argv[i]);
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf('='); name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
        }
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (name != QLatin1String("--id") && name != QLatin1String("--baud") && name != QLatin1String("--log") &&
            name != QLatin1String("--variant") && name != QLatin1String("--fault") &&
            name != QLatin1String("--protocol")) {
            error = "unknown argument: " + name.toStdString();
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= argc) {
                error = "missing value after " + name.toStdString();
                return std::nullopt;
            }
            value = QString::fromLocal8Bit(argv[++i]);
        }
        bool ok = false;
        if (name == QLatin1String("--id")) {
            const QByteArray id = value->toLatin1();
            bool printable = !id.isEmpty() && id.size() <= 8;
            for (char c : id)
                printable = printable && c > ' ' && c < 127;
            if (!printable) {
                error = "--id needs 1 to 8 printable characters";
                return std::nullopt;
            }
            options.device.id = id;
        } else if (name == QLatin1String("--baud")) {
            const int baud = value->toInt(&ok);
            if (!ok || (baud != 4800 && baud != 9600)) {
                error = "--baud must be 4800 or 9600";
                return std::nullopt;
            }
            options.device.baud = baud;
        } else if (name == QLatin1String("--fault")) {
            const std::optional<qb::sim::StandingFault> fault = parseFault(*value);
            if (!fault) {
                error = "--fault needs KIND@OUTPUT or KIND@0xCOMMAND, e.g. silent@3 or refuse@0xCA";
                return std::nullopt;
            }
            options.device.standingFaults.push_back(*fault);
        } else if (name == QLatin1String("--protocol")) {
            if (*value != QLatin1String("dcc") && *value != QLatin1String("motorola")) {
                error = "--protocol must be dcc or motorola";
                return std::nullopt;
            }
            options.device.motorola = *value == QLatin1String("motorola");
        } else if (name == QLatin1String("--variant")) {
            const int variant = value->toInt(&ok);
            if (!ok || variant < 1 || variant > 3) {
                error = "--variant must be 1, 2 or 3";
                return std::nullopt;
            }
            options.device.variant = variant;
        } else {
            if (value->isEmpty()) {
                error = "--log needs a file name";
                return std::nullopt;
            }
            options.logPath = *value;
        }
    }
    return options;
}

// Carries bytes between the pseudo-terminal and the device at wire timing:
// a frame reaches the device only once its characters would have crossed the
// line, and every answer character leaves at its own absolute deadline.
class LineServer {
public:
    LineServer(qb::PseudoTerminal& pty, const qb::sim::DeviceConfig& config, std::FILE* log)
        : pty_(pty), device_(config), log_(log), startUs_(qb::monotonicUs())
    {
    }

    void run()
    {
        while (!qb::stopSignalled()) {
            if (outgoing_.empty()) {
                serviceInput(IdleWaitMs);
                continue;
            }
            qb::sleepUntilUs(outgoing_.front().deadlineUs);
            if (qb::stopSignalled())
                break;
            const qint64 now = qb::monotonicUs();
            QByteArray due;
            while (!outgoing_.empty() && outgoing_.front().deadlineUs <= now) {
                due += outgoing_.front().byte;
                outgoing_.pop_front();
            }
            if (!due.isEmpty() && !pty_.write(due))
                outgoing_.clear();
            serviceInput(0);
        }
    }

private:
    struct Outgoing {
        char byte;
        qint64 deadlineUs;
    };

    static qint64 wireTimeUs(qsizetype chars, int baud)
    {
        // 10 bits a character; computed per character count so rounding never adds up.
        return chars * 10'000'000LL / baud;
    }

    void serviceInput(int timeoutMs)
    {
        QByteArray bytes;
        switch (pty_.read(bytes, timeoutMs)) {
        case qb::PseudoTerminal::ReadResult::Data:
            hungUp_ = false;
            received(bytes);
            break;
        case qb::PseudoTerminal::ReadResult::Nothing:
            hungUp_ = false;
            break;
        case qb::PseudoTerminal::ReadResult::Closed:
            if (!hungUp_) {
                hungUp_ = true;
                outgoing_.clear();  // nobody listens; a reopened port starts clean
            }
            // The closed state reports at once: check again a little later.
            qb::sleepUntilUs(qb::monotonicUs() + ClosedPollUs);
            break;
        }
    }

    void received(const QByteArray& bytes)
    {
        const int lineBaud = pty_.slaveBaud();
        const int timingBaud = lineBaud > 0 ? lineBaud : device_.baud();
        const qint64 now = qb::monotonicUs();
        inboundFreeUs_ = std::max(now, inboundFreeUs_) + wireTimeUs(bytes.size(), timingBaud);
        const qint64 arrivedUs = inboundFreeUs_;

        // A pseudo-terminal cannot show a framing error, so only the bytes of a reply go out.
        for (const auto& reply : device_.receive(bytes, lineBaud, arrivedUs - startUs_)) {
            const qint64 start = std::max(arrivedUs + reply.pauseUs, outboundFreeUs_);
            for (qsizetype i = 0; i < reply.bytes.size(); ++i)
                outgoing_.push_back({reply.bytes[i], start + wireTimeUs(i + 1, device_.baud())});
            outboundFreeUs_ = start + wireTimeUs(reply.bytes.size(), device_.baud());
        }
        writeLog();
    }

    void writeLog()
    {
        if (log_) {
            for (const FrameRecord& record : device_.log()) {
                const QByteArray hex = record.bytes.toHex(' ').toUpper();
                std::fprintf(log_, "%lld.%06lld %s %s%s\n", record.timeUs / 1'000'000,
                             record.timeUs % 1'000'000,
                             record.direction == FrameRecord::Direction::Received ? "RX" : "TX",
                             hex.constData(), record.garbled ? " garbled" : "");
                std::fflush(log_);  // read while the simulator runs
            }
            // So that a user watching the log sees the outputs move.
            for (const DecoderDevice::Move& move : device_.moves()) {
                const char* end = move.to == device_.value16(move.output, 5)   ? " (left end)"
                                  : move.to == device_.value16(move.output, 9) ? " (right end)"
                                                                               : "";
                std::fprintf(log_, "%lld.%06lld -- output %d moves from %d to %d%s\n", move.timeUs / 1'000'000,
                             move.timeUs % 1'000'000, move.output, move.from, move.to, end);
                std::fflush(log_);
            }
        }
        device_.clearLog();
    }

    qb::PseudoTerminal& pty_;
    DecoderDevice device_;
    std::FILE* log_;
    const qint64 startUs_;
    std::deque<Outgoing> outgoing_;
    qint64 inboundFreeUs_ = 0;
    qint64 outboundFreeUs_ = 0;
    bool hungUp_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const std::optional<Options> options = parseArguments(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "quenbrix-sim: %s\nTry 'quenbrix-sim --help'.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(Usage, stdout);
        return 0;
    }

    std::FILE* log = nullptr;
    if (!options->logPath.isEmpty()) {
        log = std::fopen(options->logPath.toLocal8Bit().constData(), "w");
        if (!log) {
            std::fprintf(stderr, "quenbrix-sim: cannot write %s\n", qPrintable(options->logPath));
            return 1;
        }
    }

    qb::PseudoTerminal pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "quenbrix-sim: %s\n", qPrintable(pty.errorString()));
        if (log)
            std::fclose(log);
        return 1;
    }
    qb::catchStopSignals();
    std::printf("%s\n", pty.devicePath().toLocal8Bit().constData());
    std::fflush(stdout);

    LineServer(pty, options->device, log).run();

    if (log)
        std::fclose(log);
    return 0;
}
