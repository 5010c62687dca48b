// "File lesen und schreiben": the application and file choice, a tab for
// each kind of file with its page, the status line and the progress of long
// transfers. The pages reach the card through the frame (CFileRwFrame),
// which knows the chosen file's settings and runs every operation's steps.
#pragma once

#include "app/model/card_status.h"
#include "app/model/file_rw_frame.h"
#include "app/ui/file_rw_page_host.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QTabWidget;

namespace velmora {

class CDataFileRWDlg;
class CRecordFileRWDlg;
class CValueFileRWDlg;

class CFileReadWriteDlg : public CModalDialog, public CFileRwPageHost {
    Q_OBJECT
public:
    // The tabs, in their order.
    enum Tab { kTabUndetermined, kTabData, kTabValue, kTabRecord };

    CFileReadWriteDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    ~CFileReadWriteDlg() override;
    void OnInitDialog() override;
    void OnAppChosen();
    void OnFileChosen();
    void OnGetFileIds();
    void OnReadFileType();

    CFileRwFrame* Target() override;
    CtlText& StatusLine() override { return m_StatusLine; }
    void TransferStarts() override;
    void TransferEnded() override;

    int m_hPort;
    CCardStatus& m_Status;

private:
    // The settings the frame knows, on the pages, and the tab of their type.
    void ShowSettings();
    // Nothing shown of any file: the pages empty, the tab "Unbestimmt".
    void ShowNothing();
    FileTypeAnswer AskFileType(FileKind kind, int rights);
    void ShowProgress(int done, int total);

    QWidget* m_pTemplate;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QComboBox* m_pFileCombo;
    QLineEdit* m_pFileEdit;
    QLineEdit* m_pStatus;
    QTabWidget* m_pTabs;
    QProgressBar* m_pProgress;
    QtCombo m_AidCombo;
    QtEdit m_AidEdit;
    QtCombo m_FileCombo;
    QtEdit m_FileEdit;
    QtEdit m_StatusLine;
    CFileRwFrame m_Frame;
    CDataFileRWDlg* m_pDataPage;
    CValueFileRWDlg* m_pValuePage;
    CRecordFileRWDlg* m_pRecordPage;
};

} // namespace velmora
