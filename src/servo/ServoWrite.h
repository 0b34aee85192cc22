#pragma once

#include "link/CommandCatalogue.h"

#include <QString>
#include <array>
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
    // Writes the factory settings to output n command by command; false when
    // a step failed (reported).
    bool reset_servo(int n);
    // Writes the shown settings of the selected output to output i command
    // by command; false when a step failed (reported).
    bool copy_servo(int s, int i);

    // The list entry text of output n, for the paired families' status texts.
    void setEntryOf(std::function<QString(int)> entryOf) { entryOf_ = std::move(entryOf); }
    // The shown end positions and run times (the labels the copy takes).
    void setShownValues(std::function<std::array<int, 4>()> shown) { shown_ = std::move(shown); }
    // A shown run time from a position answer: 0 left, 1 right.
    void setRunTimeShown(std::function<void(int side, int value)> show) { runTimeShown_ = std::move(show); }

private:
    commands::ServoConfig configFor(int output) const;
    // One step of a program-side reset or copy: false (reported) on a time-out,
    // or on a refusal where an acknowledgement is needed.
    bool step(const Frame& frame, int awaited, bool needsAck);
    bool runTime(const Frame& frame, int side, const QString& statusTail, int n);
    QString nameOf(int n) const;

    Host& host_;
    Transport& transport_;
    const DecoderIdentity& identity_;
    OutputSettings& settings_;
    std::function<void()> readBack_;
    std::function<QString()> entryText_;
    std::function<void(const QString&)> status_;
    std::function<QString(int)> entryOf_;
    std::function<std::array<int, 4>()> shown_;
    std::function<void(int, int)> runTimeShown_;
};

}  // namespace qb
