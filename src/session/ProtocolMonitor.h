#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

namespace qb {

class Host;
struct Frame;
struct Reply;

// The protocol monitor: one line per frame sent and per answer received,
// with the time, the direction, the command's name and the bytes in hex.
//
//   14:03:27.512 gesendet  Block 1 lesen: F1 0D
//   14:03:27.690 empfangen Block 1 lesen: 30 34 ... 35 (79 Zeichen)
//   14:03:29.012 empfangen Block 2 lesen: keine Antwort (Zeitüberschreitung)
//
// It keeps the recent lines for the monitor window and writes every line to
// a log file when one is given; each line reaches the file at once, so the
// log of a session that ended badly is whole.
class ProtocolMonitor {
public:
    static constexpr int KeptLines = 5000;

    // `startedAt` is the wall-clock time at the host time `host.nowUs()` now.
    explicit ProtocolMonitor(const Host& host, QDateTime startedAt = QDateTime::currentDateTime());
    ~ProtocolMonitor();

    // Every line from now on also goes to the file (appended). False with
    // `error` set when it cannot be opened for writing.
    bool logTo(const QString& path, QString& error);

    // An exchange of the line.
    void record(const Frame& frame, const Reply& reply, qint64 sentUs);

    // The lines kept, oldest first.
    QStringList lines() const;
    void clear();
    // Called with each new line, for a window that shows them live.
    void setListener(std::function<void(const QString& line)> listener) { listener_ = std::move(listener); }

    static QString hexText(const QByteArray& bytes);

private:
    void add(qint64 atUs, const QString& direction, const QString& text);

    const Host& host_;
    QDateTime startedAt_;
    qint64 startedUs_;
    std::deque<QString> lines_;
    std::unique_ptr<QFile> file_;
    std::function<void(const QString&)> listener_;
};

}  // namespace qb
