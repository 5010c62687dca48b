// The dialog in which the user gives a key that no remembered key could
// replace, with a choice of application and key number where the caller
// leaves them open (CMasterkeyAuthentDlg is the one for master keys). It
// authenticates through AuthenticateKey, which leaves the result in the
// card status; the caller looks there, not at the dialog.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;

namespace velmora {

class CAuthenticateDlg : public CModalDialog {
    Q_OBJECT
public:
    // aid -1: the user chooses the application; keyNo -1: the user types it.
    CAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo, QWidget* parent = nullptr);
    // One permitted number is fixed; several are offered in a list.
    CAuthenticateDlg(int port, CCardStatus& status, int aid, const std::vector<uint8_t>& permittedKeys,
                     QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnAuthenticate();
    void OnLoad();

    int m_hPort;
    CCardStatus& m_Status;
    int m_nAid;
    int m_nKeyNo;                         // -1: not fixed
    std::vector<uint8_t> m_PermittedKeys; // only when more than one is permitted
    QString m_strKey;

private:
    void Build();

    QWidget* m_pTemplate = nullptr;
    QLineEdit* m_pAidEdit = nullptr;
    QComboBox* m_pAidCombo = nullptr;
    QLineEdit* m_pKeyNoEdit = nullptr;
    QComboBox* m_pKeyNoCombo = nullptr;
    QLineEdit* m_pKeyEdit = nullptr;
    QLineEdit* m_pStatus = nullptr;
};

} // namespace velmora
