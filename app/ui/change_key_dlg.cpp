#include "app/ui/change_key_dlg.h"

#include "app/ui/key_store_dlg.h"
#include "app/ui/message_service.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CSchluesselAendernDlg::CSchluesselAendernDlg(const CKeyStoreItem& item, int position, QWidget* parent)
    : CModalDialog(parent), m_Item(item), m_nPosition(position),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/change_key_dlg.ui"))),
      m_pName(Ctl<QLineEdit>(m_pTemplate, kIdcKeyName)), m_pValue(Ctl<QLineEdit>(m_pTemplate, kIdcKeyValue)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CSchluesselAendernDlg::OnOK);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CSchluesselAendernDlg::OnInitDialog()
{
    m_List.LoadKeyStore();
    m_pName->setText(m_Item.m_strName);
    m_pValue->setText(m_Item.m_strValue);
    m_pName->setFocus();
}

void CSchluesselAendernDlg::OnOK()
{
    QString name, stored;
    if (!TakeKeyStoreEntry(m_pName, m_pValue, m_pStatus, &name, &stored)) return;

    // The entry of the row that was chosen, even where a hand-edited store
    // holds the name twice; by name when the store has changed meanwhile.
    CKeyStoreItem* item = nullptr;
    if (m_nPosition >= 0 && m_nPosition < m_List.Count() && m_List.At(m_nPosition).m_strName == m_Item.m_strName)
        item = &m_List.At(m_nPosition);
    else
        item = m_List.FindKeyByName(m_Item.m_strName);
    if (!item) {
        MessageBox(this, LoadStr(kIdsError));
        return;
    }
    // Trailing spaces make no new name (a stored "abc " clashing with itself).
    if (name != KeyStoreName(item->m_strName)) {
        if (m_List.FindKeyByName(name)) {
            MessageBox(this, LoadStr(kIdsKeyNameExists));
            return;
        }
        item->m_strName = name;
    }
    item->m_strValue = stored;
    m_List.SaveKeyStore();
    accept();
}

} // namespace velmora
