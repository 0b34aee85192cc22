#pragma once

#include "decoder/DecoderIdentity.h"
#include "link/Frame.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace qb {

class Host;
class SerialPort;
class Timer;

// The command/answer exchange with the decoder: one frame out, then a wait
// (events keep flowing) for the awaited number of characters or the time-out.
// The state below is shared by every operation that talks to the decoder; a
// nested exchange started from an event during a wait shares it as well.
class Transport {
public:
    static constexpr int StartTimeoutMs = 1500;
    static constexpr int DetectedTimeoutMs = 5000;
    static constexpr int BlockRetries = 5;

    // `identity` names the connected decoder (for the switch group);
    // `endProgram` is called after a fatal decoder failure has been reported.
    Transport(Host& host, SerialPort& port, const DecoderIdentity& identity,
              std::function<void()> endProgram);
    ~Transport();

    // Writes the frame and waits for at least n characters (n = 1: any answer).
    // On success the whole input buffer is in InString; on a time-out TimedOut
    // is set and InString keeps the previous answer.
    void ExchangeCommand(const Frame& frame, int n);

    // The configuration block of output n with up to five attempts on framing
    // errors; ends the program when every attempt failed.
    void ReadBlock(int n);
    // Like ReadBlock but awaiting `awaited` characters and reporting failure to
    // the caller instead of ending the program: false when no attempt is left.
    bool ReadBlockAttempts(int n, int awaited);

    // Switches output n (offset 0 or 16) on decoders that understand it; nothing awaited.
    void SwitchOutput(int n, int s);

    // Pumps events for ms milliseconds of the delay timer.
    void Delay(int ms);

    // Discards pending input and writes the frame, awaiting nothing.
    void Send(const Frame& frame);

    // Shared exchange state.
    QByteArray SendFrame;
    QByteArray InString;
    bool TimedOut = false;
    bool FrameError = false;
    int RetriesLeft = BlockRetries;
    int ProtocolVariant = 0;
    QString MessageText;
    bool DelayRunning = false;
    int ResetOutput = 0;
    bool MoveAfterReset = false;

    Timer& Timer2() { return *timer2_; }
    Timer& Timer4() { return *timer4_; }
    Host& host() { return host_; }
    SerialPort& port() { return port_; }

private:
    void writeFrame(const Frame& frame);
    void waitFor(int n);

    Host& host_;
    SerialPort& port_;
    const DecoderIdentity& identity_;
    std::function<void()> endProgram_;
    std::unique_ptr<Timer> timer2_;
    std::unique_ptr<Timer> timer4_;
    int waitDepth_ = 0;
};

QString ToBinary8(quint32 x);
// The decimal text as upper-case hexadecimal without leading zeros; text that
// is no 32-bit number gives "0".
QString ToHexText(const QString& decimalText);

}  // namespace qb
