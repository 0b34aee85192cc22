#include "ui/ServiceMenus.h"

#include "link/Texts.h"
#include "memory/BackupFile.h"
#include "platform/WindowHost.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"

#include <QFileInfo>
#include <QProgressBar>

namespace qb {

namespace {

const QString BackupFilter = QStringLiteral("Servo Daten (*.epr)");

}  // namespace

ServiceMenus::ServiceMenus(WindowContext context, QProgressBar& progressBar)
    : context_(context), progressBar_(progressBar), backup_(context.session, *this)
{
}

bool ServiceMenus::lineFree()
{
    // Asked for and given back at once: the same rule as for the operation itself.
    return static_cast<bool>(context_.session.operation());
}

void ServiceMenus::backUp()
{
    if (!lineFree())
        return;
    WindowHost& host = context_.host;
    const std::optional<QString> chosen = host.saveFileName(
        QStringLiteral("Servo Daten speichern"), context_.session.connection().locationPath(), BackupFilter);
    if (!chosen)
        return;
    const backup::SaveName name = backup::checkSaveName(*chosen);
    if (!name.refusal.isEmpty()) {
        host.message(name.refusal);
        return;
    }
    if (QFileInfo::exists(name.name) &&
        host.message(texts::lines({QStringLiteral("Datei ") + name.name + QStringLiteral(" ist bereits vorhanden!"),
                                   QStringLiteral("Wollen Sie diese überschreiben?")}),
                     Buttons::YesNo) != Answer::Yes)
        return;
    backup_.backUp(name.name);
}

std::optional<QString> ServiceMenus::chooseBackup(const QString& title)
{
    if (!lineFree())
        return std::nullopt;
    const std::optional<QString> chosen =
        context_.host.openFileName(title, context_.session.connection().locationPath(), BackupFilter);
    if (!chosen || backup::isPatternOnly(*chosen))
        return std::nullopt;
    return chosen;
}

void ServiceMenus::restore()
{
    if (const std::optional<QString> file = chooseBackup(QStringLiteral("Servo Daten einlesen")))
        backup_.restore(*file);
}

void ServiceMenus::compare()
{
    if (const std::optional<QString> file = chooseBackup(QStringLiteral("Servo Daten vergleichen")))
        backup_.compare(*file);
}

void ServiceMenus::showProgress(int minimum, int maximum, int value)
{
    progressBar_.setRange(minimum, maximum);
    progressBar_.setValue(value);
    progressBar_.setVisible(true);
}

void ServiceMenus::setProgress(int value)
{
    progressBar_.setValue(value);
}

void ServiceMenus::hideProgress()
{
    progressBar_.setVisible(false);
}

}  // namespace qb
