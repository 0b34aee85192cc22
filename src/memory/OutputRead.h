#pragma once

#include <QString>
#include <optional>

namespace qb {

class Connection;
class Host;
class IdentificationView;
class Transport;
struct DecoderIdentity;
struct OutputSettings;

// Reads the block of the selected output, checks that it belongs to that
// output and to this kind of decoder, and shows it.
class OutputRead {
public:
    OutputRead(Host& host, Connection& connection, Transport& transport, const DecoderIdentity& identity,
               OutputSettings& settings, IdentificationView& view);

    void ReadOutput();

private:
    Host& host_;
    Connection& connection_;
    Transport& transport_;
    const DecoderIdentity& identity_;
    OutputSettings& settings_;
    IdentificationView& view_;
};

// "Servo 3 Daten empfangen" and its kin; nothing where the status stays.
std::optional<QString> readProgressText(int n, int panelMode, int pairedFamily);

}  // namespace qb
