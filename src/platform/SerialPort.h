#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace qb {

// Events the serial line raises towards the connection.
enum class CommEvent {
    FrameError,  // a character arrived with a framing error
    DsrChange,   // the DSR line changed; read dsr() for its new state
    LinkLost,    // the device vanished (adapter unplugged): the port is already closed
};

enum class OpenError {
    None,
    InvalidPort,   // no device behind the number (the serial control's error 8002)
    AccessDenied,  // no permission, or busy in another program; see errorString()
    Other,
};

// "4800,N,8,1": speed, parity, data bits, stop bits.
struct LineSettings {
    int baud = 4800;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;

    static std::optional<LineSettings> parse(const QString& text);
    QString toString() const;
    // Microseconds one character takes on the wire (start, data, parity, stop bits).
    qint64 charTimeUs() const;
};

// What the system says about a device that could not be opened.
struct DeviceFacts {
    bool exists = true;
    bool characterDevice = true;
    bool terminal = true;     // a serial line, not another kind of device
    bool accessible = true;   // this user may read and write it
    QString group{};          // the group that owns it
    bool locked = false;      // the serial layer found it in use
};

// Why a device could not be opened, in German, with what the user can do:
// plug the adapter in, join the device's group, end the other program.
QString openFailureReason(const QString& device, const DeviceFacts& facts);

// The one serial connection to the decoder, by the program's port numbers 1..20.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual OpenError open(int portNumber, const QString& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open failed, in the serial layer's words.
    virtual QString errorString() const = 0;

    virtual void write(const QByteArray& bytes) = 0;
    virtual int bytesAvailable() const = 0;
    // The whole input buffer at once.
    virtual QByteArray readAll() = 0;
    virtual bool dsr() const = 0;
    // A hint while an answer of n characters is awaited: the reader need not
    // be woken before n characters are waiting. 1 restores waking on every
    // character and makes whatever has arrived available.
    virtual void setWakeThreshold(int n) { (void)n; }

    // What stands behind a port number, for the user; empty when the port
    // cannot tell.
    virtual QString describe(int portNumber) const
    {
        (void)portNumber;
        return {};
    }
    // A decoder answered on the open port: its number keeps this device,
    // where the system can name it for good.
    virtual void keepOpenDevice() {}

    void setEventHandler(std::function<void(CommEvent)> handler) { handler_ = std::move(handler); }

protected:
    void raise(CommEvent event)
    {
        if (handler_)
            handler_(event);
    }

private:
    std::function<void(CommEvent)> handler_;
};

}  // namespace qb
