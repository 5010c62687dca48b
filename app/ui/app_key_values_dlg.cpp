#include "app/ui/app_key_values_dlg.h"

#include "app/model/app_key_settings.h"
#include "app/model/change_key_combo.h"
#include "app/model/input_helpers.h"
#include "app/model/key_text.h"
#include "app/model/key_values.h"
#include "app/model/ui_strings.h"
#include "app/ui/authentication_input.h"
#include "app/ui/key_dialog_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace velmora {

namespace {

constexpr int kLastKeyNo = 13;

} // namespace

CDesfireKeyDlg::CDesfireKeyDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/app_key_values_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAppAidEdit)),
      m_pMasterKeyMode(Ctl<QRadioButton>(m_pTemplate, kIdcAppMasterKeyMode)),
      m_pKeyNumberMode(Ctl<QRadioButton>(m_pTemplate, kIdcKeyNumberMode)),
      m_pKeyNoCombo(Ctl<QComboBox>(m_pTemplate, kIdcKeyNoCombo)),
      m_pKeyNoEdit(Ctl<QLineEdit>(m_pTemplate, kIdcKeyNoEdit)),
      m_pAccessCombo(Ctl<QComboBox>(m_pTemplate, kIdcChangeKeyAccess)),
      m_pOldKey(Ctl<QLineEdit>(m_pTemplate, kIdcOldKey)), m_pNewKey(Ctl<QLineEdit>(m_pTemplate, kIdcNewKeyValue)),
      m_pVersion(Ctl<QLineEdit>(m_pTemplate, kIdcNewKeyVersion)),
      m_pKeyVersion(Ctl<QLineEdit>(m_pTemplate, kIdcKeyVersion)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_AidCombo(m_pAidCombo), m_AidEdit(m_pAidEdit), m_KeyNoCombo(m_pKeyNoCombo), m_KeyNoEdit(m_pKeyNoEdit),
      m_Access(m_pAccessCombo), m_StatusLine(m_pStatus)
{
    RememberGeometry(QStringLiteral("AppKeyValues"));
    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcReadKeySettings), &QPushButton::clicked, this, &CDesfireKeyDlg::OnReadSettings);
    connect(button(kIdcChangeKey), &QPushButton::clicked, this, &CDesfireKeyDlg::OnChangeKey);
    connect(button(kIdcGetKeyVersion), &QPushButton::clicked, this, &CDesfireKeyDlg::OnGetVersion);
    connect(button(kIdcLoadKey), &QPushButton::clicked, this, &CDesfireKeyDlg::OnLoadNew);
    connect(button(kIdcLoadOldKey), &QPushButton::clicked, this, &CDesfireKeyDlg::OnLoadOld);
    connect(button(kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pMasterKeyMode, &QRadioButton::clicked, this, [this] {
        m_bMasterKeyMode = true;
        ApplyEnableRules();
    });
    connect(m_pKeyNumberMode, &QRadioButton::clicked, this, [this] {
        m_bMasterKeyMode = false;
        ApplyEnableRules();
    });
    connect(m_pKeyNoCombo, &QComboBox::currentIndexChanged, this, &CDesfireKeyDlg::ApplyEnableRules);
    connect(m_pAccessCombo, &QComboBox::currentIndexChanged, this, &CDesfireKeyDlg::ApplyEnableRules);
    // The key count read belongs to the application it was read from.
    const auto aidChanged = [this] {
        m_nKeyCount = -1;
        m_nReadAid = -1;
    };
    connect(m_pAidCombo, &QComboBox::editTextChanged, this, aidChanged);
    connect(m_pAidEdit, &QLineEdit::textChanged, this, aidChanged);
}

void CDesfireKeyDlg::OnInitDialog()
{
    m_pStatus->clear();
    m_nKeyCount = -1;
    m_nReadAid = -1;
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, m_AidCombo, &m_AidEdit, false, true, &ignored, true);
    m_KeyNoCombo.Clear();
    for (int n = 1; n <= kLastKeyNo; ++n) m_KeyNoCombo.AddString(QString::asprintf("%.2d", n));
    m_KeyNoCombo.SetCurSel(0);
    m_pMasterKeyMode->setChecked(true);
    m_bMasterKeyMode = true;
    FillChangeKeyCombo(m_Access, true);
    ApplyEnableRules();
}

