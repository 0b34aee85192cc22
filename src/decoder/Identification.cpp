#include "decoder/Identification.h"

#include "decoder/DecoderIdentity.h"
#include "decoder/DecoderTables.h"
#include "decoder/FamilyLayout.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "memory/ConfigBlock.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"

namespace qb {

namespace {
const QString CRLF = QStringLiteral("\r\n");
}

int identificationLength(int protocolVariant)
{
    return protocolVariant == 1 ? 78 : protocolVariant == 2 ? 79 : 80;
}

char outputDigit(int n)
{
    // Outputs 10..16 answer with the characters after '9' ("0" for 16).
    return static_cast<char>('0' + (n & 0x0F));
}

Identification::Identification(Host& host, Connection& connection, Transport& transport,
                               DecoderIdentity& identity, OutputSettings& settings, IdentificationView& view)
    : host_(host), connection_(connection), transport_(transport), identity_(identity), settings_(settings), view_(view)
{
}

void Identification::endProgram(const QString& message)
{
    host_.message(message);
    connection_.Shutdown();
}

void Identification::rereadTestOutput()
{
    const int awaited = transport_.ProtocolVariant == 1 ? 78 : 79;
    if (!transport_.ReadBlockAttempts(identity_.ActiveTestOutput, awaited))
        endProgram(QStringLiteral("Timeout von Decoder!") + CRLF + QStringLiteral("Decoder ist vermutlich nicht eingeschaltet.") +
                   CRLF + QStringLiteral("Programm wird beendet."));
}

void Identification::Identify()
{
    if (identity_.ActiveTestOutput >= 1)
        return rereadTestOutput();

    connection_.PowerWatchOff = true;
    const bool open = connection_.EnsurePortOpen();
    connection_.PowerWatchOff = false;
    if (!open)
        return;  // the port-open timer has told the user
    settings_.BlockDecoded = false;
    if (!transport_.ReadBlockAttempts(settings_.OutputNumber, identificationLength(transport_.ProtocolVariant)))
        return endProgram(QStringLiteral("Timeout oder Datenfehler vom Decoder!") + CRLF +
                          QStringLiteral("Decoder ist vermutlich nicht eingeschaltet.") + CRLF +
                          QStringLiteral("Programm wird beendet."));
    const ConfigBlock block(transport_.InString);
    if (block.outputDigit() != outputDigit(settings_.OutputNumber))
        return endProgram(QStringLiteral("Datenfehler!") + CRLF + CRLF + QStringLiteral("Starten Sie das Programm neu!"));

    view_.setHintText(QString());
    const QString id = block.decoderId();
    if (!isKnownId(id)) {
        host_.message(QStringLiteral("Der angeschlossene Decoder hat nicht die richtige Kennung!") + CRLF + CRLF +
                      QStringLiteral("Dieses Programm ist für Servo Decoder.") + CRLF + CRLF +
                      QStringLiteral("Empfangene Kennung ist ") + id);
    } else {
        identity_.DecoderId = id;
        const FamilyLayout layout = layoutForDecoder(id, settings_.AddressMode, block.field(2).value_or(0));
        identity_.OutputCount = layout.OutputCount;
        if (layout.EntryCount)
            identity_.EntryCount = *layout.EntryCount;
        if (layout.PairedFamily)
            identity_.PairedFamily = layout.PairedFamily;
        if (layout.PairedOutputs)
            identity_.PairedOutputs = *layout.PairedOutputs;
        if (layout.PanelMode)
            identity_.PanelMode = *layout.PanelMode;
        transport_.ProtocolVariant = layout.ProtocolVariant;
        view_.applyLayout(layout);
        view_.setStatus(layout.statusLiteral + id);
        if (id.startsWith(QLatin1String("BR5")))
            identity_.PanelMode = 2;
        else if (view_.hintText().isEmpty())
            view_.setHintText(QStringLiteral("Wählen Sie aus der Liste das Servo aus, (Doppelclick) das Sie programmieren wollen."));
        view_.enableOutputList();
    }
    view_.showBlock(block);
}

}  // namespace qb
