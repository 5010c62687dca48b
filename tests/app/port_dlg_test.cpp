// The interface dialog: stored settings, line settings and baud codes, the
// device lists and the driver question.
#include "tests/app/isolated_settings.h"
#include "app/ui/port_dlg.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "tests/app/ui_test_support.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace velmora {
namespace {

const QString kPort = QStringLiteral("Port");

class PortDlgTest : public ::testing::Test {
protected:
    PortDlgTest()
    {
        test::App();
        lists.com = {QStringLiteral("\\\\.\\COM1"), QStringLiteral("\\\\.\\COM7 [Brakk Virtual COM]")};
        lists.usb = {QStringLiteral("1262-000123 HID")};
    }
    CPortDlg& Dialog()
    {
        if (!dlg) {
            dlg = std::make_unique<CPortDlg>(lists);
            dlg->OnInitDialog();
        }
        return *dlg;
    }
    template <class T>
    T* Control(int id)
    {
        return Dialog().findChild<T*>(QString::number(id));
    }
    QString Combo(int id) { return Control<QComboBox>(id)->currentText(); }
    QString Selected()
    {
        const auto items = Control<QListWidget>(kIdcInterfaceList)->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }
    void Choose(const QString& entry)
    {
        auto* list = Control<QListWidget>(kIdcInterfaceList);
        list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).value(0));
    }
    bool Ok()
    {
        Control<QPushButton>(kIdOk)->click();
        return Dialog().result() == QDialog::Accepted;
    }

    test::IsolatedSettings settings;
    test::FixedLists lists;
    test::ScriptedMessages messages;
    std::unique_ptr<CPortDlg> dlg;
};

TEST_F(PortDlgTest, FirstStartStoresCom1)
{
    CPortDlg fresh(lists);
    EXPECT_EQ(GetProfileString(kPort, QStringLiteral("Name"), QString()), QStringLiteral("COM1"));
    EXPECT_EQ(fresh.GetSettings().PortName(), QStringLiteral("COM1:1"));
    EXPECT_EQ(fresh.GetSettings().timeout, 1000); // the dialog proposes a second

    Dialog();
    EXPECT_EQ(Combo(kIdcBaud), QStringLiteral("19200"));
    EXPECT_EQ(Combo(kIdcParity), QStringLiteral("keine"));
    EXPECT_EQ(Combo(kIdcStopBits), QStringLiteral("1"));
    EXPECT_EQ(Control<QLineEdit>(kIdcTimeout)->text(), QStringLiteral("1000"));
    EXPECT_EQ(Control<QLineEdit>(kIdcAddress)->text(), QStringLiteral("1"));
    // The list: serial ports without "\\.\", then USB.
    auto* list = Control<QListWidget>(kIdcInterfaceList);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("COM1"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("USB: 1262-000123 HID"));
    EXPECT_EQ(Selected(), QStringLiteral("COM1"));
    EXPECT_TRUE(Control<QComboBox>(kIdcBaud)->isEnabled());
}

TEST_F(PortDlgTest, StoredLineSettingsAndNewBaudCode)
{
    WriteProfileInt(kPort, QStringLiteral("Baudrate"), 19203);
    Dialog();
    EXPECT_EQ(Combo(kIdcBaud), QStringLiteral("19200"));
    EXPECT_EQ(Combo(kIdcParity), QStringLiteral("keine"));
    EXPECT_EQ(Combo(kIdcStopBits), QStringLiteral("2"));

    Control<QComboBox>(kIdcParity)->setCurrentIndex(1); // "gerade"; the two stop bits stay chosen
    Control<QComboBox>(kIdcBaud)->setCurrentIndex(Control<QComboBox>(kIdcBaud)->findText(QStringLiteral("38400")));
    Control<QLineEdit>(kIdcTimeout)->setText(QStringLiteral("250"));
    Control<QLineEdit>(kIdcAddress)->setText(QStringLiteral("12"));
    Choose(QStringLiteral("COM7 [Brakk Virtual COM]"));
    ASSERT_TRUE(Ok());
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Baudrate"), 0), 38401);
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Timeout"), 0), 250);
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Adresse"), 0), 12);
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("EthernetAktiv"), -1), 0);
    EXPECT_EQ(GetProfileString(kPort, QStringLiteral("Name"), QString()), QStringLiteral("COM7 [Brakk Virtual COM]"));
    const CPortDlg::Settings chosen = Dialog().GetSettings();
    EXPECT_EQ(chosen.PortName(), QStringLiteral("COM7:12"));
    EXPECT_EQ(chosen.baudCode, 38401);
    EXPECT_EQ(chosen.timeout, 250);
}

TEST_F(PortDlgTest, UnknownBaudCodeSelectsNoRateAndStores19200)
{
    WriteProfileInt(kPort, QStringLiteral("Baudrate"), 12300);
    Dialog();
    EXPECT_EQ(Control<QComboBox>(kIdcBaud)->currentIndex(), -1);
    ASSERT_TRUE(Ok());
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Baudrate"), 0), 19200);
}

