#include "app/ui/card_master_key_dlg.h"

#include "app/model/key_values.h"
#include "app/ui/authentication_input.h"
#include "app/ui/key_dialog_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CDesfireCardKeyDlg::CDesfireCardKeyDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/card_master_key_dlg.ui"))),
      m_pNewKey(Ctl<QLineEdit>(m_pTemplate, kIdcNewKeyValue)),
      m_pVersion(Ctl<QLineEdit>(m_pTemplate, kIdcNewKeyVersion)),
      m_pKeyVersion(Ctl<QLineEdit>(m_pTemplate, kIdcKeyVersion)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_StatusLine(m_pStatus)
{
    RememberGeometry(QStringLiteral("CardMasterKey"));
    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcChangeKey), &QPushButton::clicked, this, &CDesfireCardKeyDlg::OnChangeKey);
    connect(button(kIdcGetKeyVersion), &QPushButton::clicked, this, &CDesfireCardKeyDlg::OnGetVersion);
    connect(button(kIdcLoadKey), &QPushButton::clicked, this, &CDesfireCardKeyDlg::OnLoad);
    connect(button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CDesfireCardKeyDlg::OnInitDialog()
{
    m_pStatus->clear();
    m_pKeyVersion->clear();
    m_pNewKey->setFocus();
}

void CDesfireCardKeyDlg::OnChangeKey()
{
    m_pStatus->setText(QString(7, QLatin1Char(' ')));
    const auto confirm = [this](const CCardStatus::Key& key, bool aes) {
        return ConfirmNewCardMasterKey(this, key, aes);
    };
    ShowResult(m_pStatus,
               ChangeCardMasterKey(m_hPort, m_Status, &m_StatusLine, m_pNewKey->text(), m_pVersion->text(), confirm));
}

void CDesfireCardKeyDlg::OnGetVersion()
{
    m_pStatus->setText(QString(7, QLatin1Char(' ')));
    const KeyVersionResult result = ReadKeyVersion(m_hPort, m_Status, 0, 0);
    m_pKeyVersion->setText(result.version);
    ShowResult(m_pStatus, result);
}

void CDesfireCardKeyDlg::OnLoad()
{
    LoadFromKeyStore(this, m_pNewKey, m_pStatus);
}

void CDesfireCardKeyDlg::done(int result)
{
    ForgetKeys({m_pNewKey});
    CModalDialog::done(result);
}

} // namespace velmora
