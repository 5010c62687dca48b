// "Applikation löschen": deletes applications, each after the user
// confirmed it, until the user closes it.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"

class QComboBox;
class QLineEdit;

namespace velmora {

class CDeleteAppDlg : public CModalDialog {
    Q_OBJECT
public:
    CDeleteAppDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnDelete();

    int m_hPort;
    CCardStatus& m_Status;
    // Set by every application deleted; the main window reads the card's
    // list again when it is set.
    bool m_bApplicationDeleted = false;

private:
    QWidget* m_pTemplate;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QLineEdit* m_pStatus;
};

} // namespace velmora
