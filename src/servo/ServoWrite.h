#pragma once

#include <QString>
#include <functional>

namespace qb {

class Host;
class Transport;
struct DecoderIdentity;
struct OutputSettings;

// Writes the selected output's settings to the decoder (and, with the reset
// and copy menus, restores or copies outputs).
class ServoWrite {
public:
    ServoWrite(Host& host, Transport& transport, const DecoderIdentity& identity, OutputSettings& settings);

    // The read-back after a write: the output read of the main window.
    void setReadBack(std::function<void()> readBack) { readBack_ = std::move(readBack); }
    // The text of the selected list entry, for the paired families' status texts.
    void setEntryText(std::function<QString()> entryText) { entryText_ = std::move(entryText); }
    // Status texts go here.
    void setStatus(std::function<void(const QString&)> status) { status_ = std::move(status); }

    // Writes OutputSettings to output OutputNumber and reads it back.
    void sende_konfiguration();

private:
    Host& host_;
    Transport& transport_;
    const DecoderIdentity& identity_;
    OutputSettings& settings_;
    std::function<void()> readBack_;
    std::function<QString()> entryText_;
    std::function<void(const QString&)> status_;
};

}  // namespace qb
