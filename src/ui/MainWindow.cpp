#include "ui/MainWindow.h"

#include "decoder/Detection.h"
#include "decoder/FamilyLayout.h"
#include "memory/ConfigBlock.h"
#include "memory/OutputRead.h"
#include "link/CommandCatalogue.h"
#include "servo/ServoMenus.h"
#include "servo/ServoPanel.h"
#include "servo/ServoTypeDialog.h"
#include "servo/ServoWrite.h"
#include "ui/WaitWindow.h"
#include "ui/BlockPresenter.h"
#include "link/Connection.h"
#include "link/Transport.h"
#include "platform/Host.h"
#include "ui/InfoWindows.h"
#include "ui/WindowSize.h"
#include "ui_Hauptform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMenuBar>

namespace qb {

MainWindow::MainWindow(Services services)
    : services_(std::move(services)), ui_(std::make_unique<Ui::MainWindow>())
{
    ui_->setupUi(this);
    // Menus that start disabled or hidden; identification enables what the
    // decoder needs.
    for (const char* name : {"mnu_reset", "mnu_copy", "mnu_service"})
        menu(name)->menuAction()->setEnabled(false);

    transport_ = std::make_unique<Transport>(services_.host, services_.port, identity_,
                                             [this] { closeMainWindow(); });
    connection_ = std::make_unique<Connection>(services_.host, services_.port, services_.settings,
                                               services_.machine, *transport_, *this);
    detection_ = std::make_unique<Detection>(services_.host, *connection_, *transport_, identity_, settings_, *this);
    identification_ = std::make_unique<Identification>(services_.host, *connection_, *transport_, identity_,
                                                       settings_, *this);
    outputRead_ = std::make_unique<OutputRead>(services_.host, *connection_, *transport_, identity_, settings_, *this);
    servoWrite_ = std::make_unique<ServoWrite>(services_.host, *transport_, identity_, settings_);
    servoWrite_->setReadBack([this] { outputRead_->ReadOutput(); });
    servoWrite_->setStatus([this](const QString& text) { setStatus(text); });
    servoWrite_->setEntryText([this] { return ui_->Servo_auswahl->text(); });
    BlockPresenter::Actions actions;
    actions.resetOutput = [this](int output) { transport_->Send(commands::outputReset(output)); };
    actions.selectAndRead = [this](int output) { selectOutput(output - 1); };
    actions.writeConfiguration = [this] { servoWrite_->sende_konfiguration(); };
    actions.endProgram = [this] { closeMainWindow(); };
    actions.protocolVariant = [this] { return transport_->ProtocolVariant; };
    actions.selectedLayoutCode = [this] { return SelectedLayoutCode; };
    presenter_ = std::make_unique<BlockPresenter>(services_.host, *ui_, settings_, identity_, std::move(actions));
    createServoParts();
    detection_->identify = [this] { identification_->Identify(); };
    connection_->attemptsLeft = [this] { return detection_->AttemptsLeft; };
    connection_->onPortChosen = [this] { detection_->afterPortChoice(); };
    connection_->onReconnect = [this] { detection_->runStartupSequence(); };

    activation_ = services_.host.createTimer();
    activation_->setInterval(1);
    activation_->setHandler([this] {
        activation_->setEnabled(false);
        detection_->runStartupSequence();
    });
    connectMenus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createServoParts()
{
    servoWrite_->setEntryOf([this](int n) { return entryText(n); });
    servoWrite_->setShownValues([this] {
        return std::array<int, 4>{ui_->lblLinker_Wert->text().toInt(), ui_->lblRechter_Wert->text().toInt(),
                                  ui_->lblLaufzeit_links->text().toInt(), ui_->lblLaufzeit_rechts->text().toInt()};
    });
    servoWrite_->setRunTimeShown([this](int side, int value) {
        (side == 0 ? ui_->Laufzeit_links : ui_->Laufzeit_rechts)->setText(QString::number(value));
    });
    servoPanel_ = std::make_unique<ServoPanel>(
        ServoPanel::Services{services_.host, *ui_, *transport_, *connection_, identity_, settings_, *servoWrite_});
    servoPanel_->showHelp = [this](const QString& title, const QString& text) { showHelp(title, text); };
    servoPanel_->runServoTypeDialog = [this] {
        ServoTypeDialog dialog(services_.host, settings_, identity_, transport_->ProtocolVariant, this);
        services_.host.runModal(dialog);
        return !dialog.cancelled();
    };
    servoPanel_->startupQueryActive = [this] { return detection_->StartupQueryActive; };
    servoPanel_->changeMarkingActive = [this] { return ChangeMarkingActive; };

    ServoMenus::Services menus{services_.host, *transport_, *connection_, identity_, settings_, *servoWrite_, {}, {}, {}};
    menus.runWaitWindow = [this](const QString& caption) {
        WaitWindow wait(services_.host, *transport_, WaitWindow::Kind::Servo, settings_.FunctionCode, this);
        wait.setWindowTitle(caption);
        services_.host.runModal(wait);
    };
    menus.selectAndRead = [this](int n) { selectOutput(n - 1); };
    menus.entryOf = [this](int n) { return entryText(n); };
    servoMenus_ = std::make_unique<ServoMenus>(std::move(menus));
    for (int i = 1; i <= 9; ++i)
        connect(findChild<QAction*>(QStringLiteral("mnu_RServo_%1").arg(i)), &QAction::triggered, this,
                [this, i] { servoMenus_->resetEntry(i); });
    for (int i = 1; i <= 8; ++i)
        connect(findChild<QAction*>(QStringLiteral("mnu_copyx_%1").arg(i)), &QAction::triggered, this,
                [this, i] { servoMenus_->copyTo(i); });
}

QString MainWindow::entryText(int n) const
{
    const QListWidgetItem* item = ui_->Servo->item(n - 1);
    return item ? item->text() : QString();
}

void MainWindow::connectMenus()
{
    connect(ui_->mnu_beenden, &QAction::triggered, this, &MainWindow::closeMainWindow);
    for (int n = 1; n <= Connection::PortCount; ++n)
        connect(portEntry(n), &QAction::triggered, this, [this, n] {
            // A menu entry checks itself on a click; the connection decides.
            portEntry(n)->setChecked(!portEntry(n)->isChecked());
            connection_->SelectPort(n);
        });
    connect(ui_->mnu_about, &QAction::triggered, this, &MainWindow::showAbout);
    // A single click on the list only disables copying until an output is read.
    connect(ui_->Servo, &QListWidget::currentRowChanged, this,
            [this] { menu("mnu_copy")->menuAction()->setEnabled(false); });
    connect(ui_->Servo, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { selectOutput(ui_->Servo->row(item)); });
    connect(ui_->mnu_search, &QAction::triggered, this, &MainWindow::openPortScan);
}

void MainWindow::start()
{
    const QSize twips = mainWindowTwips(WindowsVersionName(services_.os.query()));
    // Qt's fonts are wider than the ones the twip sizes were made for: the
    // window grows where its menus or controls need more room.
    resize(twipsToPixels(twips).expandedTo(QSize(menuBar()->sizeHint().width(), 0)).expandedTo(minimumSizeHint()));
    if (connection_->ShuttingDown) {
        services_.host.requestQuit();
        return;
    }
    connection_->loadSettings(services_.programFolder, services_.pinnedPort);
    settings_.OutputNumber = 1;
    identity_.PairedFamily = 0;
    identity_.PairedOutputs = false;
    identity_.ActiveTestOutput = 0;
    show();
    connection_->openAtStart();
    // The window is up: detection starts, as when it becomes active.
    activation_->setEnabled(true);
}

QAction* MainWindow::portEntry(int n) const
{
    return findChild<QAction*>(QStringLiteral("mnu_com_%1").arg(n));
}

QMenu* MainWindow::menu(const QString& objectName) const
{
    return findChild<QMenu*>(objectName);
}

void MainWindow::openPortScan()
{
    if (!scanDialog_)
        scanDialog_ = std::make_unique<PortScanDialog>(*connection_, this);
    services_.host.showModeless(*scanDialog_);
    scanDialog_->scan();
}

void MainWindow::showAbout()
{
    AboutWindow about(this);
    services_.host.runModal(about);
}

void MainWindow::showHelp(const QString& title, const QString& text)
{
    HelpWindow help(title, text, this);
    services_.host.runModal(help);
}

void MainWindow::setStatus(const QString& text)
{
    ui_->Status->setText(text);
}

QString MainWindow::status() const
{
    return ui_->Status->text();
}

void MainWindow::setPortDisplay(const QString& text)
{
    ui_->COM_Port_Text->setText(text);
}

void MainWindow::checkPortEntry(int n, int uncheckUpTo)
{
    for (int i = 1; i <= uncheckUpTo; ++i)
        portEntry(i)->setChecked(false);
    if (QAction* entry = portEntry(n))
        entry->setChecked(true);
}

void MainWindow::setConnectionHint(const QString& text)
{
    ui_->Label1->setText(text);
}

void MainWindow::showPowerUpState(const QString& caption)
{
    ui_->mnu_servo->setText(caption);
    ui_->mnu_servo->setVisible(true);
}

void MainWindow::unloadWindows(const QStringList& objectNames)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && objectNames.contains(window->objectName()) && window->isVisible())
            window->close();
}

