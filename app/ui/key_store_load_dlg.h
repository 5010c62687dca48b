// The key store picking view behind every "Laden" button.
#pragma once

#include "app/ui/key_store_dlg.h"

namespace velmora {

// "Schlüssel laden": the caller takes m_strValue after OK.
class CKeyStoreLoadDlg : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CKeyStoreLoadDlg(QWidget* parent = nullptr);
    void OnLoad();

    QString m_strValue;

private:
    void LoadRow(int row);
};

} // namespace velmora
