#pragma once

#include "platform/SerialPort.h"
#include "simulator/DecoderDevice.h"

#include <deque>
#include <memory>
#include <set>

namespace qb {
class Host;
class Timer;
}

namespace qb::sim {

// A serial port with the simulated decoder on the other end of the line. The
// answer arrives character by character at wire speed, timed by the host's
// clock, so the same port serves tests in virtual time and the demo mode.
class SimulatedPort : public SerialPort {
public:
    // Time the decoder takes to start answering once a frame is complete.
    static constexpr qint64 TurnaroundUs = 500;

    SimulatedPort(Host& host, DecoderDevice& device);
    ~SimulatedPort() override;

    OpenError open(int portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString describe(int portNumber) const override;
    QString errorString() const override { return errorString_; }
    void write(const QByteArray& bytes) override;
    int bytesAvailable() const override { return static_cast<int>(input_.size()); }
    QByteArray readAll() override;
    bool dsr() const override { return open_ && device_.dsr(); }

    // Port numbers with a device behind them (all of 1..20 unless set).
    void setAvailablePorts(std::set<int> ports) { available_ = std::move(ports); }
    // Makes the next opens fail like a port held by another program.
    void failOpens(OpenError error, const QString& reason);
    // The adapter is pulled out: the port closes and reports the lost link.
    void loseLink();
    // Characters reach the program in chunks of this period, as through a USB
    // adapter's latency timer; 0 (the default) delivers each as it arrives.
    void setChunkUs(qint64 us) { chunkUs_ = us; }
    int portNumber() const { return portNumber_; }
    const LineSettings& settings() const { return settings_; }
    int writeCount() const { return writes_; }

private:
    struct Arrival {
        qint64 dueUs;
        QByteArray bytes;      // one character, or none for an event alone
        bool framingError = false;
        bool dsrChange = false;
    };
    void deliverDue();
    void schedule();
    void onDsrChange();

    Host& host_;
    DecoderDevice& device_;
    std::unique_ptr<Timer> wire_;
    std::deque<Arrival> arrivals_;
    QByteArray input_;
    LineSettings settings_;
    std::set<int> available_;
    OpenError failWith_ = OpenError::None;
    QString errorString_;
    int portNumber_ = 0;
    int writes_ = 0;
    qint64 chunkUs_ = 0;
    bool open_ = false;
};

}  // namespace qb::sim
