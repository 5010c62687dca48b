// A new entry of the key store.
#pragma once

#include "app/settings/key_store.h"
#include "app/ui/modal_dialog.h"

class QLineEdit;

namespace velmora {

// "Neuer Schlüsseleintrag".
class CNeuerSchluesselDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CNeuerSchluesselDlg(QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnOK();

    CKeyStoreItemList m_List;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pName;
    QLineEdit* m_pValue;
    QLineEdit* m_pStatus;
};

} // namespace velmora
