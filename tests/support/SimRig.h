#pragma once

#include "decoder/DecoderIdentity.h"
#include "session/Line.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/TestHost.h"

#include <algorithm>

namespace qb::test {

// A line on the simulated decoder in virtual time: the set-up most protocol
// tests share. Framing errors on the line reach the line the way the session
// passes them on.
struct SimRig {
    explicit SimRig(sim::DeviceConfig config = {})
        : device(config), port(host, device), line(host, port, identity)
    {
        identity.DecoderId = QString::fromLatin1(device.id());
        identity.ProtocolVariant = device.variant();
        port.setEventHandler([this](CommEvent event) {
            if (event == CommEvent::FrameError)
                line.noteFramingError();
            events.push_back(event);
        });
        port.open(1, QStringLiteral("%1,N,8,1").arg(config.baud));
    }

    // Frames the decoder received, in order.
    std::vector<QByteArray> frames() const { return device.receivedFrames(); }

    TestHost host;
    sim::DecoderDevice device;
    sim::SimulatedPort port;
    DecoderIdentity identity;
    Line line;
    std::vector<CommEvent> events;
};

inline QByteArray reversed(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace qb::test
