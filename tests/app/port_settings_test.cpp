// Interface entries, baud codes, the device-list refresh and the repair of
// a stored interface that is gone.
#include "tests/app/qstring_printer.h"
#include "app/model/device_list_source.h"
#include "app/model/port_settings.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class FixedLists : public CDeviceListSource {
public:
    QStringList ComPorts() override { return com; }
    QStringList UsbPorts() override { return usb; }
    QStringList LanDevices() override { return lan; }
    QStringList BluetoothPorts() override { return bluetooth; }
    int MissingDrivers() override { return 0; }
    bool VirtualComDriverInstalled() override { return true; }
    bool TestLanConnection(const QString& device) override { return device == reachable; }

    QStringList com, usb, lan, bluetooth;
    QString reachable;
};

TEST(PortNameTest, PrefixesGoAndTheAddressComes)
{
    EXPECT_EQ(GetPortName(QStringLiteral("COM3"), 1), QStringLiteral("COM3:1"));
    EXPECT_EQ(GetPortName(QStringLiteral("USB: 1262-000123 HID"), 7), QStringLiteral("1262-000123 HID:7"));
    EXPECT_EQ(GetPortName(QStringLiteral("LAN: 192.168.0.9"), 1), QStringLiteral("192.168.0.9:1"));
    EXPECT_EQ(GetPortName(QStringLiteral("Bluetooth: BT 00:11"), 2), QStringLiteral("BT 00:11:2"));
    // The SDK opens paths as they stand: the description must not reach it.
    EXPECT_EQ(GetPortName(QStringLiteral("/tmp/velmora-sim-1 [Kavex Simulator]"), 1),
              QStringLiteral("/tmp/velmora-sim-1:1"));
    EXPECT_EQ(GetPortName(QStringLiteral("COM7 [Brakk Virtual COM]"), 255), QStringLiteral("COM7:255"));
    EXPECT_EQ(GetPortName(QString(), 1), QStringLiteral(":1"));
}

TEST(PortNameTest, EntryKinds)
{
    EXPECT_TRUE(IsSerialEntry(QStringLiteral("/dev/ttyUSB0")));
    EXPECT_FALSE(IsSerialEntry(QStringLiteral("USB: 1262-1 HID")));
    EXPECT_FALSE(IsSerialEntry(QStringLiteral("LAN: 10.0.0.1")));
    EXPECT_FALSE(IsSerialEntry(QStringLiteral("Bluetooth: x")));

    EXPECT_TRUE(IsMakerHidReader(QStringLiteral("USB: 1262-000123 HID")));
    EXPECT_FALSE(IsMakerHidReader(QStringLiteral("USB: 9999-000123 HID"))); // not one of ours
    EXPECT_FALSE(IsMakerHidReader(QStringLiteral("USB: 1262-000123")));     // not in HID mode
    EXPECT_FALSE(IsMakerHidReader(QStringLiteral(" HID1262-")));            // both must follow the first character

    EXPECT_TRUE(IsVirtualComEntry(QStringLiteral("COM7 [Brakk Virtual COM]")));
    EXPECT_TRUE(IsVirtualComEntry(QStringLiteral("/dev/ttyACM0 [Brakk Virtual COM]")));
    EXPECT_FALSE(IsVirtualComEntry(QStringLiteral("COM7 [Brakk KV-131]")));
    EXPECT_FALSE(IsVirtualComEntry(QStringLiteral("COM")));

    EXPECT_EQ(ModeButtonsFor(QStringLiteral("USB: 1262-000123 HID")), ModeButtons::HidSelected);
    EXPECT_EQ(ModeButtonsFor(QStringLiteral("COM7 [Brakk Virtual COM]")), ModeButtons::VirtualComSelected);
    EXPECT_EQ(ModeButtonsFor(QStringLiteral("COM1")), ModeButtons::Disabled);
    EXPECT_EQ(ModeButtonsFor(QString()), ModeButtons::Disabled);
}

TEST(BaudCodeTest, LineSettingsFromStoredCode)
{
    LineSettings s = LineSettingsFromBaudCode(19200);
    EXPECT_EQ(s.baud, QStringLiteral("19200"));
    EXPECT_EQ(s.parity, kParityNone);
    EXPECT_EQ(s.stopBits, kStopBits1);

    s = LineSettingsFromBaudCode(19203);
    EXPECT_EQ(s.baud, QStringLiteral("19200"));
    EXPECT_EQ(s.parity, kParityNone);
    EXPECT_EQ(s.stopBits, kStopBits2);

    s = LineSettingsFromBaudCode(115201);
    EXPECT_EQ(s.baud, QStringLiteral("115200"));
    EXPECT_EQ(s.parity, kParityEven);

    s = LineSettingsFromBaudCode(9602);
    EXPECT_EQ(s.baud, QStringLiteral("9600"));
    EXPECT_EQ(s.parity, kParityOdd);

    s = LineSettingsFromBaudCode(19250); // an unknown code: no parity, one stop bit, no rate in the list
    EXPECT_EQ(s.baud, QStringLiteral("19200"));
    EXPECT_EQ(s.parity, kParityNone);
    EXPECT_EQ(s.stopBits, kStopBits1);
}

