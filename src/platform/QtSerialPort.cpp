#include "platform/QtSerialPort.h"

#include "platform/Host.h"
#include "platform/PortDirectory.h"

#include <QSerialPort>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif
#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <QFile>

#include <algorithm>

namespace qb {

namespace {

QSerialPort::Parity toQt(char parity)
{
    switch (parity) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

// What the system knows of a device that would not open.
DeviceFacts factsOf(const QString& device, QSerialPort::SerialPortError error)
{
    DeviceFacts facts;
    facts.locked = error == QSerialPort::PermissionError;
#if defined(Q_OS_UNIX)
    const QByteArray path = QFile::encodeName(device);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) {
        facts.exists = false;
        return facts;
    }
    facts.characterDevice = S_ISCHR(status.st_mode);
    facts.accessible = ::access(path.constData(), R_OK | W_OK) == 0;
    if (const group* owner = ::getgrgid(status.st_gid))
        facts.group = QString::fromLocal8Bit(owner->gr_name);
    if (facts.characterDevice && facts.accessible) {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) {
            facts.terminal = ::isatty(fd) == 1;
            ::close(fd);
        }
    }
    // Without the right to the device the lock is not the reason.
    facts.locked = facts.locked && facts.accessible;
#else
    facts.exists = error != QSerialPort::DeviceNotFoundError;
#endif
    return facts;
}

}  // namespace

QtSerialPort::QtSerialPort(Host& host, PortDirectory& ports)
    : ports_(ports), port_(std::make_unique<QSerialPort>()), pollTimer_(host.createTimer())
{
    pollTimer_->setInterval(LinePollMs);
    pollTimer_->setHandler([this] { pollLine(); });
    // The data stays in QSerialPort's buffer: bytesAvailable() shows what arrived.
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
        checkFrameErrors();
        applyWakeThreshold();
    });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort()
{
    pollTimer_->setEnabled(false);
    // Closing must not reach a handler that may already be gone.
    port_->disconnect();
    if (port_->isOpen())
        port_->close();
}

OpenError QtSerialPort::open(int portNumber, const QString& settings)
{
    close();
    error_.clear();
    const std::optional<LineSettings> line = LineSettings::parse(settings);
    if (!line) {
        error_ = QStringLiteral("Ungültige Schnittstellenparameter: %1").arg(settings);
        return OpenError::Other;
    }
    const std::optional<QString> device = ports_.deviceFor(portNumber);
    if (!device) {
        error_ = QStringLiteral("Für Port %1 gibt es kein serielles Gerät. Ist der USB-Seriell-Adapter eingesteckt?")
                     .arg(portNumber);
        return OpenError::InvalidPort;
    }

    port_->setPortName(*device);
    port_->setBaudRate(line->baud);
    port_->setParity(toQt(line->parity));
    port_->setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits));
    port_->setStopBits(line->stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_->error();
        port_->clearError();
        const DeviceFacts facts = factsOf(*device, error);
        error_ = openFailureReason(*device, facts);
        if (!facts.exists)
            return OpenError::InvalidPort;
        return !facts.accessible || facts.locked ? OpenError::AccessDenied : OpenError::Other;
    }
    // Whatever the device sent before we listened belongs to nobody.
    port_->clear(QSerialPort::AllDirections);
    port_->clearError();

    lineStatesKnown_ = true;
    dsrHigh_ = true;
    frameErrors_ = frameErrorCount();
    frameCountKnown_ = frameErrors_ >= 0;
    opening_ = true;  // a device gone already is a failed open, not a lost link
    if (const std::optional<bool> high = queryDsr())
        dsrHigh_ = *high;
    opening_ = false;
    if (!port_->isOpen()) {
        error_ = openFailureReason(*device, factsOf(*device, QSerialPort::NoError));
        return OpenError::Other;
    }
    openNumber_ = portNumber;
    openDevice_ = *device;
    wakeThreshold_ = 1;
    wakeTarget_ = 1;
#if defined(Q_OS_UNIX)
    termios terminal{};
    if (::tcgetattr(port_->handle(), &terminal) == 0)
        openedMinimum_ = terminal.c_cc[VMIN];
#endif
    pollTimer_->setEnabled(true);
    return OpenError::None;
}

QString QtSerialPort::describe(int portNumber) const
{
    return ports_.describe(portNumber);
}

void QtSerialPort::keepOpenDevice()
{
    if (isOpen())
        ports_.keep(openNumber_, openDevice_);
}