void CDesfireKeyDlg::ApplyEnableRules()
{
    m_pKeyNoEdit->hide();
    m_pKeyNoCombo->show();
    const bool keyMode = !m_bMasterKeyMode;
    const uint8_t access = GetChangeKeyComboValue(m_Access);
    // A named key authorises the change: the card needs the old value.
    const bool oldValue = keyMode && access <= kLastKeyNo;
    m_pKeyNoCombo->setEnabled(keyMode);
    m_pTemplate->findChild<QLabel*>(QString::number(kIdcChangeKeyAccessLabel))->setEnabled(keyMode);
    m_pAccessCombo->setEnabled(keyMode);
    Ctl<QPushButton>(m_pTemplate, kIdcReadKeySettings)->setEnabled(keyMode);
    m_pTemplate->findChild<QLabel*>(QString::number(kIdcOldKeyLabel))->setEnabled(oldValue);
    m_pOldKey->setEnabled(oldValue);
    Ctl<QPushButton>(m_pTemplate, kIdcLoadOldKey)->setEnabled(oldValue);
}

void CDesfireKeyDlg::ClearStatus()
{
    m_pStatus->clear();
    m_Status.m_nAuthSource = CCardStatus::kSourceNone;
}

int CDesfireKeyDlg::DialogAid()
{
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return -1;
    return static_cast<int>(m_Status.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit));
}

void CDesfireKeyDlg::OnReadSettings()
{
    ClearStatus();
    const int aid = DialogAid();
    if (aid < 0) return;
    AppKeySettings settings;
    QString message;
    if (!ReadAppKeySettings(m_hPort, m_Status, aid, &m_StatusLine, true, &settings, &message)) {
        if (!message.isEmpty()) m_pStatus->setText(message);
        return;
    }
    m_nKeyCount = settings.keyCount;
    m_nReadAid = aid;
    m_pStatus->setText(LoadStr(kIdsReadOk));
    SelectChangeKeyComboValue(m_Access, static_cast<uint8_t>(settings.changeKeyAccess));
    ApplyEnableRules();
}

void CDesfireKeyDlg::OnChangeKey()
{
    ClearStatus();
    const int aid = DialogAid();
    if (aid < 0) return;
    AppKeyChange change;
    change.aid = aid;
    change.masterKeyMode = m_bMasterKeyMode;
    if (!m_bMasterKeyMode) {
        if (!ValidateKeyNumber(&m_KeyNoCombo, &m_KeyNoEdit, &m_StatusLine)) return;
        change.keyNoText = VisibleText(&m_KeyNoCombo, &m_KeyNoEdit);
        change.changeKeyAccess = GetChangeKeyComboValue(m_Access);
    }
    change.newKeyText = m_pNewKey->text();
    change.oldKeyText = m_pOldKey->text();
    change.versionText = m_pVersion->text();
    change.keyCount = m_nReadAid == aid ? m_nKeyCount : -1;
    ShowResult(m_pStatus, ChangeAppKey(m_hPort, m_Status, &m_StatusLine, change));
}

void CDesfireKeyDlg::OnGetVersion()
{
    m_pKeyVersion->setText(LoadStr(kIdsNone));
    ClearStatus();
    const int aid = DialogAid();
    if (aid < 0) return;
    if (!ValidateKeyNumber(&m_KeyNoCombo, &m_KeyNoEdit, &m_StatusLine)) return;
    // The whole number, as for a change: "256" is no key.
    const int keyNo = m_bMasterKeyMode ? 0 : StrictKeyNumber(VisibleText(&m_KeyNoCombo, &m_KeyNoEdit));
    if (keyNo < 0 || keyNo > kLastKeyNo) {
        m_pStatus->setText(LoadStr(kIdsKeyNoTooBig));
        return;
    }
    const KeyVersionResult result = ReadKeyVersion(m_hPort, m_Status, aid, keyNo);
    m_pKeyVersion->setText(result.version);
    if (m_pStatus->text().isEmpty()) ShowResult(m_pStatus, result);
}

void CDesfireKeyDlg::OnLoadNew()
{
    LoadFromKeyStore(this, m_pNewKey, m_pStatus);
}

void CDesfireKeyDlg::OnLoadOld()
{
    LoadFromKeyStore(this, m_pOldKey, m_pStatus);
}

void CDesfireKeyDlg::done(int result)
{
    ForgetKeys({m_pNewKey, m_pOldKey});
    CModalDialog::done(result);
}

} // namespace velmora
