#include "servo/ServoWrite.h"

#include "decoder/DecoderIdentity.h"
#include "link/CommandCatalogue.h"
#include "link/Transport.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"

namespace qb {

ServoWrite::ServoWrite(Host& host, Transport& transport, const DecoderIdentity& identity, OutputSettings& settings)
    : host_(host), transport_(transport), identity_(identity), settings_(settings)
{
}

void ServoWrite::sende_konfiguration()
{
    commands::ServoConfig config;
    config.output = settings_.OutputNumber;
    config.neutralHex = settings_.NeutralHex.toLatin1();
    config.brand = settings_.Brand;
    config.functionCode = settings_.FunctionCode;
    config.polarity = settings_.Polarity;
    config.powerOff = settings_.PowerOff;
    config.bounceCode = settings_.BounceCode;
    config.bounceAmount = static_cast<quint32>(settings_.BounceAmount);
    config.repeatCount = static_cast<quint32>(settings_.RepeatCount);
    config.directionReversed = settings_.DirectionReversed;
    config.withDirection = transport_.ProtocolVariant != 1;
    // A turnout without bounce writes no bounce: the settings follow the frame.
    commands::applyValueWordRule(config);
    settings_.BounceCode = config.bounceCode;
    settings_.BounceAmount = static_cast<qint32>(config.bounceAmount);

    transport_.ExchangeCommand(commands::servoConfigWrite(config), 1);
    if (transport_.TimedOut) {
        host_.message(QStringLiteral("Timeout von Decoder!"));
        return;
    }
    if (status_) {
        const QString who = identity_.PairedFamily != 0 && entryText_
                                ? entryText_()
                                : QStringLiteral("Servo ") + QString::number(settings_.OutputNumber);
        status_(who + QStringLiteral(" Daten geändert"));
    }
    if (readBack_)
        readBack_();
}

}  // namespace qb
