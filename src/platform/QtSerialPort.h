#pragma once

#include "platform/SerialPort.h"

#include <memory>
#include <optional>

class QSerialPort;

namespace qb {

class Host;
class PortDirectory;
class Timer;

// The serial line on QSerialPort. Qt on Linux reports neither DSR changes nor
// framing errors, so both are polled from the driver; a device that cannot
// report them (a pseudo-terminal, some USB adapters) counts as DSR high and
// without framing errors.
class QtSerialPort : public SerialPort {
public:
    static constexpr int LinePollMs = 150;

    QtSerialPort(Host& host, PortDirectory& ports);
    ~QtSerialPort() override;

    OpenError open(int portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override;
    QString errorString() const override { return error_; }

    void write(const QByteArray& bytes) override;
    int bytesAvailable() const override;
    QByteArray readAll() override;
    bool dsr() const override;
    void setWakeThreshold(int n) override;
    QString describe(int portNumber) const override;
    void keepOpenDevice() override;

private:
    void pollLine();
    // DSR now; nothing when it could not be read this time.
    std::optional<bool> queryDsr();
    void checkFrameErrors();
    void applyWakeThreshold();
    void onError(int error);
    // The driver's count of framing errors; -1 when it keeps none.
    int frameErrorCount() const;

    PortDirectory& ports_;
    std::unique_ptr<QSerialPort> port_;
    std::unique_ptr<Timer> pollTimer_;
    QString error_;
    int openNumber_ = 0;  // the port number the open device serves
    QString openDevice_;  // and its path
    bool lineStatesKnown_ = false;  // the device reports DSR
    bool dsrHigh_ = true;
    bool frameCountKnown_ = false;  // the driver counts framing errors
    int frameErrors_ = 0;
    bool lineStatesUnsupported_ = false;  // the last query was refused
    bool opening_ = false;
    int wakeThreshold_ = 1;  // the driver's minimum read count now
    int wakeTarget_ = 1;     // characters the program waits for
    int openedMinimum_ = 0;  // the driver's minimum read count as Qt set it
};

}  // namespace qb
