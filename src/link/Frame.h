#pragma once

#include <QByteArray>
#include <cstdint>

namespace qb {

// One command frame: the command byte, its parameter characters and CR.
// Frames are built only by the command catalogue.
struct Frame {
    QByteArray bytes;

    std::uint8_t command() const { return bytes.isEmpty() ? 0 : static_cast<std::uint8_t>(bytes[0]); }
    bool operator==(const Frame&) const = default;
};

}  // namespace qb
