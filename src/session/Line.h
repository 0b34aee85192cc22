#pragma once

#include "link/CommandCatalogue.h"
#include "link/Frame.h"
#include "link/Reply.h"

#include <functional>
#include <memory>

namespace qb {

class Host;
class SerialPort;
class Timer;
struct DecoderIdentity;

// The command/answer exchange with the decoder and the discipline around it.
//
// One operation holds the line at a time: a user action that talks to the
// decoder, the start-up sequence, the reconnect. It asks for the line with
// begin() before it changes anything; while another operation holds it the
// answer is an empty Operation, and the asker does nothing (a user hears a
// beep; the busy pointer shows that the decoder is being talked to). Calls
// the operation makes itself, without an event in between, join it: an
// operation that reads an output again after a reset asks for the line once
// more and gets it. Anything started by an event during one of the
// operation's waits is another operation and is refused.
//
// Within an operation one exchange follows the other: an exchange writes its
// frame and waits, events flowing, for as many characters as the catalogue's
// answer form says, or for the response time-out. An exchange asked for while
// another one waits, or outside any operation, is not sent (LineBusy).
//
// The response time-out is meant for the decoder to answer in, but a long
// answer needs nearly as long as that just to travel (the RAM image, 2304
// characters, takes 4.8 s at 4800 baud): the wait always leaves room for the
// answer's own wire time plus a fifth of the response time-out for the
// decoder to begin (1 s once it is detected). Answers that fit the response
// time-out with that room to spare wait as long as they always did.
class Line {
public:
    static constexpr int StartTimeoutMs = 1500;
    static constexpr int DetectedTimeoutMs = 5000;
    static constexpr int BlockAttempts = 5;

    class Operation {
    public:
        Operation() = default;
        Operation(Operation&& other) noexcept;
        Operation& operator=(Operation&& other) noexcept;
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        ~Operation();

        // False when the line was not free: the asker does nothing.
        explicit operator bool() const { return line_ != nullptr; }

    private:
        friend class Line;
        explicit Operation(Line& line) : line_(&line) {}
        Line* line_ = nullptr;
    };

    // `identity` gives the protocol variant (block length) and the decoder's
    // groups.
    Line(Host& host, SerialPort& port, const DecoderIdentity& identity);
    ~Line();

    // A user action asks for the line; a refusal beeps.
    [[nodiscard]] Operation begin();
    // Timer work asks for the line; a refusal is silent (it tries again later).
    [[nodiscard]] Operation beginQuietly();
    bool busy() const { return holds_ > 0; }

    // Writes the frame and waits for its answer as the catalogue describes it.
    Reply exchange(const Frame& frame);
    // Whether framing errors lead to another attempt after a time-out too.
    enum class Attempts { WhileGarbled, UntilTimeOut };
    // The block of output n, awaiting the block length of `variant`, with
    // further attempts while framing errors spoil the answer (and, with
    // UntilTimeOut, the answer came in time). A time-out returns what
    // arrived (the caller judges it); framing errors in every attempt give
    // Garbled.
    Reply readBlock(int n, int variant, Attempts attempts = Attempts::WhileGarbled);
    // The same awaiting `awaited` characters (the detection: the shortest block).
    Reply readBlockAwaiting(int n, int awaited, Attempts attempts);
    // The block in the connected decoder's variant.
    Reply readBlock(int n);
    // Switches output n (offset 0 or 16) on decoders that understand it;
    // nothing is awaited, and other decoders are sent nothing.
    void switchOutput(int n, int s);
    // Lets `ms` milliseconds pass, events flowing.
    void delay(int ms);

    // The serial line reported a framing error during the current wait.
    void noteFramingError() { frameError_ = true; }
    // Whether a framing error spoilt the answer of the last exchange: its
    // characters may be wrong even though as many came as were awaited.
    bool lastAnswerGarbled() const { return frameError_; }

    // The response time-out (1500 ms until a decoder first answered, then 5000 ms).
    void setResponseTimeout(int ms);
    int responseTimeoutMs() const { return responseTimeoutMs_; }
    // How long an exchange waits for an answer of `awaited` characters.
    int answerTimeoutMs(int awaited) const;

    // Sees every frame written and every answer read (the protocol monitor);
    // `sentUs` is the host time the frame went out.
    using Monitor = std::function<void(const Frame& frame, const Reply& reply, qint64 sentUs)>;
    void setMonitor(Monitor monitor) { monitor_ = std::move(monitor); }

private:
    Operation grant(bool beepOnRefusal);
    void release();
    Reply transact(const Frame& frame, int awaited, commands::AnswerClass answer);

    Host& host_;
    SerialPort& port_;
    const DecoderIdentity& identity_;
    std::unique_ptr<Timer> timeout_;  // "Timer2"
    int responseTimeoutMs_ = StartTimeoutMs;
    Monitor monitor_;
    int holds_ = 0;
    int holderDepth_ = 0;
    bool waiting_ = false;
    bool timedOut_ = false;
    bool frameError_ = false;
};

// Shows the message of a failed exchange ("Timeout von Decoder!",
// "Datentransfer Fehler!"); true when the exchange failed, with or without a
// message (the program ending needs none).
bool reportFailure(Host& host, const Reply& reply);

}  // namespace qb