void MainWindow::closeMainWindow()
{
    if (connection_->ShuttingDown)
        return;
    close();
}

QString MainWindow::hintText() const
{
    return ui_->Label2->text();
}

void MainWindow::setHintText(const QString& text)
{
    ui_->Label2->setText(text);
}

void MainWindow::applyChange(const ControlChange& change)
{
    if (change.name == QLatin1String("Hauptform")) {
        if (change.caption)
            setWindowTitle(*change.caption);
        return;
    }
    QObject* control = findChild<QObject*>(change.name);
    if (!control)
        return;
    // Menus act through their entry in the menu bar.
    if (auto* m = qobject_cast<QMenu*>(control))
        control = m->menuAction();
    if (change.enabled)
        control->setProperty("enabled", *change.enabled);
    if (change.visible)
        control->setProperty("visible", *change.visible);
    if (change.caption) {
        const char* property = qobject_cast<QGroupBox*>(control) ? "title" : "text";
        control->setProperty(property, *change.caption);
    }
}

void MainWindow::fillOutputList(const QStringList& entries)
{
    ui_->Servo->clear();
    ui_->Servo->addItems(entries);
    // Selecting the current output runs the list's own selection handling.
    ui_->Servo->setCurrentRow(std::min(settings_.OutputNumber, static_cast<int>(entries.size())) - 1);
}

