// "File erzeugen": creates files of the five DESFire types in an
// application until the user closes it.
#pragma once

#include "app/model/card_status.h"
#include "app/model/file_actions.h"
#include "app/ui/file_access_combos.h"
#include "app/ui/modal_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace velmora {

class CDesfireCreateFileDlg : public CModalDialog {
    Q_OBJECT
public:
    CDesfireCreateFileDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;
    // An application picked in the list: its key count sizes the access lists.
    void OnAppChosen();
    void OnCreate();

    int m_hPort;
    CCardStatus& m_Status;
    AppKeyInfo m_App;
    // Set by every file created; the main window reads the file list again.
    bool m_bFileCreated = false;

private:
    // The number in a field; false after a message box said what is wrong.
    bool ReadNumber(int id, int64_t min, int64_t max, bool rangeMessage, int64_t* value);

    QWidget* m_pTemplate;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QLineEdit* m_pFileNo;
    QLineEdit* m_pStatus;
    CFileAccessCombos m_Access;
};

} // namespace velmora
