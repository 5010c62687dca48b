// "File löschen": deletes files of an application, each after the user
// confirmed it, until the user closes it.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QComboBox;
class QLineEdit;

namespace velmora {

class CDeleteFileDlg : public CModalDialog {
    Q_OBJECT
public:
    CDeleteFileDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnAppChosen();
    void OnGetFileIds();
    void OnDelete();

    int m_hPort;
    CCardStatus& m_Status;
    // Set by every file deleted; the main window reads the file list again.
    bool m_bFileDeleted = false;

private:
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
};

} // namespace velmora
