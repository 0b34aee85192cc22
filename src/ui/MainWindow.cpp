#include "ui/MainWindow.h"

#include "coil/CoilPanel.h"
#include "decoder/FamilyLayout.h"
#include "memory/BlockDecode.h"
#include "platform/WindowHost.h"
#include "servo/ServoMenus.h"
#include "servo/ServoPanel.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "testpanels/OutputTestPanel.h"
#include "trafficlight/TrafficLightPanel.h"
#include "ui/ActivationWatch.h"
#include "ui/InfoWindows.h"
#include "ui/OutputIndicators.h"
#include "ui/ProtocolMonitorWindow.h"
#include "ui/ServiceMenus.h"
#include "ui/WindowSize.h"
#include "ui_Hauptform.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMenuBar>
#include <QSignalBlocker>

namespace qb {

namespace {

QAction* testEntry(Ui::Hauptform& ui, TestEntry entry)
{
    switch (entry) {
    case TestEntry::FourWay: return ui.mnu_4wegTest;
    case TestEntry::FourFold: return ui.mnu_4fachTest;
    case TestEntry::EightFold: return ui.mnu_8fachTest;
    case TestEntry::TrafficLight: return ui.mnu_Ampeltest1;
    case TestEntry::Coil: return ui.mnu_Spulentest;
    }
    return nullptr;
}

void applyMenu(QMenu* menu, const MenuChange& change)
{
    // A menu acts through its entry in the menu bar; the menu itself stays
    // enabled, or it would never open.
    if (change.enabled)
        menu->menuAction()->setEnabled(*change.enabled);
    if (change.visible)
        menu->menuAction()->setVisible(*change.visible);
}

}  // namespace

MainWindow::MainWindow(Services services)
    : services_(std::move(services)), ui_(std::make_unique<Ui::Hauptform>())
{
    ui_->setupUi(this);
    // Menus that start disabled; identification enables what the decoder needs.
    for (const char* name : {"mnu_reset", "mnu_copy", "mnu_service"})
        menu(name)->menuAction()->setEnabled(false);

    session_ = std::make_unique<DecoderSession>(
        DecoderSession::Services{services_.host, services_.port, services_.settings, services_.machine}, *this);
    const WindowContext context{services_.host, *session_, closedOnReconnect_};
    servoPanel_ = std::make_unique<ServoPanel>(context);
    trafficLightPanel_ = std::make_unique<TrafficLightPanel>(context);
    coilPanel_ = std::make_unique<CoilPanel>(context);
    for (OutputPanel* panel : std::initializer_list<OutputPanel*>{servoPanel_.get(), trafficLightPanel_.get(), coilPanel_.get()}) {
        panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        ui_->Panels->addWidget(panel);
    }
    servoPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    servoPanel_->attachMenuEntries(*ui_->mnu_neutral, *ui_->mnu_servo);
    servoMenus_ = std::make_unique<ServoMenus>(context, *this);
    serviceMenus_ = std::make_unique<ServiceMenus>(context, *ui_->ProgressBar1);

    // The start-up sequence runs again whenever the user comes back to the
    // main window from another window of the program.
    auto* activation = new ActivationWatch(*this, *session_);
    connect(activation, &ActivationWatch::returnedFromOwnWindow, this, [this] { session_->runStartupSequence(); });

    activation_ = services_.host.createTimer();
    activation_->setInterval(1);
    activation_->setHandler([this] {
        activation_->setEnabled(false);
        session_->runStartupSequence();
    });
    connectMenus();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::entry(const char* menuArray, int n) const
{
    return findChild<QAction*>(QStringLiteral("%1_%2").arg(QLatin1String(menuArray)).arg(n));
}

void MainWindow::connectMenus()
{
    connect(ui_->mnu_beenden, &QAction::triggered, this, &MainWindow::endProgram);
    for (int n = 1; n <= Connection::PortCount; ++n)
        connect(portEntry(n), &QAction::triggered, this, [this, n] {
            // A menu entry checks itself on a click; the connection decides.
            portEntry(n)->setChecked(!portEntry(n)->isChecked());
            session_->selectPort(n);
        });
    for (int i = 1; i <= 9; ++i)
        connect(entry("mnu_RServo", i), &QAction::triggered, servoMenus_.get(), [this, i] { servoMenus_->resetEntry(i); });
    for (int i = 1; i <= 8; ++i)
        connect(entry("mnu_copyx", i), &QAction::triggered, servoMenus_.get(), [this, i] { servoMenus_->copyTo(i); });
    connect(ui_->mnu_e_dump, &QAction::triggered, serviceMenus_.get(), &ServiceMenus::backUp);
    connect(ui_->mnu_e_restore, &QAction::triggered, serviceMenus_.get(), &ServiceMenus::restore);
    connect(ui_->mnu_e_compare, &QAction::triggered, serviceMenus_.get(), &ServiceMenus::compare);
    // Which device stands behind each number: looked up when the menu
    // opens, as adapters come and go.
    menu("mnu_seriell")->setToolTipsVisible(true);
    connect(menu("mnu_seriell"), &QMenu::aboutToShow, this, [this] {
        for (int n = 1; n <= Connection::PortCount; ++n)
            portEntry(n)->setToolTip(session_->connection().deviceText(n));
    });
    const std::pair<QAction*, TestPanelKind> testPanels[] = {{ui_->mnu_4fachTest, TestPanelKind::FourFold},
                                                             {ui_->mnu_8fachTest, TestPanelKind::EightFold},
                                                             {ui_->mnu_4wegTest, TestPanelKind::FourWay},
                                                             {ui_->mnu_Spulentest, TestPanelKind::Coil}};
    // Closing a test window selects the entry of the output shown before.
    const auto selectOutputEntry = [this] { ui_->Servo->setCurrentRow(session_->settings().OutputNumber - 1); };
    for (const auto& [action, kind] : testPanels)
        connect(action, &QAction::triggered, this, [this, kind = kind, selectOutputEntry] {
            openTestPanel(kind, {services_.host, *session_, closedOnReconnect_}, *this, selectOutputEntry);
        });
    connect(ui_->mnu_Ampeltest1, &QAction::triggered, trafficLightPanel_.get(),
            [this, selectOutputEntry] { trafficLightPanel_->openTestWindow(selectOutputEntry); });
    connect(ui_->mnu_about, &QAction::triggered, this, &MainWindow::showAbout);
    connect(ui_->mnu_search, &QAction::triggered, this, &MainWindow::openPortScan);
    QAction* monitor = ui_->mnu_help->addAction(QStringLiteral("Protokollmonitor"));
    monitor->setObjectName(QStringLiteral("mnu_monitor"));
    connect(monitor, &QAction::triggered, this, &MainWindow::openMonitor);
    // A single click on the list only disables copying until an output is read.
    connect(ui_->Servo, &QListWidget::currentRowChanged, this,
            [this] { menu("mnu_copy")->menuAction()->setEnabled(false); });
    connect(ui_->Servo, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (session_->selectOutput(ui_->Servo->row(item) + 1) != ReadOutcome::Refused)
            return;
        // Not now: the list goes back to the output whose values are shown.
        const QSignalBlocker quiet(ui_->Servo);
        ui_->Servo->setCurrentRow(session_->settings().OutputNumber - 1);
    });
}

void MainWindow::start()
{
    const QSize twips = mainWindowTwips(WindowsVersionName(services_.os.query()));
    // Qt's fonts are wider than the ones the twip sizes were made for: the
    // window grows where its menus or controls need more room.
    resize(twipsToPixels(twips).expandedTo(QSize(menuBar()->sizeHint().width(), 0)).expandedTo(minimumSizeHint()));
    if (session_->shuttingDown()) {
        services_.host.requestQuit();
        return;
    }
    session_->loadSettings(services_.programFolder, services_.pinnedPort);
    show();
    session_->openAtStart();
    // The window is up: detection starts, as when it becomes active.
    activation_->setEnabled(true);
}

OutputPanel& MainWindow::activePanel()
{
    switch (session_->identity().Mode) {
    case PanelMode::TrafficLight:
        return *trafficLightPanel_;
    case PanelMode::Coil:
        return *coilPanel_;
    case PanelMode::Servo:
        break;
    }
    return *servoPanel_;
}

QAction* MainWindow::portEntry(int n) const
{
    return entry("mnu_com", n);
}

QMenu* MainWindow::menu(const QString& objectName) const
{
    return findChild<QMenu*>(objectName);
}

void MainWindow::openPortScan()
{
    if (!scanDialog_)
        scanDialog_ = std::make_unique<PortScanDialog>(*session_, this);
    services_.host.showModeless(*scanDialog_);
    scanDialog_->scan();
}

void MainWindow::openMonitor()
{
    if (!monitorWindow_)
        monitorWindow_ = std::make_unique<ProtocolMonitorWindow>(session_->monitor(), this);
    services_.host.showModeless(*monitorWindow_);
}

void MainWindow::showAbout()
{
    AboutWindow about(this);
    closedOnReconnect_.add(about);
    services_.host.runModal(about);
}

// --- SessionView -----------------------------------------------------------------

void MainWindow::setStatus(const QString& text)
{
    ui_->Status->setText(text);
}

void MainWindow::setPortDisplay(const QString& text)
{
    ui_->COM_Port_Text->setText(text);
    const int n = session_->connection().portNumber();
    ui_->COM_Port_Text->setToolTip(n >= 1 ? session_->connection().deviceText(n) : QString());
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

void MainWindow::closeDecoderWindows()
{
    closedOnReconnect_.closeAll();
}

void MainWindow::endProgram()
{
    if (session_->shuttingDown())
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

void MainWindow::applyMenus(const FamilyLayout& layout)
{
    applyMenu(menu("mnu_reset"), layout.resetMenu);
    applyMenu(menu("mnu_copy"), layout.copyMenu);
    applyMenu(menu("mnu_service"), layout.serviceMenu);
    applyMenu(menu("mnu_option"), layout.optionMenu);
    for (TestEntry test : layout.testEntries)
        testEntry(*ui_, test)->setVisible(true);
    if (layout.menuEntriesShown)
        for (int i = *layout.menuEntriesShown + 1; i <= 8; ++i) {
            entry("mnu_RServo", i)->setVisible(false);
            entry("mnu_copyx", i)->setVisible(false);
        }
    for (int i = 1; i <= std::min<int>(8, layout.menuCaptions.size()); ++i) {
        entry("mnu_RServo", i)->setText(layout.menuCaptions[i - 1]);
        entry("mnu_copyx", i)->setText(layout.menuCaptions[i - 1]);
    }
}

void MainWindow::applyLayout(const FamilyLayout& layout)
{
    if (layout.windowCaption)
        setWindowTitle(*layout.windowCaption);
    if (layout.listCaption)
        ui_->Frame1->setTitle(*layout.listCaption);
    if (layout.selectionText)
        ui_->Servo_auswahl->setText(*layout.selectionText);
    if (layout.hint)
        ui_->Label2->setText(*layout.hint);
    applyMenus(layout);
    for (OutputPanel* panel : std::initializer_list<OutputPanel*>{servoPanel_.get(), trafficLightPanel_.get(), coilPanel_.get()})
        panel->applyLayout(layout);
    showPanel(activePanel());
    fillOutputList();
}

void MainWindow::showPanel(OutputPanel& panel)
{
    if (ui_->Panels->currentWidget() == &panel)
        return;
    // The stack is as large as the panel it shows, not as the largest one.
    for (int i = 0; i < ui_->Panels->count(); ++i)
        ui_->Panels->widget(i)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    panel.setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    ui_->Panels->setCurrentWidget(&panel);
    ui_->Panels->updateGeometry();
    resize(size().expandedTo(minimumSizeHint()));
}

void MainWindow::fillOutputList()
{
    const QStringList& names = session_->identity().OutputNames;
    ui_->Servo->clear();
    ui_->Servo->addItems(names);
    // Selecting the current output runs the list's own selection handling.
    if (!names.isEmpty())
        ui_->Servo->setCurrentRow(std::min(session_->settings().OutputNumber, static_cast<int>(names.size())) - 1);
}

void MainWindow::showOutputNames()
{
    fillOutputList();
    const QStringList& names = session_->identity().OutputNames;
    // The panel's entry chosen last; a layout with fewer phases has none to select.
    const int chosen = trafficLightPanel_->SelectedOutputIndex;
    ui_->Servo->setCurrentRow(chosen < names.size() ? chosen : -1);
    for (int i = 1; i <= std::min<int>(8, names.size()); ++i)
        entry("mnu_RServo", i)->setText(names[i - 1]);
}

void MainWindow::enableOutputList()
{
    ui_->Servo->setEnabled(true);
    menu("mnu_copy")->menuAction()->setEnabled(true);
}

void MainWindow::showSelection(int n)
{
    const QString entryText = session_->identity().outputName(n);
    ui_->Servo->setCurrentRow(n - 1);
    ui_->Servo_auswahl->setText(entryText);
    ui_->Label1->hide();
    ui_->Status->setEnabled(true);
    ui_->FrameCom->hide();
    OutputPanel& panel = activePanel();
    showPanel(panel);
    panel.showSelection(entryText);
    if (session_->identity().ProtocolVariant == 2)
        menu("mnu_copy")->menuAction()->setEnabled(true);
}

void MainWindow::showDecoded(const DecodedBlock& decoded)
{
    activePanel().showDecoded(decoded);
    if (decoded.Outcome == DecodeOutcome::Decoded && decoded.WindowCaption)
        setWindowTitle(*decoded.WindowCaption);
}

void MainWindow::showReadOutcome(ReadOutcome outcome)
{
    activePanel().showReadOutcome(outcome);
    // Copying takes the shown settings: none after a failed read.
    if (outcome != ReadOutcome::Decoded)
        menu("mnu_copy")->menuAction()->setEnabled(false);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    session_->programEnding();
    if (scanDialog_)
        scanDialog_->close();
    event->accept();
}

}  // namespace qb
