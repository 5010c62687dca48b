#include "app/ui/masterkey_authent_dlg.h"

#include "app/model/card_session.h"
#include "app/model/hex_text.h"
#include "app/model/ui_strings.h"
#include "app/ui/authentication_input.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CMasterkeyAuthentDlg::CMasterkeyAuthentDlg(int port, CCardStatus& status, int aid, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      // "Key 0 of whatever is selected" is the master key of the current
      // application; an unknown selection falls back to the card.
      m_nAid(aid >= 0 ? aid : std::max(status.m_nCurrentAid, 0)),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/masterkey_authent_dlg.ui"))),
      m_pLabel(Ctl<QLabel>(m_pTemplate, kIdcMasterKeyLabel)), m_pKeyEdit(Ctl<QLineEdit>(m_pTemplate, kIdcKeyValue)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdcAuthenticate), &QPushButton::clicked, this,
            &CMasterkeyAuthentDlg::OnAuthenticate);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcLoadKey), &QPushButton::clicked, this, &CMasterkeyAuthentDlg::OnLoad);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CMasterkeyAuthentDlg::OnInitDialog()
{
    m_pStatus->clear();
    QString message;
    if (!EnsureAppSelected(m_hPort, m_Status, m_nAid, &message)) m_pStatus->setText(message);
    if (CardGone(m_hPort)) {
        EndInInit(QDialog::Rejected);
        return;
    }
    if (m_nAid > 0) {
        const QString text = LoadStr(kIdsAppMasterKeyLabel) + AidToText(static_cast<uint32_t>(m_nAid)) +
                             QLatin1Char(' ') + LoadStr(kIdsKeyLengthLabel);
        m_pLabel->setText(text);
        m_pKeyEdit->setAccessibleName(text);
    }
    m_pKeyEdit->setFocus();
}

void CMasterkeyAuthentDlg::OnAuthenticate()
{
    m_pStatus->clear();
    QString message;
    if (AuthenticateKey(m_hPort, m_Status, m_nAid, 0, KeyFromText(m_pKeyEdit->text()), false, &message)) {
        accept();
        return;
    }
    m_pStatus->setText(message);
    if (CardGone(m_hPort)) reject();
}

void CMasterkeyAuthentDlg::OnLoad()
{
    LoadFromKeyStore(this, m_pKeyEdit, m_pStatus);
}

} // namespace velmora
