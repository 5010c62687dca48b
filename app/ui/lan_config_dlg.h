// One LAN reader's network settings ("LAN Einstellung"): by DHCP under a
// name, or a fixed address, each with its TCP port; subnet mask and
// gateway. OK hands them to the reader and waits until it answers under
// its new name.
#pragma once

#include "app/ui/modal_dialog.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velmora {

class CLanConfig : public CModalDialog {
    Q_OBJECT
public:
    // device: the reader's name as the search lists it.
    explicit CLanConfig(const QString& device, QWidget* parent = nullptr);
    void OnInitDialog() override;

    // The reader's name; its new name after a change.
    QString m_strDevice;
    // How long OK waits for the reader under its new name.
    static int s_nReachLimitMs;

private:
    void ReadSettings();
    void OnMode();
    void OnOk();
    void ShowBusy(bool busy);

    QWidget* m_pTemplate;
    QRadioButton* m_pDhcp;
    QRadioButton* m_pFixed;
    QLineEdit* m_pName;
    QLineEdit* m_pDhcpPort;
    QLineEdit* m_pAddress;
    QLineEdit* m_pIpPort;
    QLineEdit* m_pMask;
    QLineEdit* m_pGateway;
    QProgressBar* m_pProgress;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};

} // namespace velmora
