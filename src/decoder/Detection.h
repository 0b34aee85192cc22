#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace qb {

class Connection;
class Host;
class MainView;
class Timer;
class Transport;
struct DecoderIdentity;
struct OutputSettings;

// Finds out whether a decoder answers on the chosen port, at which of the two
// line speeds, and which protocol variant it speaks.
class Detection {
public:
    static constexpr int GraceMs = 20000;
    static constexpr int StartAttempts = 4;

    enum class Outcome { Detected, Failed, PortFailed };

    Detection(Host& host, Connection& connection, Transport& transport, DecoderIdentity& identity,
              OutputSettings& settings, MainView& view);
    ~Detection();

    // One detection attempt with its retries.
    Outcome Detect();
    // The main window's activation: detection at both speeds, identification
    // and the power-on state query.
    void runStartupSequence();
    // After a port choice from the menu: detection, then identification.
    void afterPortChoice();

    Timer& Timer6() { return *timer6_; }

    int AttemptsLeft = 0;
    bool AltBaudTried = false;
    bool StartupQueryActive = false;

    // Identification of the decoder that answered.
    std::function<void()> identify;

private:
    void failed();
    void acceptAnswer();
    void queryPowerUpState();
    void endProgram(const QString& message);

    Host& host_;
    Connection& connection_;
    Transport& transport_;
    DecoderIdentity& identity_;
    OutputSettings& settings_;
    MainView& view_;
    std::unique_ptr<Timer> timer6_;
};

// Where the decoder's identification begins in a reversed answer (0-based),
// nothing when no known model code occurs.
std::optional<int> findModelCode(const QByteArray& reversedAnswer);
// The protocol variant the identification at that place implies; nothing when
// it implies none (the old "R5" decoders learn theirs from identification).
std::optional<int> variantForAnswer(const QByteArray& reversedAnswer, int at);

}  // namespace qb
