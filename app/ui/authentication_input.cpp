#include "app/ui/authentication_input.h"

#include "app/model/hex_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "app/ui/key_store_load_dlg.h"
#include "resources/string_ids.h"

#include <QLineEdit>

namespace velmora {

CCardStatus::Key KeyFromText(const QString& text)
{
    CCardStatus::Key key{};
    HexToBytes(text, key.data(), 16);
    return key;
}

void LoadFromKeyStore(QWidget* parent, QLineEdit* keyEdit, QLineEdit* status)
{
    CKeyStoreLoadDlg dlg(parent);
    if (RunModal(dlg) != QDialog::Accepted) {
        status->setText(LoadStr(kIdsCancelled));
        return;
    }
    keyEdit->setText(dlg.m_strValue);
    status->setText(LoadStr(kIdsKeyLoaded));
}

} // namespace velmora
