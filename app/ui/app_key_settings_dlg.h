// The key settings of one application: shown after a read, changed with
// the application master key.
#pragma once

#include "app/model/app_key_settings.h"
#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmora {

class CDesfireKeySettingsDlg : public CModalDialog {
    Q_OBJECT
public:
    CDesfireKeySettingsDlg(int port, CCardStatus& status, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnGetSettings();
    void OnChangeSettings();
    // Another application typed or chosen: what is shown belongs to the
    // previous one and must not be written to this one.
    void OnAidChanged();

    int m_hPort;
    CCardStatus& m_Status;
    AppKeySettings m_Read; // the settings last read

private:
    void ClearStatus();
    void ClearView();
    void ShowSettings(const AppKeySettings& settings);
    // Checks the typed or chosen AID (writing what is wrong); -1 on failure.
    int DialogAid();

    QWidget* m_pTemplate;
    QLineEdit* m_pAidEdit;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pKeyCount;
    QLineEdit* m_pCryptoMethod;
    QCheckBox* m_pConfigChangeable;
    QCheckBox* m_pMasterKeyChangeable;
    QCheckBox* m_pFreeDirectory;
    QCheckBox* m_pFreeCreateDelete;
    QComboBox* m_pAccessCombo;
    QLineEdit* m_pStatus;
    QtEdit m_AidEdit;
    QtCombo m_AidCombo;
    QtCombo m_Access;
    QtEdit m_StatusLine;
};

} // namespace velmora
