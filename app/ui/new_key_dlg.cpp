#include "app/ui/new_key_dlg.h"

#include "app/ui/key_store_dlg.h"
#include "app/ui/message_service.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CNeuerSchluesselDlg::CNeuerSchluesselDlg(QWidget* parent)
    : CModalDialog(parent), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/new_key_dlg.ui"))),
      m_pName(Ctl<QLineEdit>(m_pTemplate, kIdcKeyName)), m_pValue(Ctl<QLineEdit>(m_pTemplate, kIdcKeyValue)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CNeuerSchluesselDlg::OnOK);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CNeuerSchluesselDlg::OnInitDialog()
{
    m_List.LoadKeyStore();
    m_pName->setFocus();
}

void CNeuerSchluesselDlg::OnOK()
{
    QString name, stored;
    if (!TakeKeyStoreEntry(m_pName, m_pValue, m_pStatus, &name, &stored)) return;
    if (CKeyStoreItem* existing = m_List.FindKeyByName(name)) {
        if (!AskDestructive(this, LoadStr(kIdsKeyNameExistsOverwrite))) return;
        existing->m_strValue = stored;
    } else {
        m_List.Append(name, stored);
    }
    m_List.SaveKeyStore();
    accept();
}

} // namespace velmora
