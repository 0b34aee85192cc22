#pragma once

#include <memory>
#include <optional>

namespace qb {

class Connection;
class Host;
class Line;
class SessionView;
class Timer;

// Finds out whether a decoder answers on the chosen port, at which of the two
// line speeds, and which protocol variant it speaks.
class Detection {
public:
    static constexpr int GraceMs = 20000;
    static constexpr int StartAttempts = 4;

    enum class Outcome {
        Detected,    // a decoder answered
        Failed,      // no answer: another attempt or the other speed may follow
        PortFailed,  // the port did not open (reported)
        GaveUp,      // no answer after the last attempt: the program ends when the grace period is over
        Ended,       // the program is ending (an unusable answer was reported)
    };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::optional<int> variant;  // the protocol variant the answer implies
    };

    // Without `gracePeriod` a decoder that never answers is given up at once,
    // silently: the caller reports it.
    Detection(Host& host, Connection& connection, Line& line, SessionView& view, bool gracePeriod = true);
    ~Detection();

    // One detection attempt with its retries, reading output n's block.
    Result detect(int n);
    // The start-up sequence's counter for the attempts at the second speed.
    void startCounting() { attemptsLeft_ = StartAttempts; }

    int attemptsLeft() const { return attemptsLeft_; }
    bool altBaudTried() const { return altBaudTried_; }
    bool gracePeriodRunning() const;

private:
    Outcome failed();

    Host& host_;
    Connection& connection_;
    Line& line_;
    SessionView& view_;
    std::unique_ptr<Timer> timer6_;
    int attemptsLeft_ = 0;
    bool altBaudTried_ = false;
    bool gracePeriod_ = true;
};

}  // namespace qb
