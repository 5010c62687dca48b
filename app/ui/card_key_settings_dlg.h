// The key settings of the card level: read, changed, write-protected, and
// the card master key turned into an AES key.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QCheckBox;
class QLineEdit;

namespace velmora {

struct CardKeySettingsResult;

class CMasterKeySettingsDlg : public CModalDialog {
    Q_OBJECT
public:
    CMasterKeySettingsDlg(int port, CCardStatus& status, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnGetSettings();
    void OnChangeSettings();
    void OnFreezeSettings();
    void OnToAes();

    int m_hPort;
    CCardStatus& m_Status;
    int m_nConfigChangeable = -1; // bit 3 as last read; -1 unknown

private:
    void StartAction();
    void ShowSettings(const CardKeySettingsResult& result);

    QWidget* m_pTemplate;
    QCheckBox* m_pMasterKeyChangeable;
    QCheckBox* m_pFreeDirectory;
    QCheckBox* m_pFreeCreateDelete;
    QCheckBox* m_pConfigChangeable;
    QLineEdit* m_pStatus;
    QtEdit m_StatusLine;
};

} // namespace velmora
