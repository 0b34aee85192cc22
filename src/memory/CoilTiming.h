#pragma once

#include <QString>

namespace qb {

// A coil's switch-on time in the decoder's units: the time scale goes into
// the left run time, the value is the distance of the left end above the
// right one.
struct CoilTiming {
    int runTime = 8;  // 8, 16 or 32
    int value = 0;
};

// The longest switch-on time in seconds.
constexpr float LongestCoilTime = 60.0F;

// The units of `seconds` (0..60): below 5 s scale 8 (T x 50 x 8), below 30 s
// scale 16 (T x 50 x 4), up to 60 s scale 32 (T x 50 x 2). Single precision
// as the decoder's arithmetic, rounded to whole units.
CoilTiming coilTimingFor(float seconds);

// The seconds of a time text with a decimal comma ("2,5", "12,", ",5"); 0 for
// an empty text or one that is no number.
float coilTimeValue(const QString& text);

// What becomes of a time the user has just typed.
struct CoilTimeEntry {
    enum class Verdict {
        Accepted,       // `text` is the entry, cut to one decimal
        TooManyCommas,  // "Mehr als ein Komma vorhanden!"
        TooLong,        // "Eingestellte Zeit ist länger als 60 Sekunden!"
    };
    Verdict verdict = Verdict::Accepted;
    QString text;  // what the box shows afterwards ("0,0" after a refusal)
};
CoilTimeEntry checkCoilTimeEntry(const QString& text);

}  // namespace qb
