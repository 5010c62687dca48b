#include "app/ui/create_app_dlg.h"

#include "app/model/application_actions.h"
#include "app/model/change_key_combo.h"
#include "app/model/hex_text.h"
#include "app/model/input_helpers.h"
#include "app/model/number_input.h"
#include "app/model/ui_strings.h"
#include "app/ui/message_service.h"
#include "app/ui/qt_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CDesfireCreateAppDlg::CDesfireCreateAppDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/create_app_dlg.ui"))),
      m_pAid(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)), m_pKeyCount(Ctl<QLineEdit>(m_pTemplate, kIdcNewAppKeyCount)),
      m_pCipher(Ctl<QComboBox>(m_pTemplate, kIdcCipher)), m_pChangeKey(Ctl<QComboBox>(m_pTemplate, kIdcChangeKeyRule)),
      m_pSettingsChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcSettingsChangeable)),
      m_pMasterKeyChangeable(Ctl<QCheckBox>(m_pTemplate, kIdcNewAppMasterKeyChangeable)),
      m_pFreeDirectory(Ctl<QCheckBox>(m_pTemplate, kIdcNewAppFreeDirectory)),
      m_pFreeCreateDelete(Ctl<QCheckBox>(m_pTemplate, kIdcNewAppFreeCreateDelete)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdcCreate), &QPushButton::clicked, this, &CDesfireCreateAppDlg::OnCreate);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CDesfireCreateAppDlg::OnInitDialog()
{
    m_pCipher->clear();
    m_pCipher->addItems({LoadStr(kIdsCryptoDes), LoadStr(kIdsCryptoAes)});
    m_pCipher->setCurrentIndex(0);
    QtCombo changeKey(m_pChangeKey);
    FillChangeKeyCombo(changeKey, false);
    for (QCheckBox* box : {m_pSettingsChangeable, m_pMasterKeyChangeable, m_pFreeDirectory, m_pFreeCreateDelete})
        box->setChecked(true);
    m_pAid->setText(QStringLiteral("1"));
    m_pKeyCount->setText(QStringLiteral("1"));
    m_pStatus->clear();
}

void CDesfireCreateAppDlg::OnCreate()
{
    m_pStatus->clear();
    const ParsedNumber keyCount = ParseInteger(m_pKeyCount->text(), 0, 255);
    if (!keyCount.Ok()) {
        MessageBox(this, LoadStr(kIdsNumberRange).arg(0).arg(255));
        return;
    }
    QtEdit aid(m_pAid);
    QtEdit status(m_pStatus);
    if (!ValidateAid(nullptr, &aid, &status, false)) return;

    NewApplication app;
    app.aid = GetAidFromEdit(aid);
    app.keyCount = static_cast<int>(keyCount.value);
    app.aes = m_pCipher->currentText() == LoadStr(kIdsCryptoAes);
    app.changeKey = GetChangeKeyComboValue(QtCombo(m_pChangeKey));
    app.settings = static_cast<uint8_t>(
        (m_pMasterKeyChangeable->isChecked() ? 0x01 : 0) | (m_pFreeDirectory->isChecked() ? 0x02 : 0) |
        (m_pFreeCreateDelete->isChecked() ? 0x04 : 0) | (m_pSettingsChangeable->isChecked() ? 0x08 : 0));
    if (const int problem = CheckNewApplication(app)) {
        m_pStatus->setText(LoadStr(problem));
        return;
    }
    if (CreateApplication(m_hPort, m_Status, app, status).ok) m_bApplicationCreated = true;
}

} // namespace velmora
