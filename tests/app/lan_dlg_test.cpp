// The LAN dialogs on the offscreen platform against the simulated network
// module, which runs in a network namespace of the test's own; the dialogs
// run in another one joined to it by a veth pair. Without root the tests
// skip.
#include "tests/app/isolated_settings.h"
#include "tests/app/ui_test_support.h"
#include "app/ui/ip_addr_search_dlg.h"
#include "app/ui/lan_config_dlg.h"
#include "app/ui/port_dlg.h"
#include "app/model/ui_strings.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"
#include "sim/lan_module.h"
#include "sim/netns_lab.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

using kavex::sim::InNetns;
using kavex::sim::LanModule;
using kavex::sim::LanModuleConfig;
using kavex::sim::NetnsLab;

uint32_t Address(const char* text)
{
    uint32_t a = 0;
    kavex::sim::ParseAddress(text, a);
    return a;
}

class LanDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::App();
        const std::string why = NetnsLab::Unavailable();
        if (!why.empty()) GTEST_SKIP() << why;
        lab = std::make_unique<NetnsLab>();
        ASSERT_TRUE(lab->ok && lab->Connect("h0", "10.77.0.1/24", "m0", "10.77.0.2/24"));
    }
    void TearDown() override
    {
        inHost.reset();
        module.reset();
        lab.reset();
    }

    // The module, and from here on the test thread in the host namespace.
    void StartModule(const char* type = "KV-405 LAN")
    {
        LanModuleConfig c;
        c.identity = "KVSIM-0000000001";
        c.typeName = type;
        c.address = Address("10.77.0.2");
        c.gateway = Address("10.77.0.254");
        {
            InNetns in(lab->moduleNs);
            ASSERT_TRUE(in.ok);
            module = std::make_unique<LanModule>(c);
            module->Start();
        }
        NetnsLab& l = *lab;
        module->OnRestart([&l](const LanModuleConfig& now) {
            if (now.address == 0) return; // by DHCP: the address it has
            l.IpInModule("addr flush dev m0");
            l.IpInModule("addr add " + kavex::sim::DottedAddress(now.address) + "/24 dev m0");
        });
        inHost = std::make_unique<InNetns>(lab->hostNs);
        ASSERT_TRUE(inHost->ok);
    }

    test::IsolatedSettings settings;
    test::ScriptedMessages messages;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<NetnsLab> lab;
    std::unique_ptr<LanModule> module;
    std::unique_ptr<InNetns> inHost;
};

QListWidgetItem* Entry(CModalDialog& dlg, int row)
{
    return dlg.findChild<QListWidget*>(QString::number(kIdcLanList))->item(row);
}

TEST_F(LanDlgTest, ReaderFoundIsChosenWithClose)
{
    StartModule();
    CIPAddrSuche dlg;
    dialogs.Then([](CModalDialog& d) {
        EXPECT_EQ(d.findChild<QListWidget*>(QString::number(kIdcLanList))->count(), 1);
        EXPECT_FALSE(test::Find<QPushButton>(d, kIdOk)->isEnabled()); // nothing selected yet
        Entry(d, 0)->setSelected(true);
        EXPECT_TRUE(test::Find<QPushButton>(d, kIdOk)->isEnabled());
        test::Click(d, kIdCancel);
        return d.result();
    });
    RunModal(dlg);
    EXPECT_EQ(dlg.m_strResult, QStringLiteral("10.77.0.2-10001"));
}

TEST_F(LanDlgTest, OtherModulesAreRedItalicAndCannotBeChosen)
{
    StartModule("XPORT-03");
    CIPAddrSuche dlg;
    dialogs.Then([](CModalDialog& d) {
        QListWidgetItem* item = Entry(d, 0);
        EXPECT_EQ(item->text(), QStringLiteral("10.77.0.2-10001"));
        EXPECT_EQ(item->foreground().color(), QColor(Qt::red));
        EXPECT_TRUE(item->font().italic());
        item->setSelected(true);
        test::Click(d, kIdCancel);
        return d.result();
    });
    RunModal(dlg);
    EXPECT_TRUE(dlg.m_strResult.isEmpty());
}

TEST_F(LanDlgTest, NothingFoundAsksToRetryThenCloses)
{
    inHost = std::make_unique<InNetns>(lab->hostNs); // no module at all
    messages.retriesLeft = 1;
    CIPAddrSuche dlg;
    EXPECT_EQ(RunModal(dlg), QDialog::Rejected);
    EXPECT_EQ(messages.retries, QStringList({LoadStr(kIdsLanNoneFound), LoadStr(kIdsLanNoneFound)}));
}