void QtSerialPort::setWakeThreshold(int n)
{
    wakeTarget_ = std::max(n, 1);
    applyWakeThreshold();
    if (wakeTarget_ == 1) {
        // Characters short of the old threshold are waiting unseen: take them in now.
        port_->waitForReadyRead(0);
        port_->clearError();
    }
}

void QtSerialPort::applyWakeThreshold()
{
#if defined(Q_OS_UNIX)
    // The terminal driver reports the port readable only once its minimum
    // read count has arrived (with no inter-character timer), so an answer of
    // 79 characters wakes the program a few times instead of 79 times. What
    // has been taken in already counts towards the answer.
    const qint64 missing = wakeTarget_ - (wakeTarget_ > 1 ? port_->bytesAvailable() : 0);
    const int minimum = static_cast<int>(std::clamp<qint64>(missing, 1, 255));
    if (!port_->isOpen() || minimum == wakeThreshold_)
        return;
    termios terminal{};
    if (::tcgetattr(port_->handle(), &terminal) != 0)
        return;
    terminal.c_cc[VMIN] = static_cast<cc_t>(minimum == 1 ? openedMinimum_ : minimum);
    terminal.c_cc[VTIME] = 0;
    if (::tcsetattr(port_->handle(), TCSANOW, &terminal) == 0)
        wakeThreshold_ = minimum;
#endif
}

void QtSerialPort::close()
{
    pollTimer_->setEnabled(false);
    if (port_->isOpen())
        port_->close();
    port_->clearError();
}

bool QtSerialPort::isOpen() const
{
    return port_->isOpen();
}

void QtSerialPort::write(const QByteArray& bytes)
{
    if (!port_->isOpen())
        return;
    port_->write(bytes);
    // Hand the frame to the driver now rather than on the next event-loop turn.
    port_->flush();
}

int QtSerialPort::bytesAvailable() const
{
    return port_->isOpen() ? static_cast<int>(port_->bytesAvailable()) : 0;
}

QByteArray QtSerialPort::readAll()
{
    return port_->isOpen() ? port_->readAll() : QByteArray();
}

bool QtSerialPort::dsr() const
{
    return port_->isOpen() && (!lineStatesKnown_ || dsrHigh_);
}

void QtSerialPort::pollLine()
{
    checkFrameErrors();
    if (!port_->isOpen() || !lineStatesKnown_)
        return;
    const std::optional<bool> high = queryDsr();
    if (high && *high != dsrHigh_) {
        dsrHigh_ = *high;
        raise(CommEvent::DsrChange);
    }
}

std::optional<bool> QtSerialPort::queryDsr()
{
    lineStatesUnsupported_ = false;
    const QSerialPort::PinoutSignals lines = port_->pinoutSignals();
    if (!port_->isOpen())
        return std::nullopt;  // the query found the device gone
    if (lineStatesUnsupported_) {
        // Cannot report line states (a pseudo-terminal): counts as powered for good.
        lineStatesKnown_ = false;
        return true;
    }
    if (port_->error() != QSerialPort::NoError) {
        port_->clearError();  // a passing failure: no reading this time
        return std::nullopt;
    }
    return lines.testFlag(QSerialPort::DataSetReadySignal);
}

void QtSerialPort::checkFrameErrors()
{
    if (!frameCountKnown_ || !port_->isOpen())
        return;
    const int count = frameErrorCount();
    if (count < 0) {
        frameCountKnown_ = false;
        return;
    }
    const bool grew = count > frameErrors_;
    frameErrors_ = count;
    if (grew)
        raise(CommEvent::FrameError);
}

int QtSerialPort::frameErrorCount() const
{
#if defined(Q_OS_LINUX)
    serial_icounter_struct counters{};
    if (::ioctl(port_->handle(), TIOCGICOUNT, &counters) != 0)
        return -1;
    return counters.frame;
#else
    return -1;
#endif
}

void QtSerialPort::onError(int error)
{
    switch (static_cast<QSerialPort::SerialPortError>(error)) {
    case QSerialPort::UnsupportedOperationError:
        // A query the device cannot answer (line states on a pseudo-terminal): not a fault.
        lineStatesUnsupported_ = true;
        port_->clearError();
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // The device is gone (adapter unplugged); Qt would go on reporting it
        // while the port stays open, so close once and report once.
        if (!port_->isOpen())
            break;
        close();
        if (!opening_)
            raise(CommEvent::LinkLost);
        break;
    default:
        break;
    }
}

}  // namespace qb
