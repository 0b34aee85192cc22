#pragma once

#include <QString>
#include <QStringList>

// The messages that several operations show, in one place.
namespace qb::texts {

inline const QString CRLF = QStringLiteral("\r\n");

// Message pieces joined with CR LF, as every message box text is built.
inline QString lines(const QStringList& pieces)
{
    return pieces.join(CRLF);
}

inline QString decoderTimeout()
{
    return QStringLiteral("Timeout von Decoder!");
}

inline QString transferError()
{
    return QStringLiteral("Datentransfer Fehler!");
}

// A decoder that cannot be read any more ends the program with this.
inline QString decoderGone()
{
    return lines({decoderTimeout(), QStringLiteral("Decoder ist vermutlich nicht eingeschaltet."),
                  QStringLiteral("Programm wird beendet.")});
}

}  // namespace qb::texts
