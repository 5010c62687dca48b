// A changed entry of the key store.
#pragma once

#include "app/settings/key_store.h"
#include "app/ui/modal_dialog.h"

class QLineEdit;

namespace velmora {

// "Schlüsseleintrag ändern" for the entry shown at position in the list.
class CSchluesselAendernDlg : public CModalDialog {
    Q_OBJECT
public:
    CSchluesselAendernDlg(const CKeyStoreItem& item, int position, QWidget* parent = nullptr);
    void OnInitDialog() override;
    void OnOK();

    CKeyStoreItemList m_List;
    CKeyStoreItem m_Item;
    int m_nPosition;

private:
    QWidget* m_pTemplate;
    QLineEdit* m_pName;
    QLineEdit* m_pValue;
    QLineEdit* m_pStatus;
};

} // namespace velmora
