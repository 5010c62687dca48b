#include "app/ui/card_config_dlg.h"

#include "app/model/card_config.h"
#include "app/model/ui_strings.h"
#include "app/ui/authentication_input.h"
#include "app/ui/confirm_dlg.h"
#include "app/ui/key_dialog_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CSetConfigDlg::CSetConfigDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/card_config_dlg.ui"))),
      m_pDefaultKey(Ctl<QLineEdit>(m_pTemplate, kIdcDefaultKey)),
      m_pDefaultVersion(Ctl<QLineEdit>(m_pTemplate, kIdcDefaultKeyVersion)),
      m_pHistoricalByte(Ctl<QLineEdit>(m_pTemplate, kIdcHistoricalByte)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcConfigStatus)), m_StatusLine(m_pStatus)
{
    RememberGeometry(QStringLiteral("CardConfig"));
    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcSetDefaultKey), &QPushButton::clicked, this, &CSetConfigDlg::OnSetDefaults);
    connect(button(kIdcSetHistoricalByte), &QPushButton::clicked, this, &CSetConfigDlg::OnSetHistoricalByte);
    connect(button(kIdcLockFormat), &QPushButton::clicked, this, &CSetConfigDlg::OnLockFormat);
    connect(button(kIdcRandomUid), &QPushButton::clicked, this, &CSetConfigDlg::OnRandomUid);
    connect(button(kIdcLoadKey), &QPushButton::clicked, this, &CSetConfigDlg::OnLoad);
    connect(button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CSetConfigDlg::OnInitDialog()
{
    m_pStatus->clear();
    m_pHistoricalByte->setText(HistoricalByteText(m_Status.m_ATS));
}

void CSetConfigDlg::OnSetDefaults()
{
    m_pStatus->setText(QStringLiteral(" "));
    ShowResult(m_pStatus,
               SetDefaultKey(m_hPort, m_Status, &m_StatusLine, m_pDefaultKey->text(), m_pDefaultVersion->text()));
}

void CSetConfigDlg::OnSetHistoricalByte()
{
    m_pStatus->setText(QStringLiteral(" "));
    ShowResult(m_pStatus, SetHistoricalByte(m_hPort, m_Status, &m_StatusLine, m_pHistoricalByte->text()));
}

void CSetConfigDlg::Switch(int captionId, int questionId, int buttonId, CardSwitch what)
{
    m_pStatus->setText(QStringLiteral(" "));
    CNachfrageDlg ask(captionId, questionId, buttonId, this);
    if (RunModal(ask) != QDialog::Accepted) {
        m_pStatus->setText(LoadStr(kIdsCancelled));
        return;
    }
    ShowResult(m_pStatus, SetCardSwitch(m_hPort, m_Status, &m_StatusLine, what));
}

void CSetConfigDlg::OnLockFormat()
{
    Switch(kIdsNoFormatCaption, kIdsNoFormatQuestion, kIdsNoFormatButton, CardSwitch::NoFormat);
}

void CSetConfigDlg::OnRandomUid()
{
    Switch(kIdsRandomUidCaption, kIdsRandomUidQuestion, kIdsRandomUidButton, CardSwitch::RandomUid);
}

void CSetConfigDlg::OnLoad()
{
    LoadFromKeyStore(this, m_pDefaultKey, m_pStatus);
}

void CSetConfigDlg::done(int result)
{
    ForgetKeys({m_pDefaultKey});
    CModalDialog::done(result);
}

} // namespace velmora
