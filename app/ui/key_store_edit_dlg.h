// The key store maintenance view, opened from the main window.
#pragma once

#include "app/ui/key_store_dlg.h"

namespace velmora {

// "Programm-Schlüsselspeicher", from the main window.
class CKeyStoreEditDlg : public CKeyStoreDlg {
    Q_OBJECT
public:
    explicit CKeyStoreEditDlg(QWidget* parent = nullptr);
    void OnEdit();
};

} // namespace velmora
