// Which device stands behind each port number, as the user sees it.

#include "support/AppRig.h"
#include "ui/InfoWindows.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace qb;
using namespace qb::test;

namespace {

// The demo port, which also counts the decoders that answered through it.
class CountingPort : public sim::SimulatedPort {
public:
    using SimulatedPort::SimulatedPort;
    void keepOpenDevice() override { ++kept; }
    int kept = 0;
};

}  // namespace

TEST(PortDevices, TheMenuAndTheScanDialogNameTheDeviceBehindEachNumber)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.port.setAvailablePorts({1, 3});
    rig.start();

    QMenu* ports = rig.window().findChild<QMenu*>("mnu_seriell");
    ASSERT_TRUE(openMenu(rig.window(), ports));
    EXPECT_EQ(rig.window().portEntry(1)->toolTip(), QStringLiteral("eingebauter Demo-Decoder R5--XC48"));
    EXPECT_EQ(rig.window().portEntry(2)->toolTip(), QStringLiteral("kein Gerät"));
    EXPECT_EQ(rig.window().portEntry(3)->toolTip(), QStringLiteral("eingebauter Demo-Decoder R5--XC48"));
    EXPECT_EQ(rig.window().portEntry(1)->text(), QStringLiteral("COM 1"));  // the entries keep their captions
    pressKey(ports, Qt::Key_Escape);
    EXPECT_EQ(rig.ui().COM_Port_Text->toolTip(), QStringLiteral("eingebauter Demo-Decoder R5--XC48"));

    ASSERT_TRUE(rig.choose("mnu_search"));
    PortScanDialog* dialog = rig.window().portScanDialog();
    auto* list = dialog->findChild<QListWidget*>("List1");
    auto* device = dialog->findChild<QLabel*>("lblGeraet");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("COM-Port 3 vorhanden"));
    EXPECT_EQ(list->item(1)->toolTip(), QStringLiteral("eingebauter Demo-Decoder R5--XC48"));
    clickEntry(list, 1);
    EXPECT_EQ(device->text(), QStringLiteral("Gerät: eingebauter Demo-Decoder R5--XC48"));
}

TEST(PortDevices, OnlyAnIdentifiedDecoderKeepsItsNumbersDevice)
{
    struct Case {
        const char* id;
        int kept;
    };
    const Case cases[] = {{"R5--XC48", 1}, {"R5--XA48", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        TestHost host;
        sim::DecoderDevice device({c.id});
        CountingPort port(host, device);
        MemorySettingsStore settings;
        settings.setValue("Quenbrix_551", "Parameter", "Com_Port", "1");
        MemoryMachineStore machine;
        FixedOsVersion os;
        if (c.kept == 0)
            host.answerMessage(Answer::Ok, "Kennung");
        MainWindow window({host, port, settings, machine, os, QStringLiteral("/opt/quenbrix"), std::nullopt});
        window.start();
        host.activate(window);
        host.advanceMs(60'000);
        EXPECT_EQ(port.kept, c.kept);
    }
}
