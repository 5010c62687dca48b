#include "app/ui/port_dlg.h"

#include "app/ui/busy_scope.h"
#include "app/model/device_list_source.h"
#include "app/ui/device_monitor.h"
#include "app/ui/gui_idle_hook.h"
#include "app/ui/ip_addr_search_dlg.h"
#include "app/ui/message_service.h"
#include "app/settings/settings.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include "kavex.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QUrl>

namespace velmora {

// The maker's driver download page. The host is a reserved name until the
// maker's real address is known, so the button never leads to a stranger's site.
const char* const CPortDlg::kDriverPage = "https://brakk-applikationen.example/treiber/";

namespace {

const QString kPort = QStringLiteral("Port");

// Only one device-change notification is handled at a time in the whole
// program (the driver question runs a modal loop in which more arrive).
bool g_inDeviceChange = false;

QString WithoutComPrefix(const QString& name)
{
    return name.startsWith(QLatin1String("\\\\.\\")) ? name.mid(4) : name;
}

} // namespace

void WaitMs(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(50, ms - timer.elapsed()), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

CPortDlg::CPortDlg(CDeviceListSource& source, const QString& preferredEntry, QWidget* parent)
    : CModalDialog(parent), m_Source(source), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/port_dlg.ui")))
{
    m_pList = Ctl<QListWidget>(m_pTemplate, kIdcInterfaceList);
    m_pEthernet = Ctl<QCheckBox>(m_pTemplate, kIdcEthernet);
    m_pIp = Ctl<QPushButton>(m_pTemplate, kIdcIpSearch);
    m_pHidMode = Ctl<QPushButton>(m_pTemplate, kIdcHidMode);
    m_pVirtualCom = Ctl<QPushButton>(m_pTemplate, kIdcVirtualCom);
    m_pBaud = Ctl<QComboBox>(m_pTemplate, kIdcBaud);
    m_pParity = Ctl<QComboBox>(m_pTemplate, kIdcParity);
    m_pStopBits = Ctl<QComboBox>(m_pTemplate, kIdcStopBits);
    m_pTimeout = Ctl<QLineEdit>(m_pTemplate, kIdcTimeout);
    m_pAddress = Ctl<QLineEdit>(m_pTemplate, kIdcAddress);
    m_pDevicePath = Ctl<QLineEdit>(m_pTemplate, kIdcDevicePath);

    const auto digits = QRegularExpression(QStringLiteral("[0-9]*"));
    m_pTimeout->setValidator(new QRegularExpressionValidator(digits, m_pTimeout));
    m_pAddress->setValidator(new QRegularExpressionValidator(digits, m_pAddress));

    connect(m_pList, &QListWidget::itemSelectionChanged, this, &CPortDlg::OnSelectionChanged);
    connect(m_pDevicePath, &QLineEdit::textEdited, this, &CPortDlg::OnDevicePathEdited);
    connect(m_pHidMode, &QPushButton::clicked, this, &CPortDlg::OnHidMode);
    connect(m_pVirtualCom, &QPushButton::clicked, this, &CPortDlg::OnVirtualCom);
    connect(m_pIp, &QPushButton::clicked, this, &CPortDlg::OnIpSearch);
    // toggled, not clicked: the keyboard and accessibility tools switch the
    // box too.
    connect(m_pEthernet, &QCheckBox::toggled, this, &CPortDlg::OnEthernet);
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CPortDlg::OnOk);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);

    m_RefreshTimer.setSingleShot(true);
    connect(&m_RefreshTimer, &QTimer::timeout, this, [this] { PostDeviceChange(kConfigChanged); });
    // Devices come and go all the time; the lists only matter while the
    // user looks at them.
    if (CDeviceMonitor* monitor = CDeviceMonitor::Instance())
        connect(monitor, &CDeviceMonitor::deviceChange, this, [this](int eventCode) {
            if (m_bRunning) OnDeviceChange(eventCode);
        });

    m_Settings.baudCode = GetProfileInt(kPort, QStringLiteral("Baudrate"), 19200);
    m_Settings.entry = GetProfileString(kPort, QStringLiteral("Name"), QString());
    m_Settings.timeout = GetProfileInt(kPort, QStringLiteral("Timeout"), 1000);
    m_Settings.ethernet = GetProfileInt(kPort, QStringLiteral("EthernetAktiv"), 0) != 0;
    m_Settings.address = GetProfileInt(kPort, QStringLiteral("Adresse"), 1);

