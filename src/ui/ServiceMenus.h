#pragma once

#include "session/MemoryBackup.h"
#include "ui/WindowContext.h"

#include <QObject>

class QProgressBar;

namespace qb {

// The "Service" menu: backing the decoder's memory up into a file, writing
// a backup back, and comparing a backup with the decoder. The file dialogs
// and their checks run before the line is taken, so the decoder is not held
// while the user chooses a file; the progress goes to the main window's bar.
class ServiceMenus : public QObject, private BackupProgress {
    Q_OBJECT
public:
    ServiceMenus(WindowContext context, QProgressBar& progressBar);

    void backUp();   // "Servo Einstellungen sichern"
    void restore();  // "Servo Einstellungen wiederherstellen"
    void compare();  // "Sicherung mit Decoder vergleichen"

private:
    void showProgress(int minimum, int maximum, int value) override;
    void setProgress(int value) override;
    void hideProgress() override;

    // False (with a beep) when the decoder is busy with another operation:
    // the user then does not choose a file in vain.
    bool lineFree();
    // The backup file to read, or nothing.
    std::optional<QString> chooseBackup(const QString& title);

    WindowContext context_;
    QProgressBar& progressBar_;
    MemoryBackup backup_;
};

}  // namespace qb
