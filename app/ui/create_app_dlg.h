// "Applikation erzeugen": creates applications with their key count,
// cipher and key settings until the user closes it.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmora {

class CDesfireCreateAppDlg : public CModalDialog {
    Q_OBJECT
public:
    CDesfireCreateAppDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnCreate();

    int m_hPort;
    CCardStatus& m_Status;
    // Set by every application created; the main window reads the card's
    // list again when it is set.
    bool m_bApplicationCreated = false;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pAid;
    QLineEdit* m_pKeyCount;
    QComboBox* m_pCipher;
    QComboBox* m_pChangeKey;
    QCheckBox* m_pSettingsChangeable;
    QCheckBox* m_pMasterKeyChangeable;
    QCheckBox* m_pFreeDirectory;
    QCheckBox* m_pFreeCreateDelete;
    QLineEdit* m_pStatus;
};

} // namespace velmora
