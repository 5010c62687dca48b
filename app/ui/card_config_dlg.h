// The card-level configuration: the default key of new applications, the
// ATS's historical byte, and the two switches that cannot be undone.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

class QLineEdit;

namespace velmora {

enum class CardSwitch : uint8_t;

class CSetConfigDlg : public CModalDialog {
    Q_OBJECT
public:
    CSetConfigDlg(int port, CCardStatus& status, QWidget* parent = nullptr);

    void OnInitDialog() override;
    void OnSetDefaults();
    void OnSetHistoricalByte();
    void OnLockFormat();
    void OnRandomUid();
    void OnLoad();
    // Every way of closing forgets the typed key.
    void done(int result) override;

    int m_hPort;
    CCardStatus& m_Status;

private:
    void Switch(int captionId, int questionId, int buttonId, CardSwitch what);

    QWidget* m_pTemplate;
    QLineEdit* m_pDefaultKey;
    QLineEdit* m_pDefaultVersion;
    QLineEdit* m_pHistoricalByte;
    QLineEdit* m_pStatus;
    QtEdit m_StatusLine;
};

} // namespace velmora