TEST_F(PortDlgTest, RangeChecksKeepTheDialogOpen)
{
    Control<QLineEdit>(kIdcTimeout)->setText(QStringLiteral("5"));
    EXPECT_FALSE(Ok());
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Geben Sie eine ganze Zahl zwischen 10 und 300000 ein.")});
    Control<QLineEdit>(kIdcTimeout)->setText(QStringLiteral("300000"));
    Control<QLineEdit>(kIdcAddress)->setText(QStringLiteral("256"));
    EXPECT_FALSE(Ok());
    EXPECT_EQ(messages.shown.last(), QStringLiteral("Geben Sie eine ganze Zahl zwischen 1 und 255 ein."));
    Control<QLineEdit>(kIdcAddress)->setText(QString());
    EXPECT_FALSE(Ok());
    EXPECT_EQ(messages.shown.last(), GermanStr(kIdsWholeNumber));
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Timeout"), -1), -1); // nothing stored
    Control<QLineEdit>(kIdcAddress)->setText(QStringLiteral("255"));
    EXPECT_TRUE(Ok());
}

TEST_F(PortDlgTest, EntryKindDecidesLineSettingsAndModeButtons)
{
    Choose(QStringLiteral("USB: 1262-000123 HID"));
    EXPECT_FALSE(Control<QComboBox>(kIdcBaud)->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(kIdcParity)->isEnabled());
    EXPECT_FALSE(Control<QComboBox>(kIdcStopBits)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(kIdcHidMode)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(kIdcHidMode)->isChecked());
    EXPECT_FALSE(Control<QPushButton>(kIdcVirtualCom)->isChecked());

    Choose(QStringLiteral("COM7 [Brakk Virtual COM]"));
    EXPECT_TRUE(Control<QComboBox>(kIdcBaud)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(kIdcVirtualCom)->isChecked());
    EXPECT_FALSE(Control<QPushButton>(kIdcHidMode)->isChecked());

    Choose(QStringLiteral("COM1"));
    EXPECT_FALSE(Control<QPushButton>(kIdcHidMode)->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(kIdcVirtualCom)->isEnabled());
}

TEST_F(PortDlgTest, StoredUsbReaderThatIsGoneIsReplaced)
{
    WriteProfileString(kPort, QStringLiteral("Name"), QStringLiteral("USB: 1262-999999 HID"));
    Dialog();
    EXPECT_EQ(GetProfileString(kPort, QStringLiteral("Name"), QString()), QStringLiteral("USB: 1262-000123 HID"));
    EXPECT_EQ(Selected(), QStringLiteral("USB: 1262-000123 HID"));
    EXPECT_EQ(Dialog().GetSettings().PortName(), QStringLiteral("1262-000123 HID:1"));
}

TEST_F(PortDlgTest, LanNameWithEthernetOffIsKeptButMatchesNothing)
{
    WriteProfileString(kPort, QStringLiteral("Name"), QStringLiteral("LAN: 192.168.1.20"));
    CPortDlg atStart(lists);
    EXPECT_EQ(atStart.GetSettings().PortName(), QStringLiteral("192.168.1.20:1"));
    atStart.OnInitDialog();
    EXPECT_TRUE(atStart.GetSettings().entry.isEmpty());
    EXPECT_TRUE(atStart.findChild<QListWidget*>(QStringLiteral("1012"))->selectedItems().isEmpty());
    EXPECT_FALSE(atStart.findChild<QPushButton*>(QStringLiteral("1256"))->isVisibleTo(&atStart));
}

TEST_F(PortDlgTest, SingleEntryIsTaken)
{
    lists.com = {QStringLiteral("/dev/ttyUSB3")};
    lists.usb.clear();
    Dialog();
    EXPECT_EQ(Selected(), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(Dialog().GetSettings().PortName(), QStringLiteral("/dev/ttyUSB3:1"));
}

TEST_F(PortDlgTest, DeviceChangesRefreshTheList)
{
    Dialog();
    QCoreApplication::processEvents(); // the refresh the dialog posts to itself
    lists.com << QStringLiteral("\\\\.\\COM9");
    Dialog().OnDeviceChange(kDeviceArrived);
    auto* list = Control<QListWidget>(kIdcInterfaceList);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("COM9"));
    EXPECT_EQ(Selected(), QStringLiteral("COM1")); // the choice stays

    // Removals count too.
    lists.usb.clear();
    Dialog().OnDeviceChange(kDevNodesChanged);
    EXPECT_EQ(list->count(), 3);
}

TEST_F(PortDlgTest, MissingDriversAreOfferedOnEveryNotification)
{
    lists.missingDrivers = 3;
    Dialog();
    Dialog().OnDeviceChange(kDeviceArrived);
    ASSERT_EQ(messages.questions.size(), 1);
    EXPECT_EQ(messages.questions.at(0), GermanStr(kIdsNoLindorDriver) + QLatin1Char('\n') +
                                            GermanStr(kIdsNoVcomDriver) + QLatin1Char('\n') +
                                            GermanStr(kIdsLoadDriver) + QLatin1Char('\n'));
    Dialog().OnDeviceChange(kConfigChanged);
    EXPECT_EQ(messages.questions.size(), 2);
    lists.missingDrivers = 0;
    Dialog().OnDeviceChange(kConfigChanged);
    EXPECT_EQ(messages.questions.size(), 2);
}

