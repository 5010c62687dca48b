// "File-Eigenschaften": shows the settings of one file and changes its
// communication mode and access conditions.
#pragma once

#include "app/model/card_status.h"
#include "app/model/file_actions.h"
#include "app/ui/file_access_combos.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QComboBox;
class QLineEdit;

namespace velmora {

class CFileSettingsDlg : public CModalDialog {
    Q_OBJECT
public:
    CFileSettingsDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnAppChosen();
    void OnFileChosen();
    void OnGetFileIds();
    void OnGetSettings();
    void OnChangeSettings();

    int m_hPort;
    CCardStatus& m_Status;
    // The file whose settings are shown: none while m_nShownAid is -1.
    int m_nShownAid = -1;
    uint8_t m_nShownFileNo = 0xFF;
    // Of the shown file; kUnknownSetting after a failed read.
    uint8_t m_nChangeCondition = 0;

private:
    // Nothing shown any more: lists at "--", no type, fields empty.
    void ClearDisplay();
    void ShowSettings(const FileSettings& settings);
    // The AID and file number of the fields; false after a message.
    bool ReadTarget(uint32_t* aid, uint8_t* fileNo);

    QWidget* m_pTemplate;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QComboBox* m_pFileCombo;
    QLineEdit* m_pFileEdit;
    QLineEdit* m_pStatus;
    // The fields as the model's sequences take them.
    QtCombo m_AidCombo;
    QtEdit m_AidEdit;
    QtCombo m_FileCombo;
    QtEdit m_FileEdit;
    QtEdit m_StatusLine;
    CFileAccessCombos m_Access;
};

} // namespace velmora
