#include "memory/OutputRead.h"

#include "decoder/DecoderIdentity.h"
#include "decoder/FamilyLayout.h"
#include "decoder/Identification.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "memory/ConfigBlock.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"

namespace qb {

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

std::optional<QString> readProgressText(int n, int panelMode, int pairedFamily)
{
    static const QStringList turnout = layoutForDecoder("V7904840", 0, 0).entries;
    const QString suffix = QStringLiteral(" Daten empfangen");
    if (pairedFamily == 4)
        return n >= 1 && n <= turnout.size() ? std::optional(turnout[n - 1] + suffix) : std::nullopt;
    switch (panelMode) {
    case 0:
        return QStringLiteral("Servo ") + QString::number(n) + suffix;
    case 1: {
        static const QStringList phases = phaseNames(4);
        return n >= 1 && n <= phases.size() ? std::optional(phases[n - 1] + suffix) : std::nullopt;
    }
    case 2:
        return n >= 1 && n <= 8 ? std::optional(QStringLiteral("Spule ") + QString::number(n) + suffix)
                                : std::nullopt;
    default:
        return std::nullopt;
    }
}

OutputRead::OutputRead(Host& host, Connection& connection, Transport& transport, const DecoderIdentity& identity,
                       OutputSettings& settings, IdentificationView& view)
    : host_(host), connection_(connection), transport_(transport), identity_(identity), settings_(settings), view_(view)
{
}

void OutputRead::ReadOutput()
{
    const int n = settings_.OutputNumber;
    if (!transport_.ReadBlockAttempts(n, identificationLength(transport_.ProtocolVariant))) {
        host_.message(QStringLiteral("Datenfehler vom Decoder !"));
        return;
    }
    const ConfigBlock block(transport_.InString);
    if (n == 16 && block.outputDigit() != '0') {
        host_.message(QStringLiteral("Datenfehler!") + CRLF + CRLF + QStringLiteral("Das Servo ") +
                      QString(QChar::fromLatin1(block.outputDigit().value_or(' '))) + QStringLiteral(" anstatt ") +
                      QString::number(n) +
                      QStringLiteral(" hat geantwortet!") + CRLF + QStringLiteral("Das Programm wird beendet."));
        connection_.Shutdown();
        return;
    }
    if (const auto progress = readProgressText(n, identity_.PanelMode, identity_.PairedFamily))
        view_.setStatus(*progress);
    const QString id = block.decoderId();
    if ((id == "R7644940" && identity_.OutputCount == 8) || (id == "R5494940" && identity_.OutputCount == 4)) {
        host_.message(QStringLiteral("Der angeschlossene Decoder hat nicht die richtige Kennung!") + CRLF + CRLF +
                      QStringLiteral("Empfangene Kennung ist ") + id);
        return;
    }
    settings_.BlockDecoded = true;
    view_.showBlock(block);
}

}  // namespace qb
