#pragma once

#include "decoder/DecoderIdentity.h"
#include "link/Transport.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/TestHost.h"

namespace qb::test {

// A transport on the simulated decoder in virtual time: the set-up most
// protocol tests share. Framing errors on the line reach the transport the way
// the connection passes them on.
struct SimRig {
    explicit SimRig(sim::DeviceConfig config = {})
        : device(config), port(host, device),
          transport(host, port, identity, [this] { ++programEnds; })
    {
        identity.DecoderId = QString::fromLatin1(device.id());
        port.setEventHandler([this](CommEvent event) {
            if (event == CommEvent::FrameError)
                transport.FrameError = true;
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
    Transport transport;
    std::vector<CommEvent> events;
    int programEnds = 0;
};

inline QByteArray reversed(QByteArray text)
{
    std::reverse(text.begin(), text.end());
    return text;
}

}  // namespace qb::test
