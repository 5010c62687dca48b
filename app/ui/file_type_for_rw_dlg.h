// Asked when the card gives a file's settings only after an authentication
// with the application's master key: the user authenticates with that key,
// or says how the file was created (type, communication mode, one access
// condition, record size, value flags) so that the operation can go on.
#pragma once

#include "app/model/card_status.h"
#include "app/model/file_rw_frame.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QComboBox;
class QLineEdit;

namespace velmora {

class CGetFileTypeForRWDlg : public CModalDialog {
    Q_OBJECT
public:
    // kind and rights: what the operation needs, for the choices preset.
    CGetFileTypeForRWDlg(int port, CCardStatus& status, int aid, uint8_t fileNo, FileKind kind, int rights,
                         QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnLoadKey();
    void OnAuthenticate();
    void OnAccept();

    // Cancelled unless the user authenticated or accepted.
    const FileTypeAnswer& Answer() const { return m_Answer; }

    int m_hPort;
    CCardStatus& m_Status;
    int m_nAid;
    uint8_t m_nFileNo;
    FileKind m_Kind;
    int m_nRights;

private:
    QWidget* m_pTemplate;
    QComboBox* m_pType;
    QComboBox* m_pAccessKind;
    QLineEdit* m_pKey;
    QLineEdit* m_pRecordSize;
    QLineEdit* m_pStatus;
    QtCombo m_CommMode;
    QtCombo m_AccessRight;
    FileTypeAnswer m_Answer;
};

} // namespace velmora
