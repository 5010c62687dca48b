// The interface selection dialog: which reader interface to use, with its
// line settings, reply time-out and device address. It only stores the
// choice and hands it over as a Settings record; opening the port is the
// main window's job.
#pragma once

#include "app/ui/modal_dialog.h"
#include "app/model/port_settings.h"

#include <QStringList>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora {

class CDeviceListSource;

class CPortDlg : public CModalDialog {
    Q_OBJECT
public:
    // Reads the stored interface and repairs it when its device is gone.
    // preferredEntry (the built-in simulator) is proposed instead of the
    // stored interface without being stored.
    explicit CPortDlg(CDeviceListSource& source, const QString& preferredEntry = QString(), QWidget* parent = nullptr);

    // The interface as the dialog stores it under "Port" on OK.
    struct Settings {
        QString entry;        // list entry with its prefix
        int baudCode = 19200; // rate with parity and stop bits, see LineSettingsFromBaudCode
        int timeout = 1000;   // reply time-out in ms
        bool ethernet = false;
        int address = 1; // device address
        // What to hand to Kavex_OpenPort.
        QString PortName() const { return GetPortName(entry, address); }
    };
    // The stored (and repaired) interface after construction; the user's
    // choice after a run that ended with OK.
    Settings GetSettings() const { return m_Settings; }

    void OnInitDialog() override;

    // Device-change notification (also posted by the dialog itself).
    void OnDeviceChange(int eventCode);
    // Fetches one kind's list from the source; true when the list changed.
    bool RefreshDeviceList(DeviceKind kind, QStringList& list);

    // A closed dialog stops refreshing its lists.
    void done(int result) override;

    static const char* const kDriverPage;

private:
    void PostDeviceChange(int eventCode);
    void FillListBox();
    void SelectPortNameEntry();
    QString SelectedEntry() const;
    void EnableLineSettings(bool enable);
    void UpdateModeButtons(const QString& name);
    bool CheckUsbDrivers();
    void RefreshAll(bool& changed);
    void OfferDriverDownload(const QString& question);

    void OnSelectionChanged();
    void OnDevicePathEdited(const QString& text);
    void OnHidMode();
    void OnVirtualCom();
    void OnEthernet();
    void OnIpSearch();
    void OnOk();
    bool TakeNumber(QLineEdit* edit, int low, int high, int& value);

    Settings m_Settings;
    QStringList m_ComList, m_UsbList, m_LanList, m_BluetoothList;
    CDeviceListSource& m_Source;
    QWidget* m_pTemplate;
    QListWidget* m_pList;
    QCheckBox* m_pEthernet;
    QPushButton* m_pIp;
    QPushButton* m_pHidMode;
    QPushButton* m_pVirtualCom;
    QComboBox* m_pBaud;
    QComboBox* m_pParity;
    QComboBox* m_pStopBits;
    QLineEdit* m_pTimeout;
    QLineEdit* m_pAddress;
    QLineEdit* m_pDevicePath;
    QTimer m_RefreshTimer;
    int m_nRefreshCounter = 0;
    bool m_bRunning = false; // between OnInitDialog and the end of the run
};

// Waits without taking user input (the reader needs time to come back
// under its other identity).
void WaitMs(int ms);

} // namespace velmora
