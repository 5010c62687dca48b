// The card's GetVersion, read once when the dialog opens.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"

namespace velmora {

class CCardVersionDlg : public CModalDialog {
    Q_OBJECT
public:
    CCardVersionDlg(int port, CCardStatus& status, QWidget* parent = nullptr);
    void OnInitDialog() override;

    int m_hPort;
    CCardStatus& m_Status;

private:
    QWidget* m_pTemplate;
};

} // namespace velmora