void MainWindow::applyLayout(const FamilyLayout& layout)
{
    for (const ControlChange& change : layout.changes)
        applyChange(change);
    if (layout.listFilled)
        fillOutputList(layout.entries);
    else
        ui_->Servo->clear();
}

void MainWindow::enableOutputList()
{
    ui_->Servo->setEnabled(true);
    menu("mnu_copy")->menuAction()->setEnabled(true);
}

void MainWindow::showBlock(const ConfigBlock& block)
{
    presenter_->show(block);
}

void MainWindow::layOutPanel(const QString& entryText)
{
    const int mode = identity_.PanelMode;
    ui_->FrameAdresse->setTitle(settings_.AddressMode == 2 ? QStringLiteral("Motorola Adresse")
                                                           : QStringLiteral("DCC Adresse"));
    ui_->Label1->hide();
    ui_->Status->setEnabled(true);
    ui_->FrameSteuert->show();
    ui_->FrameCom->hide();
    const bool servo = mode != 1 && mode != 2;
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->ServoLeft, ui_->ServoMiddle, ui_->S_Konfigurieren,
                                                      ui_->Command2, ui_->Command3})
        w->setVisible(servo);
    // Traffic lights and coils keep only the first value row, the phase or switch-on time.
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->Linker_Wert, ui_->lblCapRechts, ui_->Rechter_Wert, ui_->lblRechter_Wert, ui_->lblCapIst,
             ui_->IST_Pos, ui_->lblIST_Pos, ui_->lblCapSoll, ui_->SOLL_Pos, ui_->lblSOLL_Pos,
             ui_->lblCapLaufzeitLinks, ui_->Laufzeit_links, ui_->lblLaufzeit_links, ui_->lblCapLaufzeitRechts,
             ui_->Laufzeit_rechts, ui_->lblLaufzeit_rechts})
        w->setVisible(servo);
    ui_->lblLinker_Wert->setVisible(mode != 2);
    ui_->lblAktuell->setVisible(mode == 2);
    ui_->AmpelPanel->setVisible(mode == 1);
    ui_->SpulenPanel->setVisible(mode == 2);
    ui_->cmdAmpelzeit->setVisible(mode == 1);
    if (servo) {
        ui_->lblCapLinks->setText(QStringLiteral("Linke Position:"));
        ui_->lblSekunden->clear();
    } else if (mode == 1) {
        ui_->lblCapLinks->setText(QStringLiteral("Zeit in Millisekunden"));
        ui_->lblAmpelzeit->setText(QStringLiteral("Neue Zeit für ") + entryText + QStringLiteral(" ="));
        ui_->FrameSteuert->setTitle(QStringLiteral("Ampelfunktion"));
    } else {
        ui_->lblCapLinks->setText(QStringLiteral("Aktuelle Zeit in Sekunden"));
        ui_->lblSekunden->setText(QStringLiteral("Sekunden"));
    }
}

