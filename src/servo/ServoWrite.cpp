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

commands::ServoConfig ServoWrite::configFor(int output) const
{
    commands::ServoConfig config;
    config.output = output;
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
    return config;
}

QString ServoWrite::nameOf(int n) const
{
    if (identity_.PairedFamily != 0 && entryOf_)
        return entryOf_(n);
    return QStringLiteral("Servo ") + QString::number(n);
}

void ServoWrite::sende_konfiguration()
{
    commands::ServoConfig config = configFor(settings_.OutputNumber);
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

bool ServoWrite::step(const Frame& frame, int awaited, bool needsAck)
{
    transport_.ExchangeCommand(frame, awaited);
    if (transport_.TimedOut) {
        host_.message(QStringLiteral("Timeout von Decoder!"));
        return false;
    }
    if (needsAck && !transport_.InString.startsWith(char(commands::ACK))) {
        host_.message(QStringLiteral("Datentransfer Fehler!"));
        return false;
    }
    return true;
}

bool ServoWrite::runTime(const Frame& frame, int side, const QString& statusTail, int n)
{
    if (!step(frame, commands::PositionAnswerLength, false))
        return false;
    if (status_)
        status_(nameOf(n) + statusTail);
    if (const auto value = commands::positionAnswerValue(transport_.InString); value && runTimeShown_)
        runTimeShown_(side, *value);
    return true;
}

bool ServoWrite::reset_servo(int n)
{
    commands::ServoConfig factory;
    factory.output = n;
    factory.neutralHex = "28C0";
    factory.brand = 4;
    factory.functionCode = 1;
    factory.polarity = 2;
    factory.powerOff = 1;
    factory.bounceCode = 0;
    factory.valueWord = 0;
    factory.directionReversed = false;
    factory.withDirection = transport_.ProtocolVariant != 1;
    // The 4-way turnout decoders drive the two servos of a pair to different ends.
    const bool turnout = identity_.DecoderId == "V7966445" || identity_.DecoderId == "V7656642";
    const bool even = n % 2 == 0;
    const quint32 left = turnout && even ? 9000 : 12000;
    const quint32 right = turnout && !even ? 10000 : 8000;
    return step(commands::servoConfigWrite(factory), 1, true) && step(commands::setLeft(n, left), 1, true) &&
           step(commands::setRight(n, right), 1, true) &&
           runTime(commands::runTimeLeft(0), 0, QStringLiteral(" Drehgeschwindigkeit links!"), n) &&
           runTime(commands::runTimeRight(0), 1, QStringLiteral(" Drehgeschwindigkeit rechts!"), n);
}

bool ServoWrite::copy_servo(int s, int i)
{
    (void)s;  // the source is the selected output, whose settings are shown
    commands::ServoConfig config = configFor(i);
    commands::applyValueWordRule(config);
    const std::array<int, 4> shown = shown_ ? shown_() : std::array<int, 4>{};
    return step(commands::servoConfigWrite(config), 1, true) &&
           step(commands::setLeft(i, static_cast<quint32>(shown[0])), 1, true) &&
           step(commands::setRight(i, static_cast<quint32>(shown[1])), 1, true) &&
           step(commands::runTimeLeft(static_cast<quint32>(shown[2])), commands::PositionAnswerLength, false) &&
           step(commands::runTimeRight(static_cast<quint32>(shown[3])), commands::PositionAnswerLength, false);
}

}  // namespace qb
