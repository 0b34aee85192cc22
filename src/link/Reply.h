#pragma once

#include <QByteArray>
#include <QString>

namespace qb {

// How an exchange with the decoder ended.
enum class ReplyStatus {
    Answered,  // the awaited characters came (or nothing was awaited)
    Refused,   // an acknowledgement was awaited and another character came first
    TimedOut,  // the response time-out fired first; the text holds what did come
    Garbled,   // framing errors spoilt every attempt of a block read
    Ending,    // the program is ending: nothing more will come
    LineBusy,  // nothing was sent: the line was not free for this exchange
};

// What came back from the decoder, and how.
struct Reply {
    ReplyStatus status = ReplyStatus::Answered;
    QByteArray text;  // everything received, in the order it came off the wire

    bool ok() const { return status == ReplyStatus::Answered; }
};

// For a command whose answer the catalogue leaves unexamined where an
// operation does need the acknowledgement (the configuration write of a
// program-side reset or copy): an answer that is not 6 becomes a refusal.
Reply requireAcknowledgement(Reply reply);

// The message a failed exchange is reported with: "Timeout von Decoder!" when
// nothing (or too little) came in time, "Datentransfer Fehler!" for a refusal;
// empty where there is nothing to tell (an answer, the program ending).
QString failureText(const Reply& reply);

}  // namespace qb
