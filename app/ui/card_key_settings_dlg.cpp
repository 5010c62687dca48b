#include "app/ui/card_key_settings_dlg.h"

#include "app/model/card_key_settings.h"
#include "app/ui/confirm_dlg.h"
#include "app/ui/key_dialog_controls.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CMasterKeySettingsDlg::CMasterKeySettingsDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/card_key_settings_dlg.ui"))),
      m_pMasterKeyChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcMasterKeyChangeable)),
      m_pFreeDirectory(Ctl<QCheckBox>(m_pTemplate, kIdcFreeDirectory)),
      m_pFreeCreateDelete(Ctl<QCheckBox>(m_pTemplate, kIdcFreeCreateDelete)),
      m_pConfigChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcConfigChangeable)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)), m_StatusLine(m_pStatus)
{
    RememberGeometry(QStringLiteral("CardKeySettings"));
    MakeDisplayOnly(m_pConfigChangeable);
    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcGetSettings), &QPushButton::clicked, this, &CMasterKeySettingsDlg::OnGetSettings);
    connect(button(kIdcChangeSettings), &QPushButton::clicked, this, &CMasterKeySettingsDlg::OnChangeSettings);
    connect(button(kIdcFreezeSettings), &QPushButton::clicked, this, &CMasterKeySettingsDlg::OnFreezeSettings);
    connect(button(kIdcToAes), &QPushButton::clicked, this, &CMasterKeySettingsDlg::OnToAes);
    connect(button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CMasterKeySettingsDlg::OnInitDialog()
{
    m_nConfigChangeable = -1;
    for (QCheckBox* box : {m_pMasterKeyChangeable, m_pFreeDirectory, m_pFreeCreateDelete, m_pConfigChangeable})
        SetBoxState(box, -1);
    m_pStatus->clear();
}

void CMasterKeySettingsDlg::StartAction()
{
    m_pStatus->setText(QStringLiteral(" "));
    m_Status.m_nAuthSource = CCardStatus::kSourceNone;
}

void CMasterKeySettingsDlg::ShowSettings(const CardKeySettingsResult& result)
{
    if (result.settings >= 0) {
        SetBoxState(m_pMasterKeyChangeable, result.settings & 1);
        SetBoxState(m_pFreeDirectory, (result.settings >> 1) & 1);
        SetBoxState(m_pFreeCreateDelete, (result.settings >> 2) & 1);
    }
    if (result.settings >= 0 || result.configChangeable >= 0) {
        m_nConfigChangeable = result.configChangeable;
        SetBoxState(m_pConfigChangeable, result.configChangeable);
    }
    ShowResult(m_pStatus, result);
}

void CMasterKeySettingsDlg::OnGetSettings()
{
    StartAction();
    const CardKeySettingsResult result = ReadCardKeySettings(m_hPort, m_Status, &m_StatusLine);
    if (result.clearView) {
        OnInitDialog();
        m_pStatus->setText(result.statusLine);
        return;
    }
    ShowSettings(result);
}

void CMasterKeySettingsDlg::OnChangeSettings()
{
    StartAction();
    const CardKeySettingsResult result =
        ChangeCardKeySettings(m_hPort, m_Status, &m_StatusLine, m_nConfigChangeable, BoxState(m_pMasterKeyChangeable),
                              BoxState(m_pFreeDirectory), BoxState(m_pFreeCreateDelete));
    ShowSettings(result);
}

void CMasterKeySettingsDlg::OnFreezeSettings()
{
    StartAction();
    CNachfrageDlg ask(kIdsFreezeCardSettingsCaption, kIdsFreezeCardSettingsQuestion, kIdsFreezeCardSettingsButton,
                      this);
    if (RunModal(ask) != QDialog::Accepted) {
        m_pStatus->setText(LoadStr(kIdsCancelled));
        return;
    }
    ShowSettings(FreezeCardKeySettings(m_hPort, m_Status, &m_StatusLine));
}

void CMasterKeySettingsDlg::OnToAes()
{
    StartAction();
    CNachfrageDlg ask(kIdsToAesCaption, kIdsToAesQuestion, kIdsToAesButton, this);
    if (RunModal(ask) != QDialog::Accepted) {
        m_pStatus->setText(LoadStr(kIdsCancelled));
        return;
    }
    ShowResult(m_pStatus, ConvertCardMasterKeyToAes(m_hPort, m_Status, &m_StatusLine));
}

} // namespace velmora