    if (m_Settings.entry.isEmpty()) {
        m_Settings.entry = QStringLiteral("COM1");
        WriteProfileString(kPort, QStringLiteral("Name"), m_Settings.entry);
    }
    const QString repaired = RepairStoredPortName(m_Settings.entry, m_Settings.ethernet, m_Source);
    if (repaired != m_Settings.entry) {
        m_Settings.entry = repaired;
        WriteProfileString(kPort, QStringLiteral("Name"), m_Settings.entry);
    }
    if (!preferredEntry.isEmpty()) m_Settings.entry = preferredEntry;
}

void CPortDlg::OnInitDialog()
{
    m_bRunning = true;
    m_pTimeout->setText(QString::number(m_Settings.timeout));
    m_pAddress->setText(QString::number(m_Settings.address));
    {
        const QSignalBlocker quiet(m_pEthernet); // showing the stored state is no change
        m_pEthernet->setChecked(m_Settings.ethernet);
    }

    const LineSettings line = LineSettingsFromBaudCode(m_Settings.baudCode);
    m_pParity->setCurrentIndex(line.parity);
    m_pStopBits->setCurrentIndex(line.stopBits);
    m_pBaud->setCurrentIndex(m_pBaud->findText(line.baud));

    if (!m_Settings.ethernet)
        m_LanList.clear();
    else if (m_LanList.isEmpty())
        RefreshDeviceList(DeviceKind::Lan, m_LanList);
    if (m_BluetoothList.isEmpty()) RefreshDeviceList(DeviceKind::Bluetooth, m_BluetoothList);
    if (m_UsbList.isEmpty()) RefreshDeviceList(DeviceKind::Usb, m_UsbList);
    if (m_ComList.isEmpty()) RefreshDeviceList(DeviceKind::Com, m_ComList);

    FillListBox();
    SelectPortNameEntry();
    m_pDevicePath->clear();
    if (!m_pList->currentItem() || !m_pList->currentItem()->isSelected()) {
        if (m_pList->count() == 1) {
            const QSignalBlocker block(m_pList);
            m_pList->setCurrentRow(0);
            m_Settings.entry = m_pList->item(0)->text();
        } else {
            // A stored path that no list shows (a link under /dev/serial,
            // or a device that is gone) is offered for correction.
            if (m_Settings.entry.startsWith(QLatin1Char('/'))) m_pDevicePath->setText(m_Settings.entry);
            m_Settings.entry.clear();
        }
    }

    EnableLineSettings(m_Settings.entry.isEmpty() || IsSerialEntry(m_Settings.entry));
    UpdateModeButtons(m_Settings.entry);
    // No fixed minimum size: the dialog's layout keeps it large enough for
    // every control, also when "IP ?" appears later.
    m_pIp->setVisible(m_Settings.ethernet);

    PostDeviceChange(kConfigChanged);
}

bool CPortDlg::RefreshDeviceList(DeviceKind kind, QStringList& list)
{
    QStringList fresh;
    switch (kind) {
    case DeviceKind::Com: fresh = m_Source.ComPorts(); break;
    case DeviceKind::Usb: fresh = m_Source.UsbPorts(); break;
    case DeviceKind::Lan: {
        // The search waits half a second per network adapter.
        CBusyScope busy;
        fresh = m_Source.LanDevices();
        break;
    }
    case DeviceKind::Bluetooth: fresh = m_Source.BluetoothPorts(); break;
    }
    return MergeDeviceList(list, fresh);
}

void CPortDlg::FillListBox()
{
    const QSignalBlocker block(m_pList);
    m_pList->clear();
    for (const QString& name : m_ComList) m_pList->addItem(WithoutComPrefix(name));
    for (const QString& name : m_UsbList) m_pList->addItem(kUsbPrefix + name);
    for (const QString& name : m_LanList) m_pList->addItem(kLanPrefix + name);
    for (const QString& name : m_BluetoothList) m_pList->addItem(kBluetoothPrefix + name);
}

void CPortDlg::SelectPortNameEntry()
{
    const QSignalBlocker block(m_pList);
    m_pList->clearSelection();
    m_pList->setCurrentRow(-1);
    for (int i = 0; i < m_pList->count(); ++i) {
        if (m_pList->item(i)->text().startsWith(m_Settings.entry, Qt::CaseInsensitive)) {
            m_pList->setCurrentRow(i);
            return;
        }
    }
}

