// The value of one key of an application, changed with the key that the
// application's change key access names, and key versions.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace velmora {

class CDesfireKeyDlg : public CModalDialog {
    Q_OBJECT
public:
    CDesfireKeyDlg(int port, CCardStatus& status, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnReadSettings();
    void OnChangeKey();
    void OnGetVersion();
    void OnLoadNew();
    void OnLoadOld();
    void ApplyEnableRules();
    // Every way of closing forgets the typed keys.
    void done(int result) override;

    int m_hPort;
    CCardStatus& m_Status;
    bool m_bMasterKeyMode = true;
    // As last read for m_nReadAid; -1 unknown.
    int m_nKeyCount = -1;
    int m_nReadAid = -1;

private:
    void ClearStatus();
    // Checks the typed or chosen AID (writing what is wrong); -1 on failure.
    int DialogAid();

    QWidget* m_pTemplate;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QRadioButton* m_pMasterKeyMode;
    QRadioButton* m_pKeyNumberMode;
    QComboBox* m_pKeyNoCombo;
    QLineEdit* m_pKeyNoEdit;
    QComboBox* m_pAccessCombo;
    QLineEdit* m_pOldKey;
    QLineEdit* m_pNewKey;
    QLineEdit* m_pVersion;
    QLineEdit* m_pKeyVersion;
    QLineEdit* m_pStatus;
    QtCombo m_AidCombo;
    QtEdit m_AidEdit;
    QtCombo m_KeyNoCombo;
    QtEdit m_KeyNoEdit;
    QtCombo m_Access;
    QtEdit m_StatusLine;
};

} // namespace velmora