TEST_F(PortDlgTest, NotificationDuringTheDriverQuestionIsDropped)
{
    lists.missingDrivers = 2;
    Dialog();
    int comCallsInside = -1;
    messages.whileAsking = [&] {
        const int before = lists.comCalls;
        Dialog().OnDeviceChange(kDeviceArrived); // a reader plugged in meanwhile
        comCallsInside = lists.comCalls - before;
    };
    Dialog().OnDeviceChange(kDeviceArrived);
    EXPECT_EQ(messages.questions.size(), 1);
    EXPECT_EQ(comCallsInside, 0);
    // The lists are read once more after the question.
    messages.whileAsking = nullptr;
    lists.com << QStringLiteral("\\\\.\\COM4");
    lists.missingDrivers = 0;
    Dialog().OnDeviceChange(kDevNodesChanged);
    EXPECT_EQ(Control<QListWidget>(kIdcInterfaceList)->count(), 4);
}

TEST_F(PortDlgTest, EthernetBoxShowsTheIpButton)
{
    Dialog();
    auto* ip = Control<QPushButton>(kIdcIpSearch);
    EXPECT_FALSE(ip->isVisibleTo(&Dialog()));
    Control<QCheckBox>(kIdcEthernet)->toggle(); // as the keyboard or a screen reader switches it
    EXPECT_TRUE(ip->isVisibleTo(&Dialog()));
    EXPECT_TRUE(Dialog().GetSettings().ethernet);
    ASSERT_TRUE(Ok());
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("EthernetAktiv"), 0), 1);
}

TEST_F(PortDlgTest, EthernetBoxNeverClipsItsLabel)
{
    Dialog().show();
    Dialog().resize(Dialog().minimumSize()); // as narrow as the user can make it
    QCoreApplication::processEvents();
    Control<QCheckBox>(kIdcEthernet)->toggle(); // "IP ?" appears beside it
    QCoreApplication::processEvents();
    auto* box = Control<QCheckBox>(kIdcEthernet);
    EXPECT_GE(box->width(), box->sizeHint().width());
    EXPECT_GE(Dialog().width(), Dialog().minimumSizeHint().width());
    Dialog().hide();
}

TEST_F(PortDlgTest, TypedDevicePathMustBeACharacterDevice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A stored path that is gone is offered for correction, and refused.
    const QString missing = dir.filePath(QStringLiteral("ttyGone"));
    WriteProfileString(kPort, QStringLiteral("Name"), missing);
    auto* path = Control<QLineEdit>(kIdcDevicePath);
    EXPECT_EQ(path->accessibleName(), QStringLiteral("Gerätepfad:"));
    EXPECT_EQ(path->text(), missing);
    EXPECT_FALSE(Ok());
    EXPECT_EQ(messages.shown.last(), GermanStr(kIdsDevicePathMissing).arg(missing));

    auto type = [&](const QString& text) {
        path->setText(text);
        emit path->textEdited(text);
    };
    const QString plain = dir.filePath(QStringLiteral("plain"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    Choose(QStringLiteral("COM1"));
    EXPECT_TRUE(path->text().isEmpty()); // the list's choice replaces a typed path
    type(plain);
    EXPECT_TRUE(Selected().isEmpty()); // and the other way round
    EXPECT_FALSE(Ok());
    EXPECT_EQ(messages.shown.last(), GermanStr(kIdsDevicePathNoDevice).arg(plain));
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Timeout"), -1), -1); // nothing stored

    // A link to a character device (as under /dev/serial/by-id) is kept as typed.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString link = dir.filePath(QStringLiteral("usb-Kavex_Reader-if00"));
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(ptsname(master)), link));
    type(link);
    EXPECT_TRUE(Ok());
    close(master);
    EXPECT_EQ(GetProfileString(kPort, QStringLiteral("Name"), QString()), link);
    EXPECT_EQ(Dialog().GetSettings().PortName(), link + QStringLiteral(":1"));
}

TEST_F(PortDlgTest, CancelStoresNothing)
{
    WriteProfileString(kPort, QStringLiteral("Name"), QStringLiteral("COM1"));
    Dialog();
    Choose(QStringLiteral("COM7 [Brakk Virtual COM]"));
    Control<QPushButton>(kIdCancel)->click();
    EXPECT_EQ(Dialog().result(), QDialog::Rejected);
    EXPECT_EQ(GetProfileString(kPort, QStringLiteral("Name"), QString()), QStringLiteral("COM1"));
    EXPECT_EQ(GetProfileInt(kPort, QStringLiteral("Baudrate"), -1), -1);
}

} // namespace
} // namespace velmora