TEST(BaudCodeTest, CodeFromChosenSettings)
{
    EXPECT_EQ(BaudCodeFromLineSettings(QStringLiteral("19200"), kParityEven, kStopBits2), 19201); // stop bits ignored
    EXPECT_EQ(BaudCodeFromLineSettings(QStringLiteral("19200"), kParityOdd, kStopBits1), 19202);
    EXPECT_EQ(BaudCodeFromLineSettings(QStringLiteral("38400"), kParityNone, kStopBits2), 38403);
    EXPECT_EQ(BaudCodeFromLineSettings(QStringLiteral("2400"), kParityNone, kStopBits1), 2400);
    EXPECT_EQ(BaudCodeFromLineSettings(QString(), kParityOdd, kStopBits2), 19200);
}

TEST(DeviceListTest, MergeKeepsTheEqualHead)
{
    QStringList list{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    EXPECT_FALSE(MergeDeviceList(list, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));

    EXPECT_TRUE(MergeDeviceList(list, {QStringLiteral("a"), QStringLiteral("x")}));
    EXPECT_EQ(list, (QStringList{QStringLiteral("a"), QStringLiteral("x")}));

    EXPECT_TRUE(MergeDeviceList(list, {QStringLiteral("a")})); // only removed
    EXPECT_EQ(list, QStringList{QStringLiteral("a")});

    EXPECT_TRUE(MergeDeviceList(list, {QStringLiteral("a"), QStringLiteral("b")})); // only added
    EXPECT_EQ(list.size(), 2);

    EXPECT_TRUE(MergeDeviceList(list, {}));
    EXPECT_TRUE(list.isEmpty());
}

TEST(DeviceListTest, StoredInterfaceThatIsGoneIsReplaced)
{
    FixedLists lists;
    lists.usb = {QStringLiteral("1262-1 HID"), QStringLiteral("1262-2 HID")};
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("USB: 1262-2 HID"), false, lists), QStringLiteral("USB: 1262-2 HID"));
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("USB: 1262-9 HID"), false, lists), QStringLiteral("USB: 1262-1 HID"));
    lists.usb.clear();
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("USB: 1262-9 HID"), false, lists), QString());

    // A LAN name is left alone while Ethernet is off, kept while it answers,
    // otherwise repaired from the LAN list.
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("LAN: 10.0.0.5"), false, lists), QStringLiteral("LAN: 10.0.0.5"));
    lists.reachable = QStringLiteral("10.0.0.5");
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("LAN: 10.0.0.5"), true, lists), QStringLiteral("LAN: 10.0.0.5"));
    lists.reachable.clear();
    lists.lan = {QStringLiteral("10.0.0.7")};
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("LAN: 10.0.0.5"), true, lists), QStringLiteral("LAN: 10.0.0.7"));

    lists.bluetooth = {QStringLiteral("BT 1")};
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("Bluetooth: BT 2"), false, lists), QStringLiteral("Bluetooth: BT 1"));
    EXPECT_EQ(RepairStoredPortName(QStringLiteral("COM9"), true, lists), QStringLiteral("COM9")); // serial: as stored
}

TEST(DeviceListTest, ArrivalRefreshesFiveMoreTimes)
{
    RefreshStep step = NextRefreshStep(kDeviceArrived, 0);
    int refreshes = 0;
    while (step.startTimer) {
        ++refreshes;
        step = NextRefreshStep(kConfigChanged, step.counter); // the timer posts code 24
    }
    EXPECT_EQ(refreshes, 5);
    EXPECT_EQ(step.counter, 0);

    EXPECT_TRUE(NextRefreshStep(kDevNodesChanged, 3).startTimer); // starts over
    EXPECT_EQ(NextRefreshStep(kDevNodesChanged, 3).counter, 1);
    EXPECT_FALSE(NextRefreshStep(kConfigChanged, 0).startTimer);
    EXPECT_FALSE(NextRefreshStep(kDeviceRemoved, 0).startTimer);
}

TEST(DeviceListTest, NameListParsing)
{
    const char list[] = "COM1\0COM2\0\0garbage";
    EXPECT_EQ(ParseNameList(list, sizeof list), (QStringList{QStringLiteral("COM1"), QStringLiteral("COM2")}));
    EXPECT_TRUE(ParseNameList(list, 0).isEmpty());
    const char unterminated[] = {'a', 'b'};
    EXPECT_EQ(ParseNameList(unterminated, 2), QStringList{QStringLiteral("ab")});
}

} // namespace
} // namespace velmora
