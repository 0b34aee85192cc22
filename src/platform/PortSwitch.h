#pragma once

#include "platform/SerialPort.h"

#include <functional>

namespace qb {

// One serial connection over several kinds of port: each port number is
// served by the port the selector names (a real device, or the built-in demo
// decoder pinned to a number).
class PortSwitch : public SerialPort {
public:
    using Selector = std::function<SerialPort&(int portNumber)>;
    explicit PortSwitch(Selector selector, std::initializer_list<SerialPort*> ports);
    ~PortSwitch() override;

    OpenError open(int portNumber, const QString& settings) override;
    void close() override;
    bool isOpen() const override { return current_ && current_->isOpen(); }
    QString errorString() const override { return current_ ? current_->errorString() : QString(); }
    void write(const QByteArray& bytes) override;
    int bytesAvailable() const override { return current_ ? current_->bytesAvailable() : 0; }
    QByteArray readAll() override { return current_ ? current_->readAll() : QByteArray(); }
    bool dsr() const override { return current_ && current_->dsr(); }
    void setWakeThreshold(int n) override
    {
        if (current_)
            current_->setWakeThreshold(n);
    }
    QString describe(int portNumber) const override { return selector_(portNumber).describe(portNumber); }
    void keepOpenDevice() override
    {
        if (current_)
            current_->keepOpenDevice();
    }

private:
    Selector selector_;
    std::vector<SerialPort*> ports_;
    SerialPort* current_ = nullptr;
};

}  // namespace qb
