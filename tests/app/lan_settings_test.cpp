// The LAN dialogs' rules without a window: the merged search list, the
// settings as read, and the checks before any datagram is sent.
#include "tests/app/qstring_printer.h"
#include "app/model/lan_settings.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

LanRequest Fixed(const char* address, const char* port = "10001", const char* mask = "255.255.255.0")
{
    LanRequest r;
    r.mode = 1;
    r.address = QString::fromLatin1(address);
    r.port = QString::fromLatin1(port);
    r.mask = QString::fromLatin1(mask);
    r.gateway = QStringLiteral("192.168.0.1");
    return r;
}

LanRequest Dhcp(const QString& name)
{
    LanRequest r;
    r.mode = 0;
    r.dhcpName = name;
    r.port = QStringLiteral("10001");
    return r;
}

TEST(LanSettingsTest, ModulesOnlyTheAllModulesSearchFoundAreMarked2)
{
    const auto list = MergeLanSearch({QStringLiteral("[KVSIM-0000000001]"), QStringLiteral("10.0.0.5-10001")},
                                     {QStringLiteral("[kvsim-0000000001]169.254.1.2-10001"),
                                      QStringLiteral("10.0.0.5-10001"), QStringLiteral("10.0.0.6-10001")});
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].name, QStringLiteral("[kvsim-0000000001]169.254.1.2-10001"));
    EXPECT_EQ(list[0].mark, 1);
    EXPECT_EQ(list[1].mark, 1);
    EXPECT_EQ(list[2].name, QStringLiteral("10.0.0.6-10001"));
    EXPECT_EQ(list[2].mark, 2);
    EXPECT_EQ(LanEntryForDevice(list[0].name), QStringLiteral("[kvsim-0000000001]"));
}

TEST(LanSettingsTest, SettingsAsRead)
{
    LanSettings s = LanSettingsFromTexts(QStringLiteral("[KVSIM-0000000001]-4001"), QStringLiteral("10.0.0.5"),
                                         QStringLiteral("255.255.255.0"), QStringLiteral("0.0.0.0"));
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.port, 10001); // a fixed address without its port
    EXPECT_EQ(s.dhcpName, QStringLiteral("KVSIM-0000000001"));
    s = LanSettingsFromTexts(QStringLiteral("[KVSIM-0000000001]-4001"), QString(), QString(), QString());
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.port, 4001);
}

TEST(LanSettingsTest, PortOutside1To65535IsRefused)
{
    for (const char* port : {"70000", "-5", "0", "", "12a"}) {
        const LanRequestCheck c = CheckLanRequest(Fixed("192.168.0.20", port));
        EXPECT_EQ(c.messageId, kIdsLanPortRange) << port;
        EXPECT_EQ(c.focusControl, kIdcLanIpPort);
    }
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.20", "65535")).newName, QStringLiteral("192.168.0.20-65535"));
}

TEST(LanSettingsTest, AddressesNoReaderCanHaveAreRefused)
{
    EXPECT_EQ(CheckLanRequest(Fixed("0.0.0.0")).messageId, kIdsLanValidAddress);
    EXPECT_EQ(CheckLanRequest(Fixed("")).messageId, kIdsLanValidAddress);
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.300")).messageId, kIdsLanValidAddress);
    for (const char* a : {"255.255.255.255", "224.0.0.1", "239.1.2.3", "127.0.0.1", "192.168.0.255"})
        EXPECT_EQ(CheckLanRequest(Fixed(a)).messageId, kIdsLanAddressNotUsable) << a;
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.255", "10001", "255.255.0.0")).messageId, 0);
}

TEST(LanSettingsTest, MaskMustBeContiguousOrBlank)
{
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.20", "10001", "255.0.255.0")).messageId, kIdsLanMaskNotContiguous);
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.20", "10001", "255.255.255.1")).messageId, kIdsLanMaskNotContiguous);
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.20", "10001", "")).messageId, 0);
    EXPECT_EQ(CheckLanRequest(Fixed("192.168.0.20", "10001", "255.255.240.0")).messageId, 0);
}

TEST(LanSettingsTest, DhcpNameHasUpTo16CharactersWithoutBracketsOrControls)
{
    const LanRequestCheck c = CheckLanRequest(Dhcp(QStringLiteral("KVSIM-0000000001")));
    EXPECT_EQ(c.messageId, 0);
    EXPECT_EQ(c.newName, QStringLiteral("[KVSIM-0000000001]-10001"));
    for (const QString& bad : {QStringLiteral("KVSIM-00000000012"), QStringLiteral("AB]CD"), QStringLiteral("[AB"),
                               QStringLiteral("AB\tCD"), QString()})
        EXPECT_EQ(CheckLanRequest(Dhcp(bad)).messageId, kIdsLanNameRules) << bad.toStdString();
}

} // namespace
} // namespace velmora