QString CPortDlg::SelectedEntry() const
{
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void CPortDlg::EnableLineSettings(bool enable)
{
    m_pBaud->setEnabled(enable);
    m_pParity->setEnabled(enable);
    m_pStopBits->setEnabled(enable);
}

void CPortDlg::UpdateModeButtons(const QString& name)
{
    const ModeButtons mode = ModeButtonsFor(name);
    const bool enabled = mode != ModeButtons::Disabled;
    m_pHidMode->setEnabled(enabled);
    m_pVirtualCom->setEnabled(enabled);
    m_pHidMode->setChecked(mode == ModeButtons::HidSelected);
    m_pVirtualCom->setChecked(mode == ModeButtons::VirtualComSelected);
}

void CPortDlg::OnSelectionChanged()
{
    const QString entry = SelectedEntry();
    if (entry.isEmpty()) {
        UpdateModeButtons(QString());
        return;
    }
    m_Settings.entry = entry;
    m_pDevicePath->clear(); // the list's choice replaces a typed path
    EnableLineSettings(IsSerialEntry(entry));
    UpdateModeButtons(entry);
}

void CPortDlg::OnDevicePathEdited(const QString& text)
{
    if (text.isEmpty()) return;
    // A typed path is a serial interface and replaces the list's choice.
    m_pList->clearSelection();
    EnableLineSettings(true);
}

void CPortDlg::PostDeviceChange(int eventCode)
{
    QMetaObject::invokeMethod(
        this,
        [this, eventCode] {
            if (m_bRunning) OnDeviceChange(eventCode);
        },
        Qt::QueuedConnection);
}

void CPortDlg::RefreshAll(bool& changed)
{
    if (m_Settings.ethernet) {
        changed |= RefreshDeviceList(DeviceKind::Lan, m_LanList);
    } else if (!m_LanList.isEmpty()) {
        m_LanList.clear();
        changed = true;
    }
    changed |= RefreshDeviceList(DeviceKind::Bluetooth, m_BluetoothList);
    changed |= RefreshDeviceList(DeviceKind::Usb, m_UsbList);
    changed |= RefreshDeviceList(DeviceKind::Com, m_ComList);
}

void CPortDlg::OnDeviceChange(int eventCode)
{
    if (g_inDeviceChange) return;
    if (InsideSdkWait()) {
        // The lists come from the SDK, which is busy with an exchange.
        QTimer::singleShot(100, this, [this, eventCode] { OnDeviceChange(eventCode); });
        return;
    }
    g_inDeviceChange = true;

    if (eventCode == kDevNodesChanged || eventCode == kConfigChanged || eventCode == kDeviceArrived) {
        auto refresh = [this] {
            bool changed = false;
            RefreshAll(changed);
            if (changed) {
                FillListBox();
                SelectPortNameEntry();
            }
        };
        refresh();
        if (CheckUsbDrivers()) refresh();
    }

    g_inDeviceChange = false;
    UpdateModeButtons(m_Settings.entry);

    const RefreshStep step = NextRefreshStep(eventCode, m_nRefreshCounter);
    m_nRefreshCounter = step.counter;
    if (step.startTimer) m_RefreshTimer.start(1000);
}

bool CPortDlg::CheckUsbDrivers()
{
    const int missing = m_Source.MissingDrivers();
    if (missing == 0) return false;
    QString question;
    if (missing & 1) question += LoadStr(kIdsNoLindorDriver) + QLatin1Char('\n');
    if (missing & 2) question += LoadStr(kIdsNoVcomDriver) + QLatin1Char('\n');
    question += LoadStr(kIdsLoadDriver) + QLatin1Char('\n');
    OfferDriverDownload(question);
    return true;
}

void CPortDlg::OfferDriverDownload(const QString& question)
{
    if (!AskYesNo(this, question)) return;
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDriverPage)));
    WaitMs(2000);
}

void CPortDlg::OnHidMode()
{
    CBusyScope busy;
    const QString entry = SelectedEntry();
    if (!entry.isEmpty()) {
        m_Settings.entry = entry;
        if (IsVirtualComEntry(entry)) {
            const int handle = Kavex_OpenPort(SerialDevice(entry).toUtf8().constData(), 19200, 100);
            if (handle >= 1) {
                Kavex_SetUsbMode(handle, 1);
                Kavex_ResetDevice(handle, 0, 0);
                Kavex_ClosePort(handle);
            }
            m_Settings.entry.clear();
            WaitMs(1000);
        }
    }
    UpdateModeButtons(m_Settings.entry);
}

