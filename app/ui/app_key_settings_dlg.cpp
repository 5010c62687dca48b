#include "app/ui/app_key_settings_dlg.h"

#include "app/model/change_key_combo.h"
#include "app/model/hex_text.h"
#include "app/model/input_helpers.h"
#include "app/model/ui_strings.h"
#include "app/ui/key_dialog_controls.h"
#include "app/ui/message_service.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CDesfireKeySettingsDlg::CDesfireKeySettingsDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/app_key_settings_dlg.ui"))),
      m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAppAidEdit)), m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)),
      m_pKeyCount(Ctl<QLineEdit>(m_pTemplate, kIdcKeyCount)),
      m_pCryptoMethod(Ctl<QLineEdit>(m_pTemplate, kIdcCryptoMethod)),
      m_pConfigChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcConfigChangeable)),
      m_pMasterKeyChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcMasterKeyChangeable)),
      m_pFreeDirectory(Ctl<QCheckBox>(m_pTemplate, kIdcFreeDirectory)),
      m_pFreeCreateDelete(Ctl<QCheckBox>(m_pTemplate, kIdcFreeCreateDelete)),
      m_pAccessCombo(Ctl<QComboBox>(m_pTemplate, kIdcChangeKeyAccess)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)), m_AidEdit(m_pAidEdit), m_AidCombo(m_pAidCombo),
      m_Access(m_pAccessCombo), m_StatusLine(m_pStatus)
{
    RememberGeometry(QStringLiteral("AppKeySettings"));
    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcGetSettings), &QPushButton::clicked, this, &CDesfireKeySettingsDlg::OnGetSettings);
    connect(button(kIdcChangeSettings), &QPushButton::clicked, this, &CDesfireKeySettingsDlg::OnChangeSettings);
    connect(button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // Typing counts as much as choosing: the adapters fill silently, so
    // only the user's changes arrive here.
    connect(m_pAidCombo, &QComboBox::editTextChanged, this, &CDesfireKeySettingsDlg::OnAidChanged);
    connect(m_pAidEdit, &QLineEdit::textChanged, this, &CDesfireKeySettingsDlg::OnAidChanged);
}

void CDesfireKeySettingsDlg::OnInitDialog()
{
    m_Read = AppKeySettings();
    m_pStatus->clear();
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, m_AidCombo, &m_AidEdit, false, true, &ignored, true);
    FillChangeKeyCombo(m_Access, true);
    ClearView();
}

void CDesfireKeySettingsDlg::ClearStatus()
{
    m_pStatus->clear();
    m_Status.m_nAuthSource = CCardStatus::kSourceNone;
}

void CDesfireKeySettingsDlg::ClearView()
{
    m_Read = AppKeySettings();
    m_pKeyCount->setText(LoadStr(kIdsNone));
    m_pCryptoMethod->setText(LoadStr(kIdsNone));
    for (QCheckBox* box : {m_pConfigChangeable, m_pMasterKeyChangeable, m_pFreeDirectory, m_pFreeCreateDelete})
        SetBoxState(box, -1);
    SelectChangeKeyComboValue(m_Access, 0xFF);
}

void CDesfireKeySettingsDlg::OnAidChanged()
{
    ClearView();
    ClearStatus();
}

void CDesfireKeySettingsDlg::ShowSettings(const AppKeySettings& settings)
{
    m_Read = settings;
    m_pKeyCount->setText(QString::number(settings.keyCount));
    const int method = settings.cryptoMethod;
    m_pCryptoMethod->setText(LoadStr(method == 0x40   ? kIdsCrypto3K3Des
                                     : method == 0x80 ? kIdsCryptoAes
                                                      : kIdsCryptoDes));
    for (QCheckBox* box : {m_pConfigChangeable, m_pMasterKeyChangeable, m_pFreeDirectory, m_pFreeCreateDelete})
        box->setTristate(false);
    SetBoxState(m_pConfigChangeable, settings.configChangeable);
    SetBoxState(m_pMasterKeyChangeable, settings.masterKeyChangeable);
    SetBoxState(m_pFreeDirectory, settings.freeDirectory);
    SetBoxState(m_pFreeCreateDelete, settings.freeCreateDelete);
    SelectChangeKeyComboValue(m_Access, static_cast<uint8_t>(settings.changeKeyAccess));
}

int CDesfireKeySettingsDlg::DialogAid()
{
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return -1;
    return static_cast<int>(m_Status.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit));
}

void CDesfireKeySettingsDlg::OnGetSettings()
{
    ClearStatus();
    const int aid = DialogAid();
    if (aid < 0) return;
    const AppKeySettingsResult result = FetchAppKeySettings(m_hPort, m_Status, aid, &m_StatusLine);
    if (result.read)
        ShowSettings(result.settings);
    else
        ClearView();
    ShowResult(m_pStatus, result);
}

void CDesfireKeySettingsDlg::OnChangeSettings()
{
    ClearStatus();
    const int aid = DialogAid();
    if (aid < 0) return;
    AppKeySettingsChange change;
    change.changeKeyAccess = GetChangeKeyComboValue(m_Access);
    change.configChangeable = BoxState(m_pConfigChangeable);
    change.freeCreateDelete = BoxState(m_pFreeCreateDelete);
    change.freeDirectory = BoxState(m_pFreeDirectory);
    change.masterKeyChangeable = BoxState(m_pMasterKeyChangeable);
    const auto confirmFreeze = [this, aid] {
        return AskDestructive(this, LoadStr(kIdsConfirmFreezeAppSettings).arg(AidToText(static_cast<uint32_t>(aid))));
    };
    const AppKeySettingsResult result =
        ChangeAppKeySettings(m_hPort, m_Status, aid, &m_StatusLine, change, m_Read, confirmFreeze);
    if (result.read) ShowSettings(result.settings);
    ShowResult(m_pStatus, result);
}

} // namespace velmora
