#include "session/ProtocolMonitor.h"

#include "link/CommandCatalogue.h"
#include "link/Reply.h"
#include "platform/Host.h"

namespace qb {

ProtocolMonitor::ProtocolMonitor(const Host& host, QDateTime startedAt)
    : host_(host), startedAt_(std::move(startedAt)), startedUs_(host.nowUs())
{
}

ProtocolMonitor::~ProtocolMonitor() = default;

bool ProtocolMonitor::logTo(const QString& path, QString& error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        error = QStringLiteral("Die Protokolldatei \"%1\" kann nicht geschrieben werden: %2").arg(path, file->errorString());
        return false;
    }
    file_ = std::move(file);
    return true;
}

QString ProtocolMonitor::hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void ProtocolMonitor::record(const Frame& frame, const Reply& reply, qint64 sentUs)
{
    const QString name = commands::commandName(frame);
    add(sentUs, QStringLiteral("gesendet "), name + QStringLiteral(": ") + hexText(frame.bytes));
    if (reply.status == ReplyStatus::Answered && reply.text.isEmpty())
        return;  // nothing was awaited
    QString received = hexText(reply.text);
    if (!reply.text.isEmpty())
        received += QStringLiteral(" (%1 Zeichen)").arg(reply.text.size());
    switch (reply.status) {
    case ReplyStatus::Answered:
    case ReplyStatus::LineBusy:
        break;
    case ReplyStatus::Refused:
        received += QStringLiteral(", abgelehnt");
        break;
    case ReplyStatus::TimedOut:
        received += reply.text.isEmpty() ? QStringLiteral("keine Antwort (Zeitüberschreitung)")
                                         : QStringLiteral(", zu kurz (Zeitüberschreitung)");
        break;
    case ReplyStatus::Garbled:
        received += QStringLiteral(", gestört");
        break;
    case ReplyStatus::Ending:
        received += QStringLiteral(" (Programmende)");
        break;
    }
    add(host_.nowUs(), QStringLiteral("empfangen"), name + QStringLiteral(": ") + received);
}

void ProtocolMonitor::add(qint64 atUs, const QString& direction, const QString& text)
{
    const QDateTime at = startedAt_.addMSecs((atUs - startedUs_) / 1000);
    const QString line = at.toString(QStringLiteral("HH:mm:ss.zzz ")) + direction + ' ' + text;
    lines_.push_back(line);
    if (lines_.size() > KeptLines)
        lines_.pop_front();
    if (file_) {
        file_->write(line.toUtf8() + '\n');
        file_->flush();
    }
    if (listener_)
        listener_(line);
}

QStringList ProtocolMonitor::lines() const
{
    return QStringList(lines_.begin(), lines_.end());
}

void ProtocolMonitor::clear()
{
    lines_.clear();
}

}  // namespace qb