void CPortDlg::OnVirtualCom()
{
    CBusyScope busy;
    const QString entry = SelectedEntry();
    if (!entry.isEmpty()) m_Settings.entry = entry;
    if (IsMakerHidReader(m_Settings.entry)) {
        if (m_Source.VirtualComDriverInstalled()) {
            const QString device = m_Settings.entry.startsWith(kUsbPrefix) ? m_Settings.entry.mid(5) : m_Settings.entry;
            const int handle = Kavex_OpenPort(device.toUtf8().constData(), 19200, 100);
            if (handle >= 1) {
                Kavex_SetUsbMode(handle, 2);
                Kavex_ResetDevice(handle, 0, 0);
                Kavex_ClosePort(handle);
            }
            m_Settings.entry.clear();
            WaitMs(1000);
        } else {
            OfferDriverDownload(LoadStr(kIdsNoVcomDriver) + QLatin1Char('\n') + LoadStr(kIdsLoadDriver) +
                                QLatin1Char('\n'));
        }
    }
    UpdateModeButtons(m_Settings.entry);
}

void CPortDlg::done(int result)
{
    m_bRunning = false;
    m_RefreshTimer.stop();
    m_nRefreshCounter = 0;
    CModalDialog::done(result);
}

void CPortDlg::OnEthernet()
{
    m_Settings.ethernet = m_pEthernet->isChecked();
    PostDeviceChange(kConfigChanged);
    m_pIp->setVisible(m_Settings.ethernet);
}

void CPortDlg::OnIpSearch()
{
    if (!m_Settings.ethernet) return;
    CIPAddrSuche search(this);
    RunModal(search);
    if (search.m_strResult.isEmpty()) return;
    m_Settings.entry = kLanPrefix + LanEntryForDevice(search.m_strResult);
    PostDeviceChange(kConfigChanged);
}

bool CPortDlg::TakeNumber(QLineEdit* edit, int low, int high, int& value)
{
    bool ok = false;
    const qlonglong v = edit->text().trimmed().toLongLong(&ok);
    if (!ok) {
        MessageBox(this, LoadStr(kIdsWholeNumber));
    } else if (v < low || v > high) {
        MessageBox(this, LoadStr(kIdsNumberRange).arg(low).arg(high));
        ok = false;
    }
    if (!ok) {
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

void CPortDlg::OnOk()
{
    int timeout = 0;
    int address = 0;
    if (!TakeNumber(m_pTimeout, 10, 300000, timeout) || !TakeNumber(m_pAddress, 1, 255, address)) return;
    const QString typed = m_pDevicePath->text().trimmed();
    QString path;
    if (!typed.isEmpty()) {
        const QString problem = DevicePathProblem(typed);
        if (!problem.isEmpty()) {
            MessageBox(this, problem);
            m_pDevicePath->setFocus();
            m_pDevicePath->selectAll();
            return;
        }
        // Stored as given (a /dev/serial/by-id link stays a link), but
        // independent of the directory the program was started in.
        path = QFileInfo(typed).absoluteFilePath();
    }
    m_Settings.timeout = timeout;
    m_Settings.address = address;
    m_Settings.ethernet = m_pEthernet->isChecked();

    const QString entry = path.isEmpty() ? SelectedEntry() : path;
    if (!entry.isEmpty()) {
        m_Settings.entry = entry;
        WriteProfileString(kPort, QStringLiteral("Name"), m_Settings.entry);
    }
    m_Settings.baudCode = 19200;
    if (m_pBaud->currentIndex() >= 0)
        m_Settings.baudCode =
            BaudCodeFromLineSettings(m_pBaud->currentText(), m_pParity->currentIndex(), m_pStopBits->currentIndex());
    WriteProfileInt(kPort, QStringLiteral("Baudrate"), m_Settings.baudCode);
    WriteProfileInt(kPort, QStringLiteral("Timeout"), m_Settings.timeout);
    WriteProfileInt(kPort, QStringLiteral("Adresse"), m_Settings.address);
    WriteProfileInt(kPort, QStringLiteral("EthernetAktiv"), m_Settings.ethernet ? 1 : 0);
    accept();
}

} // namespace velmora
