// Port names: kinds, device address suffixes, line settings in the baud.
#include <gtest/gtest.h>

#include "sdk/core/port_name.h"
#include "sdk/transports/serial_link.h"

using namespace kavex;

TEST(PortNames, AddressSuffix)
{
    EXPECT_EQ(ParsePortName("COM3:5").address, 5);
    EXPECT_EQ(ParsePortName("COM3:5").name, "COM3");
    EXPECT_EQ(ParsePortName("COM3:").address, 1);
    EXPECT_EQ(ParsePortName("COM3:x").address, 0);
    EXPECT_EQ(ParsePortName("COM3:-2").address, -2);
    EXPECT_EQ(ParsePortName("COM3").address, 1);
}

TEST(PortNames, DevicePathsKeepInnerColons)
{
    const auto p = ParsePortName("/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    EXPECT_EQ(p.kind, PortNameKind::Serial);
    EXPECT_EQ(p.address, 1);
    EXPECT_EQ(p.name, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    const auto q = ParsePortName("/dev/serial/by-path/pci-0000:00:14.0-port0:7");
    EXPECT_EQ(q.address, 7);
    EXPECT_EQ(q.name, "/dev/serial/by-path/pci-0000:00:14.0-port0");
    // Three dots in a path do not make it a LAN name.
    EXPECT_EQ(ParsePortName("/tmp/a.b/c.d/e.f").kind, PortNameKind::Serial);
    EXPECT_EQ(ParsePortName("/tmp/x:").name, "/tmp/x:");
}

TEST(PortNames, KindsInOrder)
{
    EXPECT_EQ(ParsePortName("192.168.0.10-10001").kind, PortNameKind::Lan);
    EXPECT_EQ(ParsePortName("[0123456789ABCDEF]-10001").kind, PortNameKind::Lan);
    EXPECT_EQ(ParsePortName("192.168.0").kind, PortNameKind::Serial);
    EXPECT_EQ(ParsePortName(".1.2.3").kind, PortNameKind::Serial);
    EXPECT_EQ(ParsePortName("1234 HID").kind, PortNameKind::Hid);
    EXPECT_EQ(ParsePortName("1234 hid").kind, PortNameKind::Serial);
    EXPECT_EQ(ParsePortName("HID BTW").kind, PortNameKind::Hid);
    EXPECT_EQ(ParsePortName("BT adapter").kind, PortNameKind::Bluetooth);
    EXPECT_EQ(ParsePortName("my BTW").kind, PortNameKind::Refused);
}

TEST(PortNames, LineSettingsInBaud)
{
    EXPECT_TRUE(CarriesLineSettings("COM3"));
    EXPECT_TRUE(CarriesLineSettings("com3"));
    EXPECT_TRUE(CarriesLineSettings("\\\\.\\com3"));
    EXPECT_TRUE(CarriesLineSettings("/dev/ttyUSB0"));
    EXPECT_FALSE(CarriesLineSettings("ABC123"));
    EXPECT_FALSE(CarriesLineSettings("192.168.0.10-10001"));

    auto s = DecodeBaud(11502);
    EXPECT_EQ(s.baud, 11500);
    EXPECT_EQ(s.parity, 'O');
    EXPECT_EQ(s.stopBits, 1);
    s = DecodeBaud(19203);
    EXPECT_EQ(s.baud, 19200);
    EXPECT_EQ(s.parity, 'N');
    EXPECT_EQ(s.stopBits, 2);
    s = DecodeBaud(19201);
    EXPECT_EQ(s.parity, 'E');
    s = DecodeBaud(-5);
    EXPECT_EQ(s.parity, 'N');
    EXPECT_EQ(s.stopBits, 1);
}

TEST(PortNames, SerialDevicesOnLinux)
{
    EXPECT_EQ(NormaliseSerialName("COM3").path, "/dev/ttyS2");
    EXPECT_EQ(NormaliseSerialName("com3").path, "/dev/ttyS2");
    EXPECT_EQ(NormaliseSerialName("\\\\.\\COM3").path, "/dev/ttyS2");
    EXPECT_EQ(NormaliseSerialName("COM12x").path, "/dev/ttyS11");
    EXPECT_TRUE(NormaliseSerialName("COM0").ftdi);
    EXPECT_TRUE(NormaliseSerialName("\\\\.\\ABC123").ftdi);
    EXPECT_EQ(NormaliseSerialName("/dev/ttyUSB0").path, "/dev/ttyUSB0");
    // Entries of the port list carry a description after the path.
    EXPECT_EQ(NormaliseSerialName("/dev/ttyACM0 [Brakk Virtual COM]").path, "/dev/ttyACM0");
    const auto listed = ParsePortName("/dev/ttyACM0 [Brakk Virtual COM]:3");
    EXPECT_EQ(listed.address, 3);
    EXPECT_EQ(NormaliseSerialName(listed.name).path, "/dev/ttyACM0");
}
