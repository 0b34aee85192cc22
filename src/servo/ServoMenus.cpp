#include "servo/ServoMenus.h"

#include "decoder/DecoderIdentity.h"
#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"
#include "servo/ServoWrite.h"

namespace qb {

namespace {
const QString CRLF = QStringLiteral("\r\n");
}  // namespace

ServoMenus::ServoMenus(Services services) : s_(std::move(services)) {}

bool ServoMenus::trafficLight() const
{
    return s_.identity.PanelMode == 1;
}

void ServoMenus::resetOne(int i, const QString& caption)
{
    Transport& transport = s_.transport;
    if (!isInGroup(DecoderGroup::DirectSwitchGroup, s_.identity.DecoderId)) {
        transport.Send(commands::outputReset(i));
        s_.settings.OutputNumber = i;
        s_.runWaitWindow(caption);
        return;
    }
    s_.host.setBusy(true);
    s_.write.reset_servo(i);
    s_.host.setBusy(false);
    s_.settings.OutputNumber = i;
    transport.ResetOutput = i;
    transport.MoveAfterReset = true;
    s_.runWaitWindow(caption);
    transport.ResetOutput = 0;
    transport.MoveAfterReset = false;
}

void ServoMenus::resetEntry(int i)
{
    if (i >= 1 && i <= 8) {
        const QString question = trafficLight()
                                     ? QStringLiteral("Phase ") + s_.entryOf(i) + QStringLiteral(" auf Standart-Einstellung setzen?")
                                     : QStringLiteral("Servo ") + QString::number(i) + QStringLiteral(" auf Standart-Einstellung setzen?");
        if (s_.host.message(question, Buttons::YesNo) != Answer::Yes)
            return;
        resetOne(i, trafficLight() ? QStringLiteral("Reset Phase ") + s_.entryOf(i) + QStringLiteral(", bitte warten...")
                                   : QStringLiteral("Servo ") + QString::number(i) + QStringLiteral(" Reset, bitte warten..."));
        s_.selectAndRead(i);
        s_.host.setBusy(false);
        return;
    }
    const QString question = trafficLight() ? QStringLiteral("Alle Ampelphasen auf Standart-Einstellung setzen?")
                                            : QStringLiteral("Alle Servos auf Standart-Einstellung setzen?");
    if (s_.host.message(question, Buttons::YesNo) != Answer::Yes)
        return;
    const bool direct = isInGroup(DecoderGroup::DirectSwitchGroup, s_.identity.DecoderId);
    s_.connection.DialogActive = true;
    for (int f = 1; f <= s_.identity.EntryCount && !s_.host.quitRequested(); ++f) {
        const QString caption = direct && trafficLight()
                                    ? QStringLiteral("Reset alle Ampelphasen, bitte warten...")
                                    : QStringLiteral("Servo ") + QString::number(f) + QStringLiteral(" Reset, bitte warten...");
        resetOne(f, caption);
    }
    s_.connection.DialogActive = false;
    s_.selectAndRead(1);
}

void ServoMenus::copyTo(int i)
{
    const int s = s_.settings.OutputNumber;
    if (i == s) {
        s_.host.message(QStringLiteral("Kopieren der Daten von Servo ") + QString::number(s) + CRLF +
                        QStringLiteral("nach Servo ") + QString::number(i) + QStringLiteral(" macht keinen Sinn!"));
        return;
    }
    const QString caption = QStringLiteral("Servo ") + QString::number(s) + QStringLiteral(" kopieren nach Servo ") +
                            QString::number(i) + QStringLiteral(", bitte warten...");
    Transport& transport = s_.transport;
    if (!isInGroup(DecoderGroup::StartupStateGroup, s_.identity.DecoderId)) {
        transport.Send(commands::outputCopy(s, i));
        s_.runWaitWindow(caption);
        s_.settings.OutputNumber = i;
        s_.selectAndRead(i);
        return;
    }
    s_.write.copy_servo(s, i);
    transport.ResetOutput = i;
    transport.MoveAfterReset = true;
    s_.runWaitWindow(caption);
    transport.ResetOutput = 0;
    transport.MoveAfterReset = false;
    s_.settings.OutputNumber = i;
    s_.selectAndRead(i);
    transport.Delay(200);
    transport.SwitchOutput(i, 0);
    transport.Delay(1000);
}

}  // namespace qb
