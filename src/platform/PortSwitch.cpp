#include "platform/PortSwitch.h"

namespace qb {

PortSwitch::PortSwitch(Selector selector, std::initializer_list<SerialPort*> ports)
    : selector_(std::move(selector)), ports_(ports)
{
    for (SerialPort* port : ports_)
        port->setEventHandler([this, port](CommEvent event) {
            if (port == current_)
                raise(event);
        });
}

PortSwitch::~PortSwitch()
{
    for (SerialPort* port : ports_)
        port->setEventHandler({});
}

OpenError PortSwitch::open(int portNumber, const QString& settings)
{
    SerialPort& target = selector_(portNumber);
    if (current_ && current_ != &target)
        current_->close();
    current_ = &target;
    return target.open(portNumber, settings);
}

void PortSwitch::close()
{
    if (current_)
        current_->close();
}

void PortSwitch::write(const QByteArray& bytes)
{
    if (current_)
        current_->write(bytes);
}

}  // namespace qb
