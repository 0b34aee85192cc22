#include "servo/ServoMenus.h"

#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "platform/WindowHost.h"
#include "session/DecoderSession.h"
#include "ui/WindowRegistry.h"

namespace qb {

ServoMenus::ServoMenus(WindowContext context, QWidget& dialogParent)
    : context_(context), dialogParent_(dialogParent)
{
}

bool ServoMenus::trafficLight() const
{
    return context_.session.identity().Mode == PanelMode::TrafficLight;
}

void ServoMenus::runWaitWindow(const QString& caption, WaitOptions options)
{
    DecoderSession& session = context_.session;
    WaitWindow wait(context_.host, session.line(), WaitWindow::Kind::Servo, session.settings().FunctionCode, options,
                    &dialogParent_);
    wait.setWindowTitle(caption);
    context_.closedOnReconnect.add(wait);
    context_.host.runModal(wait);
}

void ServoMenus::resetOne(int i, const QString& caption)
{
    DecoderSession& session = context_.session;
    if (!isInGroup(DecoderGroup::DirectSwitchGroup, session.identity().DecoderId)) {
        session.exchange(commands::outputReset(i));
        runWaitWindow(caption);
        return;
    }
    session.resetServoByProgram(i);
    runWaitWindow(caption, {i, true});
}

void ServoMenus::resetEntry(int i)
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    const DecoderIdentity& identity = session.identity();
    if (i >= 1 && i <= 8) {
        const QString question = trafficLight()
                                     ? QStringLiteral("Phase ") + identity.outputName(i) + QStringLiteral(" auf Standart-Einstellung setzen?")
                                     : QStringLiteral("Servo ") + QString::number(i) + QStringLiteral(" auf Standart-Einstellung setzen?");
        if (context_.host.message(question, Buttons::YesNo) != Answer::Yes)
            return;
        resetOne(i, trafficLight() ? QStringLiteral("Reset Phase ") + identity.outputName(i) + QStringLiteral(", bitte warten...")
                                   : QStringLiteral("Servo ") + QString::number(i) + QStringLiteral(" Reset, bitte warten..."));
        session.selectOutput(i);
        return;
    }
    const QString question = trafficLight() ? QStringLiteral("Alle Ampelphasen auf Standart-Einstellung setzen?")
                                            : QStringLiteral("Alle Servos auf Standart-Einstellung setzen?");
    if (context_.host.message(question, Buttons::YesNo) != Answer::Yes)
        return;
    const bool direct = isInGroup(DecoderGroup::DirectSwitchGroup, identity.DecoderId);
    {
        const CountedFlag::Hold dialogActive = session.dialogActive().hold();
        for (int f = 1; f <= identity.EntryCount && !context_.host.quitRequested(); ++f) {
            const QString caption = direct && trafficLight()
                                        ? QStringLiteral("Reset alle Ampelphasen, bitte warten...")
                                        : QStringLiteral("Servo ") + QString::number(f) + QStringLiteral(" Reset, bitte warten...");
            resetOne(f, caption);
        }
    }
    session.selectOutput(1);
}

void ServoMenus::copyTo(int i)
{
    DecoderSession& session = context_.session;
    const Line::Operation operation = session.operation();
    if (!operation)
        return;
    const int s = session.settings().OutputNumber;
    if (i == s) {
        context_.host.message(texts::lines({QStringLiteral("Kopieren der Daten von Servo ") + QString::number(s),
                                            QStringLiteral("nach Servo ") + QString::number(i) + QStringLiteral(" macht keinen Sinn!")}));
        return;
    }
    const QString caption = QStringLiteral("Servo ") + QString::number(s) + QStringLiteral(" kopieren nach Servo ") +
                            QString::number(i) + QStringLiteral(", bitte warten...");
    if (!isInGroup(DecoderGroup::StartupStateGroup, session.identity().DecoderId)) {
        session.exchange(commands::outputCopy(s, i));
        runWaitWindow(caption);
        session.selectOutput(i);
        return;
    }
    session.copyServoByProgram(i);
    runWaitWindow(caption, {i, true});
    session.selectOutput(i);
    session.delay(200);
    session.switchOutput(i, 0);
    session.delay(1000);
}

}  // namespace qb
