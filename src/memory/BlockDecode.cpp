#include "memory/BlockDecode.h"

#include "link/CommandCatalogue.h"
#include "platform/GermanFormat.h"

#include <algorithm>
#include <cmath>

namespace qb {

namespace {

const QString CrLf = QStringLiteral("\r\n");

int generationOf(const QString& id)
{
    if (id.startsWith(QLatin1String("L6")))
        return 1;
    if (id.startsWith(QLatin1String("L9")))
        return 2;
    if (id.startsWith(QLatin1String("L1")) || id.startsWith(QLatin1String("L7")))
        return 3;
    return 0;
}

bool bit(int value, int n)
{
    return (value >> n) & 1;
}

// Up to 15 significant digits in fixed notation, trailing zeros dropped.
QString numberText(double value)
{
    if (value == 0.0)
        value = 0.0;  // no "-0"
    const double magnitude = std::fabs(value);
    const int integerDigits = magnitude >= 1.0 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 0;
    QString text = formatNumber(value, std::max(0, 15 - integerDigits));
    if (text.contains(QLatin1Char(','))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char(',')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QString brandText(int code, bool soundDecoder)
{
    switch (code) {
    case 1: return QStringLiteral("Graupner");
    case 2: return QStringLiteral("Futaba");
    case 3: return QStringLiteral("Multiplex");
    case 4: return soundDecoder ? QStringLiteral("Kein Servo") : QStringLiteral("Robbe/Conrad");
    case 5: return QStringLiteral("Simprop");
    case 6: return QStringLiteral("Sonstige");
    case 7: return QStringLiteral("Hitec");
    default: return {};
    }
}

// Stored layout in generation-2/3 numbering.
std::optional<int> crossingLayout(int field2, int generation)
{
    if (generation == 1) {
        // Generation 1 numbers the same five options differently (no 2-way T).
        switch (field2) {
        case 1: return 2;
        case 2: return 1;
        case 3: return 4;
        case 4: return 8;
        default: return std::nullopt;
        }
    }
    const int layout = field2 & 0x1F;
    switch (layout) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
        return layout;
    case 24:
        return generation >= 3 ? 8 : 2;
    default:
        return 2;  // any other value: the crossing without transistors
    }
}

std::array<bool, 4> busLanes(int digit)
{
    std::array<bool, 4> lanes{};
    if (digit > 7) {
        lanes[3] = true;
        digit -= 8;
    }
    if (digit >= 1 && digit <= 7) {
        lanes[0] = bit(digit, 0);
        lanes[1] = bit(digit, 1);
        lanes[2] = bit(digit, 2);
    }
    return lanes;
}

bool recognisedStatus(int d)
{
    return (d >= 0 && d <= 3) || (d >= 8 && d <= 11);
}

// The address from fields 21..23 in the given address mode.
std::optional<int> addressOf(const ConfigBlock& block, int addressMode)
{
    if (addressMode != 2)
        return block.pair(22);
    const auto high = block.field(22);
    const auto low = block.field(23);
    if (high && low)
        if (const int address = commands::motorolaAddress(commands::motorolaCodeText(*high, *low)))
            return address;
    return block.field(21);
}

class Decoder {
public:
    Decoder(const ConfigBlock& block, const DecodeContext& context)
        : block_(block),
          context_(context),
          generation_(generationOf(context.DecoderId)),
          sound_(context.DecoderId.startsWith(QLatin1String("B5"))),
          trafficMode_(context.PanelMode == 1),
          coilMode_(context.PanelMode == 2),
          servoMode_(!trafficMode_ && !coilMode_)
    {
        r_.FunctionCode = context.FunctionCode;
        r_.DirectionReversed = context.DirectionReversed;
        r_.AddressMode = context.AddressMode;
        r_.TakePowerOffFromDecoder = context.TakePowerOffFromDecoder;
        r_.TrafficLightGeneration = generation_;
    }

    DecodedBlock run()
    {
        flags_ = block_.field(1);
        polarity();
        if (!powerOff())
            return r_;
        if (flags_) {
            function(*flags_);
            // Each step clears the option of a bit that is not set: with none
            // of the four set, no option stays selected.
            if (!r_.SelectedOption)
                r_.SelectedOption = FunctionOption::None;
        }
        if (!fieldTwo())
            return r_;
        if (generation_ == 3)
            r_.BusLanes = busLanes(block_.busLaneDigit());
        neutral();
        if (!positions())
            return r_;
        r_.MotorolaFallback = block_.field(21);
        status();
        address();
        bouncePercent();
        return r_;
    }

private:
    void polarity()
    {
        if (!flags_)
            return;
        const bool positive = bit(*flags_, 7);
        r_.Polarity = positive ? 2 : 1;
        r_.PolarityLabel = positive ? QStringLiteral("Positiv") : QStringLiteral("Negativ");
        r_.CoilInputOption = positive ? 0 : 1;
    }

    // False when the decode ends here for the push.
    bool powerOff()
    {
        const QString notUsed = QStringLiteral("Wird nicht verwendet!");
        auto label = [&](int value) {
            return sound_ ? notUsed : value ? QStringLiteral("Ja") : QStringLiteral("Nein");
        };
        if (context_.TakePowerOffFromDecoder) {
            if (sound_) {
                r_.PowerOff = 0;
                r_.PowerOffFrom = PowerOffSource::NotUsed;
                r_.PowerOffLabel = notUsed;
                r_.TakePowerOffFromDecoder = false;
            } else if (flags_) {
                r_.PowerOff = bit(*flags_, 6) ? 1 : 0;
                r_.PowerOffFrom = PowerOffSource::Decoder;
                r_.PowerOffLabel = label(*r_.PowerOff);
                r_.TakePowerOffFromDecoder = false;
            }
            return true;
        }
        r_.PowerOff = context_.PowerOff;
        r_.PowerOffFrom = PowerOffSource::Program;
        r_.PowerOffLabel = label(context_.PowerOff);
        if (context_.PowerOff == 1 && !context_.SuppressPowerOffPush && flags_) {
            // The caller writes the configuration with the flag set; the read
            // after the write decodes the block again, and the flag is set
            // once more afterwards.
            r_.Outcome = DecodeOutcome::PowerOffPush;
            r_.TakePowerOffFromDecoder = true;
            return false;
        }
        return true;
    }

    void setFunction(int code, FunctionOption option)
    {
        r_.FunctionCode = code;
        r_.SelectedOption = option;
    }

    void function(int f)
    {
        const bool traffic = generation_ > 0;
        const int lowBits = f & 0x03;

        // Bit 3: repetition.
        if (bit(f, 3)) {
            r_.FunctionCode = 8;
            r_.BounceCode = 0;
            if (servoMode_) {
                r_.RepetitionFrameVisible = true;
                r_.BounceFrameVisible = false;
                r_.SelectedOption = FunctionOption::Repetition;
                r_.FunctionLabel = QStringLiteral("Wiederholung");
            }
        } else {
            r_.RepetitionFrameVisible = false;
            r_.BounceLeft = bit(f, 5);
            r_.BounceRight = bit(f, 4);
            r_.BounceCode = 2 * bit(f, 5) + bit(f, 4);
            if (servoMode_)
                r_.BounceFrameVisible = *r_.BounceCode != 0;
        }
        // Bit 2: level crossing.
        if (bit(f, 2)) {
            setFunction(4, FunctionOption::LevelCrossing);
            r_.FunctionLabel = QStringLiteral("Bahnschranke");
            r_.RepetitionFrameVisible = false;
        }
        // Bit 1: semaphore, or for traffic lights the command station.
        if (bit(f, 1)) {
            setFunction(2, FunctionOption::Semaphore);
            r_.RepetitionFrameVisible = false;
            if (traffic) {
                if (lowBits == 0b10) {
                    r_.FunctionFrameCaption = QStringLiteral("Ampel wird gesteuert über die:");
                    r_.FunctionLabel = QStringLiteral("Digital-Zentrale");
                    r_.SelectedOption = FunctionOption::CommandStation;
                }
            } else {
                r_.FunctionFrameCaption = QStringLiteral("Servo steuert");
                r_.FunctionLabel = QStringLiteral("Flügelsignal");
            }
        }
        // Bit 0: turnout, sound module, or the traffic-light control.
        if (bit(f, 0)) {
            setFunction(1, FunctionOption::Turnout);
            r_.RepetitionFrameVisible = false;
            r_.BounceFrameVisible = false;
            if (sound_) {
                r_.FunctionFrameCaption = QStringLiteral("Decoder steuert");
                r_.FunctionLabel = QStringLiteral("Sound Modul");
            } else if (traffic && (generation_ < 3 || lowBits == 0b01)) {
                r_.FunctionFrameCaption = QStringLiteral("Ampel wird gesteuert über die:");
                r_.FunctionLabel = QStringLiteral("Automatik");
                r_.SelectedOption = FunctionOption::Automatic;
            } else if (traffic) {
                setFunction(3, FunctionOption::PhasesSingly);
                r_.FunctionFrameCaption = QStringLiteral("Ampel sind entkoppelt:");
                r_.FunctionLabel = QStringLiteral("Digital Zentrale");
            } else {
                r_.FunctionFrameCaption = QStringLiteral("Servo steuert");
                r_.FunctionLabel = QStringLiteral("Weiche");
            }
        }
    }

    // False when the data are fatally wrong.
    bool fieldTwo()
    {
        const auto f2 = block_.field(2);
        if (!f2)
            return true;
        r_.Brand = *f2;
        if (generation_ > 0) {
            r_.CrossingLayoutCode = crossingLayout(*f2, generation_);
            r_.SelectCrossingOption = r_.CrossingLayoutCode &&
                                      (context_.SelectedLayoutCode == 0 ||
                                       context_.SelectedLayoutCode == *r_.CrossingLayoutCode);
            if (generation_ >= 2) {
                r_.PedestrianPhase = bit(*f2, 7);
                r_.DemandLight = bit(*f2, 6);
                r_.BusLaneFirstLane = bit(*f2, 5);
            }
        } else if (coilMode_) {
            // Each input its own coil (bit 7) leaves no row end.
            const bool chain = flags_ && !bit(*flags_, 7) && *f2 >= 1 && *f2 <= 7;
            r_.CoilRowEnd = chain ? *f2 - 1 : DecodedBlock::NoRowEnd;
        } else if (servoMode_) {
            const QString text = brandText(*f2, sound_);
            if (!text.isEmpty())
                r_.BrandText = text;
        }
        if (generation_ == 1 && *f2 > 7) {
            r_.Outcome = DecodeOutcome::Fatal;
            r_.Message = fatalDataMessage();
            return false;
        }
        return true;
    }

    void neutral()
    {
        r_.Neutral = block_.pair(3);
        if (r_.Neutral)
            r_.NeutralHex = QString::number(*r_.Neutral, 16).toUpper();
    }

    bool positionValid(int value) const
    {
        if (servoMode_)
            return value >= 2000 && value <= 20000;
        return value != 0 && value <= 60000;
    }

    // Takes the pair at `first` into `target` when it is valid; false (and the
    // Implausible outcome) when it is out of range.
    bool take(int first, std::optional<int>& target, bool isPosition)
    {
        const auto value = block_.pair(first);
        if (!value)
            return true;
        const bool valid = isPosition ? positionValid(*value) : *value <= 20000;
        if (!valid) {
            r_.Outcome = DecodeOutcome::Implausible;
            r_.ImplausibleField = first;
            r_.Message = isPosition && !servoMode_ ? positionResetMessage()
                                                   : servoResetMessage(context_.OutputNumber);
            return false;
        }
        target = *value;
        return true;
    }

    bool positions()
    {
        if (!take(5, r_.LeftPos, true))
            return false;
        if (trafficMode_) {
            r_.PhaseTime = r_.LeftPos;
            for (auto* value : {&r_.ActualPos, &r_.RightPos, &r_.TargetPos, &r_.RunTimeLeft, &r_.BounceAmount,
                                &r_.RepeatCount, &r_.RunTimeRight})
                *value = 0;
            r_.RepeatText = QStringLiteral("0");
            return true;
        }
        if (!take(7, r_.ActualPos, true) || !take(9, r_.RightPos, true) || !take(11, r_.TargetPos, true) ||
            !take(13, r_.RunTimeLeft, false) || !take(15, r_.BounceAmount, false))
            return false;
        if (r_.BounceAmount) {
            r_.RepeatCount = r_.BounceAmount;
            r_.RepeatText = *r_.RepeatCount > 254 ? QStringLiteral("Endlos") : QString::number(*r_.RepeatCount);
        }
        return take(17, r_.RunTimeRight, false);
    }

    void status()
    {
        if (context_.ProtocolVariant != 1) {
            const auto d = block_.statusDigit();
            if (d && recognisedStatus(*d)) {
                r_.DirectionReversed = bit(*d, 0);
                r_.AddressMode = (*d == 2 || *d == 3 || *d == 10) ? 2 : 1;
                if (generation_ > 0)
                    r_.CountryOption = bit(*d, 3) ? 2 : bit(*d, 0) ? 1 : 0;
            }
        }
        r_.DirectionLabel = r_.DirectionReversed ? QStringLiteral("Umkehren")
                            : sound_             ? QStringLiteral("Wird nicht verwendet!")
                                                 : QStringLiteral("Nicht umkehren");
        // The decoders that speak both protocols name the one in use.
        const QString& id = context_.DecoderId;
        const bool fourOutputs = id.startsWith(QLatin1String("R5-7"));
        if ((fourOutputs || id.startsWith(QLatin1String("R5--")) || id == QLatin1String("R5XC6645")) &&
            r_.AddressMode != 0) {
            const QString model = fourOutputs ? QStringLiteral("R5-7") : QStringLiteral("R5");
            r_.WindowCaption = QStringLiteral("Einstellung für ") + model +
                               (r_.AddressMode == 2 ? QStringLiteral(" MOTOROLA") : QStringLiteral(" DCC"));
        }
    }

    void address()
    {
        r_.Address = addressOf(block_, r_.AddressMode);
        if (r_.Address)
            r_.VirtualAddress = (*r_.Address - 1) * 4 + context_.OutputNumber;
    }

    void bouncePercent()
    {
        if (!r_.LeftPos || !r_.RightPos || !r_.BounceAmount)
            return;
        if (*r_.LeftPos == *r_.RightPos) {
            r_.BouncePercent = QStringLiteral("???");
            return;
        }
        QString text = numberText(100.0 / (*r_.LeftPos - *r_.RightPos) * *r_.BounceAmount);
        const qsizetype comma = text.indexOf(QLatin1Char(','));
        if (comma >= 0 && text.size() - comma - 1 > 2)
            text.truncate(comma + 3);
        r_.BouncePercent = text;
    }

    const ConfigBlock& block_;
    const DecodeContext& context_;
    const int generation_;
    const bool sound_;
    const bool trafficMode_;
    const bool coilMode_;
    const bool servoMode_;
    std::optional<int> flags_;
    DecodedBlock r_;
};

}  // namespace

QString servoResetMessage(int outputNumber)
{
    return QStringLiteral("Der empfangene Wert ist ungültig!") + CrLf + CrLf + QStringLiteral("Das Servo ") +
           QString::number(outputNumber) + QStringLiteral(" wird auf die Standartwerte gesetzt.");
}

QString positionResetMessage()
{
    return QStringLiteral("Der empfangene Wert ist ungültig!") + CrLf + CrLf +
           QStringLiteral("Der Wert wird auf den Standartwert gesetzt.");
}

QString fatalDataMessage()
{
    return QStringLiteral("Daten im Decoder sind fehlerhaft !") + CrLf +
           QStringLiteral("Senden Sie den Chip mit der Fehlernummer \"SF001\" ein.");
}

DecodedBlock decodeBlock(const ConfigBlock& block, const DecodeContext& context)
{
    return Decoder(block, context).run();
}

std::optional<QString> coilSwitchOnTime(int left, int right, int runTime)
{
    const double travel = left - right;
    switch (runTime) {
    case 8: return numberText(travel / 8 / 50);
    case 16: return numberText(travel / 16 / 50 * 4);
    case 32: return numberText(travel / 32 / 50 * 16);
    default: return std::nullopt;
    }
}

}  // namespace qb
