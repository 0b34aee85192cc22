#pragma once

// quenbrix-sim as a separate process on a pseudo-terminal, with its frame log.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace qb::test {

using namespace std::chrono_literals;

struct LogLine {
    bool sent = false;  // TX: the decoder sent it
    QByteArray bytes;
    bool garbled = false;
};

// quenbrix-sim running with a log; ended with the object.
class Simulator {
public:
    explicit Simulator(int baud, const QStringList& options = {})
    {
        logPath_ = dir_.filePath(QStringLiteral("sim.log"));
        process_.start(QStringLiteral(QUENBRIX_SIM_PATH),
                       QStringList{QStringLiteral("--baud"), QString::number(baud), QStringLiteral("--log"), logPath_} +
                           options);
        if (!process_.waitForStarted(5000))
            return;
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~Simulator() { stop(); }

    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    QString device() const { return device_; }
    QProcess& process() { return process_; }

    // Every line must have the log's form; a line that has not is returned empty-handed.
    std::vector<LogLine> log() const
    {
        static const QRegularExpression form(
            QStringLiteral("^\\d+\\.\\d{6} (RX|TX) ((?:[0-9A-F]{2} )*[0-9A-F]{2})( garbled)?$"));
        std::vector<LogLine> lines;
        QFile file(logPath_);
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            if (raw.isEmpty())
                continue;
            const QRegularExpressionMatch m = form.match(QString::fromLatin1(raw));
            EXPECT_TRUE(m.hasMatch()) << "log line: " << raw.constData();
            if (!m.hasMatch())
                continue;
            lines.push_back({m.captured(1) == QLatin1String("TX"),
                             QByteArray::fromHex(m.captured(2).toLatin1()), m.capturedLength(3) > 0});
        }
        return lines;
    }

    // The log as soon as it satisfies the condition, at most a few seconds later.
    template <typename Condition>
    std::vector<LogLine> logOnce(Condition condition) const
    {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        std::vector<LogLine> lines = log();
        while (!condition(lines) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);  // the simulator writes from its own process
            lines = log();
        }
        return lines;
    }

private:
    QTemporaryDir dir_;
    QString logPath_;
    QProcess process_;
    QString device_;
};

inline std::vector<LogLine> sentLines(const std::vector<LogLine>& log)
{
    std::vector<LogLine> sent;
    std::copy_if(log.begin(), log.end(), std::back_inserter(sent), [](const LogLine& l) { return l.sent; });
    return sent;
}

inline std::vector<LogLine> receivedLines(const std::vector<LogLine>& log)
{
    std::vector<LogLine> received;
    std::copy_if(log.begin(), log.end(), std::back_inserter(received),
                 [](const LogLine& l) { return !l.sent; });
    return received;
}

}  // namespace qb::test
