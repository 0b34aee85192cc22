#include "session/ServoWrites.h"

#include "decoder/DecoderIdentity.h"
#include "link/Reply.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"
#include "session/Line.h"
#include "session/SessionView.h"

namespace qb {

commands::ServoConfig servoConfigFor(const OutputSettings& settings, int output, int protocolVariant)
{
    commands::ServoConfig config;
    config.output = output;
    config.neutralHex = settings.NeutralHex.toLatin1();
    config.brand = settings.Brand;
    config.functionCode = settings.FunctionCode;
    config.polarity = settings.Polarity;
    config.powerOff = settings.PowerOff;
    config.bounceCode = settings.BounceCode;
    config.bounceAmount = static_cast<quint32>(settings.BounceAmount);
    config.repeatCount = static_cast<quint32>(settings.RepeatCount);
    config.directionReversed = settings.DirectionReversed;
    config.withDirection = protocolVariant != 1;
    return config;
}

ServoWrites::ServoWrites(Host& host, Line& line, const DecoderIdentity& identity, const OutputSettings& settings,
                         SessionView& view)
    : host_(host), line_(line), identity_(identity), settings_(settings), view_(view)
{
}

bool ServoWrites::step(const Frame& frame)
{
    return !reportFailure(host_, line_.exchange(frame));
}

bool ServoWrites::acknowledgedStep(const Frame& frame)
{
    return !reportFailure(host_, requireAcknowledgement(line_.exchange(frame)));
}

bool ServoWrites::address(int n)
{
    // The run-time commands name no output: they act on the one whose block
    // the decoder sent last, so that is made output n first.
    return !reportFailure(host_, line_.readBlock(n));
}

bool ServoWrites::runTime(const Frame& frame, bool left, int n)
{
    if (!step(frame))
        return false;
    const QString name = identity_.PairedFamily != 0 ? identity_.outputName(n) : QStringLiteral("Servo ") + QString::number(n);
    view_.setStatus(name + (left ? QStringLiteral(" Drehgeschwindigkeit links!") : QStringLiteral(" Drehgeschwindigkeit rechts!")));
    return true;
}

bool ServoWrites::resetByProgram(int n)
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
    factory.withDirection = identity_.ProtocolVariant != 1;
    // The 4-way turnout decoders drive the two servos of a pair to different ends.
    const bool turnout = identity_.DecoderId == "V7966445" || identity_.DecoderId == "V7656642";
    const bool even = n % 2 == 0;
    const quint32 left = turnout && even ? 9000 : 12000;
    const quint32 right = turnout && !even ? 10000 : 8000;
    return acknowledgedStep(commands::servoConfigWrite(factory)) && step(commands::setLeft(n, left)) &&
           step(commands::setRight(n, right)) && address(n) && runTime(commands::runTimeLeft(0), true, n) &&
           runTime(commands::runTimeRight(0), false, n);
}

bool ServoWrites::copyByProgram(int i)
{
    commands::ServoConfig config = servoConfigFor(settings_, i, identity_.ProtocolVariant);
    commands::applyValueWordRule(config);
    return acknowledgedStep(commands::servoConfigWrite(config)) &&
           step(commands::setLeft(i, static_cast<quint32>(settings_.LeftPos))) &&
           step(commands::setRight(i, static_cast<quint32>(settings_.RightPos))) && address(i) &&
           step(commands::runTimeLeft(static_cast<quint32>(settings_.RunTimeLeft))) &&
           step(commands::runTimeRight(static_cast<quint32>(settings_.RunTimeRight)));
}

}  // namespace qb
