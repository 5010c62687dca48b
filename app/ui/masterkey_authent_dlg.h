// The dialog in which the user gives the master key of the card or of an
// application when no remembered key could replace it. Like
// CAuthenticateDlg it leaves the result in the card status.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"

class QLabel;
class QLineEdit;

namespace velmora {

class CMasterkeyAuthentDlg : public CModalDialog {
    Q_OBJECT
public:
    // aid 0: the card master key.
    CMasterkeyAuthentDlg(int port, CCardStatus& status, int aid, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnAuthenticate();
    void OnLoad();

    int m_hPort;
    CCardStatus& m_Status;
    int m_nAid;

private:
    QWidget* m_pTemplate;
    QLabel* m_pLabel;
    QLineEdit* m_pKeyEdit;
    QLineEdit* m_pStatus;
};

} // namespace velmora
