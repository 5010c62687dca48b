// The value of the card master key, and its version.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QLineEdit;

namespace velmora {

class CDesfireCardKeyDlg : public CModalDialog {
    Q_OBJECT
public:
    CDesfireCardKeyDlg(int port, CCardStatus& status, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnChangeKey();
    void OnGetVersion();
    void OnLoad();
    // Every way of closing forgets the typed key.
    void done(int result) override;

    int m_hPort;
    CCardStatus& m_Status;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pNewKey;
    QLineEdit* m_pVersion;
    QLineEdit* m_pKeyVersion;
    QLineEdit* m_pStatus;
    QtEdit m_StatusLine;
};

} // namespace velmora