TEST_F(LanDlgTest, SettingsAreReadAndBadInputSendsNothing)
{
    StartModule();
    CLanConfig dlg(QStringLiteral("10.77.0.2-10001"));
    dlg.OnInitDialog();
    EXPECT_TRUE(test::Find<QRadioButton>(dlg, kIdcLanFixed)->isChecked());
    EXPECT_EQ(test::Text(dlg, kIdcLanIpAddress), QStringLiteral("10.77.0.2"));
    EXPECT_EQ(test::Text(dlg, kIdcLanIpPort), QStringLiteral("10001"));
    EXPECT_EQ(test::Text(dlg, kIdcLanMask), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(test::Text(dlg, kIdcLanGateway), QStringLiteral("10.77.0.254"));
    EXPECT_EQ(test::Text(dlg, kIdcLanDhcpName), QStringLiteral("KVSIM-0000000001"));

    test::SetText(dlg, kIdcLanIpPort, QStringLiteral("70000"));
    test::Click(dlg, kIdOk);
    test::SetText(dlg, kIdcLanIpPort, QStringLiteral("4001"));
    test::SetText(dlg, kIdcLanMask, QStringLiteral("255.0.255.0"));
    test::Click(dlg, kIdOk);
    test::SetText(dlg, kIdcLanMask, QStringLiteral("255.255.255.0"));
    test::SetText(dlg, kIdcLanIpAddress, QStringLiteral("10.77.0.255"));
    test::Click(dlg, kIdOk);
    EXPECT_EQ(messages.shown, QStringList({LoadStr(kIdsLanPortRange), LoadStr(kIdsLanMaskNotContiguous),
                                           LoadStr(kIdsLanAddressNotUsable)}));
    EXPECT_EQ(module->Restarts(), 0u);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(LanDlgTest, NewAddressIsSetAndTheReaderAnswersThere)
{
    StartModule();
    CLanConfig dlg(QStringLiteral("10.77.0.2-10001"));
    dlg.OnInitDialog();
    test::SetText(dlg, kIdcLanIpAddress, QStringLiteral("10.77.0.9"));
    test::SetText(dlg, kIdcLanIpPort, QStringLiteral("4001"));
    test::Click(dlg, kIdOk);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strDevice, QStringLiteral("10.77.0.9-4001"));
    EXPECT_EQ(module->Active().address, Address("10.77.0.9"));
    EXPECT_EQ(module->Active().tcpPort, 4001);
}

TEST_F(LanDlgTest, SixteenCharacterNameByDhcpIsTaken)
{
    StartModule();
    CLanConfig dlg(QStringLiteral("10.77.0.2-10001"));
    dlg.OnInitDialog();
    test::Find<QRadioButton>(dlg, kIdcLanDhcp)->click();
    EXPECT_EQ(test::Text(dlg, kIdcLanDhcpPort), QStringLiteral("10001")); // the port goes along
    test::SetText(dlg, kIdcLanDhcpName, QStringLiteral("KVSIM-0000000002"));
    test::Click(dlg, kIdOk);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(module->Active().identity, "KVSIM-0000000002");
    EXPECT_EQ(module->Active().address, 0u);
}

TEST_F(LanDlgTest, AReaderNotReachedAfterTheChangeIsReported)
{
    StartModule();
    module->OnRestart(nullptr); // the module keeps its old address on the wire
    CLanConfig::s_nReachLimitMs = 300;
    CLanConfig dlg(QStringLiteral("10.77.0.2-10001"));
    dlg.OnInitDialog();
    test::SetText(dlg, kIdcLanIpAddress, QStringLiteral("10.77.0.9"));
    test::Click(dlg, kIdOk);
    CLanConfig::s_nReachLimitMs = 25000;
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(messages.shown, QStringList({LoadStr(kIdsLanNotReached).arg(QStringLiteral("10.77.0.9-10001"))}));
}

TEST_F(LanDlgTest, IpButtonPutsTheChosenReaderIntoTheInterfaceDialog)
{
    StartModule();
    test::FixedLists lists;
    lists.lan = {QStringLiteral("10.77.0.2-10001")};
    CPortDlg port(lists);
    port.OnInitDialog();
    test::Find<QCheckBox>(port, kIdcEthernet)->setChecked(true);
    dialogs.Then([](CModalDialog& d) {
        Entry(d, 0)->setSelected(true);
        test::Click(d, kIdCancel);
        return d.result();
    });
    test::Click(port, kIdcIpSearch);
    EXPECT_EQ(port.GetSettings().entry, QStringLiteral("LAN: 10.77.0.2-10001"));
}

} // namespace
} // namespace velmora
