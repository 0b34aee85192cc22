#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace Ui {
class MainWindow;
}

namespace qb {

class Connection;
class Host;
class ServoWrite;
class Transport;
struct DecoderIdentity;
struct OutputSettings;

// The servo panel's own reactions: the indicator controls, "Servo
// konfigurieren", the middle position, the adjustment and address buttons,
// the two option menu entries and the F1 explanations.
class ServoPanel : public QObject {
    Q_OBJECT
public:
    struct Services {
        Host& host;
        Ui::MainWindow& ui;
        Transport& transport;
        Connection& connection;
        const DecoderIdentity& identity;
        OutputSettings& settings;
        ServoWrite& write;
    };
    explicit ServoPanel(Services services);

    // Opens the servo type dialog; false when the user cancelled it.
    std::function<bool()> runServoTypeDialog;
    // The adjustment dialog and the address dialogs, once they exist.
    std::function<void()> openAdjustment;
    std::function<void(bool motorola)> openAddressDialog;
    // The F1 explanation window.
    std::function<void(const QString& title, const QString& text)> showHelp;
    // The start-up query of the power-on state is running: the menu waits.
    std::function<bool()> startupQueryActive;
    // Traffic-light edits are marked on the save button while this holds.
    std::function<bool()> changeMarkingActive;

    bool NotifyMiddle = true;
    bool PowerUpServosOn = false;

    void configure();
    void middlePosition();
    void adjust();
    void newAddress();
    void toggleMiddleNotice();
    void togglePowerUpServos();

    // "Servo 3", or the list entry's text for the paired families.
    QString outputName() const;
    // The F1 title and text of a panel box; empty title for other boxes.
    static std::pair<QString, QString> explanation(const QString& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectIndicators();
    // Sends an adjust begin/end command and reports its answer; false on a time-out.
    bool switchAdjustPower(bool begin);
    void markTrafficLightChange();

    Services s_;
};

// The last line of the middle-position question.
QString middlePositionLine(int pairedFamily, int outputNumber, const QString& neutralText);

}  // namespace qb