void MainWindow::updateEndFlags()
{
    const QString actual = ui_->IST_Pos->text();
    const QString left = ui_->Linker_Wert->text();
    const QString right = ui_->Rechter_Wert->text();
    if (left == actual) {
        AtLeftEnd = true;
        AtRightEnd = false;
    }
    if (right == actual) {
        AtLeftEnd = false;
        AtRightEnd = true;
    }
    if (left == right) {
        AtLeftEnd = false;
        AtRightEnd = false;
    }
}

void MainWindow::selectOutput(int index)
{
    if (connection_->PortNumber < 1) {
        services_.host.message(QStringLiteral("Sie müssen zuerst einen COM-Port(1-8) über das Menü auswählen!"));
        return;
    }
    if (index < 0 || index >= ui_->Servo->count())
        return;
    const QString entryText = ui_->Servo->item(index)->text();
    ui_->Servo->setCurrentRow(index);
    ui_->Servo_auswahl->setText(entryText);
    SelectedOutputIndex = index;
    layOutPanel(entryText);
    settings_.TakePowerOffFromDecoder = true;
    if (transport_->ProtocolVariant == 2)
        menu("mnu_copy")->menuAction()->setEnabled(true);
    settings_.OutputNumber = index + 1;
    if (!services_.port.isOpen() && !connection_->EnsurePortOpen())
        return;
    settings_.BlockDecoded = false;
    outputRead_->ReadOutput();
    updateEndFlags();
    if (settings_.BlockDecoded) {
        ui_->S_Konfigurieren->setEnabled(!identity_.DecoderId.startsWith(QLatin1String("B5")));
        ui_->Command2->setEnabled(true);
        ui_->Command3->setEnabled(true);
        ui_->Command4->setEnabled(true);
    }
    if (identity_.PairedFamily == 4)
        ui_->S_Konfigurieren->setEnabled(settings_.OutputNumber % 2 == 1);
    if (entryText == QLatin1String("Rot 1"))
        ChangeMarkingActive = true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    connection_->mainWindowClosing();
    if (scanDialog_)
        scanDialog_->close();
    event->accept();
}

}  // namespace qb
