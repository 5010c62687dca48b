#include "app/ui/authenticate_dlg.h"

#include "app/model/card_session.h"
#include "app/model/hex_text.h"
#include "app/model/input_helpers.h"
#include "app/ui/authentication_input.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CAuthenticateDlg::CAuthenticateDlg(int port, CCardStatus& status, int aid, int keyNo, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status), m_nAid(aid), m_nKeyNo(keyNo)
{
    Build();
}

CAuthenticateDlg::CAuthenticateDlg(int port, CCardStatus& status, int aid, const std::vector<uint8_t>& permittedKeys,
                                   QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status), m_nAid(aid), m_nKeyNo(-1)
{
    if (permittedKeys.size() == 1)
        m_nKeyNo = permittedKeys.front();
    else
        m_PermittedKeys = permittedKeys;
    Build();
}

void CAuthenticateDlg::Build()
{
    m_pTemplate = LoadTemplate(this, QStringLiteral(":/templates/authenticate_dlg.ui"));
    RememberGeometry(QStringLiteral("Authenticate"));
    m_pAidEdit = Ctl<QLineEdit>(m_pTemplate, kIdcAuthAidEdit);
    m_pAidCombo = Ctl<QComboBox>(m_pTemplate, kIdcAidCombo);
    m_pKeyNoEdit = Ctl<QLineEdit>(m_pTemplate, kIdcAuthKeyNoEdit);
    m_pKeyNoCombo = Ctl<QComboBox>(m_pTemplate, kIdcAuthKeyNoCombo);
    m_pKeyEdit = Ctl<QLineEdit>(m_pTemplate, kIdcKeyValue);
    m_pStatus = Ctl<QLineEdit>(m_pTemplate, kIdcStatus);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcAuthenticate), &QPushButton::clicked, this,
            &CAuthenticateDlg::OnAuthenticate);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcLoadKey), &QPushButton::clicked, this, &CAuthenticateDlg::OnLoad);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // Only the user's choices arrive here: the adapters fill the list silently.
    connect(m_pAidCombo, &QComboBox::currentIndexChanged, m_pStatus, &QLineEdit::clear);
}

void CAuthenticateDlg::OnInitDialog()
{
    m_pStatus->clear();
    m_pKeyNoEdit->show();
    m_pKeyNoEdit->setReadOnly(false);
    m_pKeyNoCombo->hide();
    m_pKeyEdit->setFocus();

    QtCombo aidCombo(m_pAidCombo);
    QtEdit aidEdit(m_pAidEdit);
    if (m_nAid < 0) {
        if (m_Status.m_bAppIdsRead) {
            aidEdit.SetShown(false);
            aidCombo.SetShown(true);
            // With the card level first and chosen: this selects it on the card.
            QString message;
            if (!FillAppIdCombo(m_hPort, m_Status, aidCombo, &aidEdit, true, false, &message, true))
                m_pStatus->setText(message);
            if (m_nKeyNo < 0 && m_PermittedKeys.empty()) m_pKeyNoEdit->setText(QStringLiteral("0"));
        } else {
            aidCombo.SetShown(false);
            aidEdit.SetShown(true);
            m_pAidEdit->setReadOnly(false);
            m_pAidEdit->setFocus();
        }
    } else {
        aidCombo.SetShown(false);
        aidEdit.SetShown(true);
        m_pAidEdit->setText(AidToText(static_cast<uint32_t>(m_nAid)));
        m_pAidEdit->setReadOnly(true);
        QString message;
        if (!EnsureAppSelected(m_hPort, m_Status, m_nAid, &message)) m_pStatus->setText(message);
    }

    if (!m_PermittedKeys.empty()) {
        m_pKeyNoEdit->hide();
        m_pKeyNoCombo->show();
        const QSignalBlocker block(m_pKeyNoCombo);
        m_pKeyNoCombo->clear();
        for (uint8_t k : m_PermittedKeys) m_pKeyNoCombo->addItem(QString::asprintf("%.2d", k));
        m_pKeyNoCombo->setCurrentIndex(0);
    } else if (m_nKeyNo >= 0) {
        m_pKeyNoEdit->setText(QString::number(m_nKeyNo));
        m_pKeyNoEdit->setReadOnly(true);
        if (m_nAid >= 0) {
            if (const CCardStatus::CKey* remembered = m_Status.FindKey(m_nAid, m_nKeyNo))
                m_pKeyEdit->setText(BytesToHex(remembered->value.data(), 16, false, true));
        }
    } else if (m_nAid >= 0) {
        m_pKeyNoEdit->setFocus();
    }

    if (CardGone(m_hPort)) EndInInit(QDialog::Rejected);
}

void CAuthenticateDlg::OnAuthenticate()
{
    m_strKey = m_pKeyEdit->text();
    m_pStatus->clear();

    QtCombo aidCombo(m_pAidCombo);
    QtEdit aidEdit(m_pAidEdit);
    QtCombo keyNoCombo(m_pKeyNoCombo);
    QtEdit keyNoEdit(m_pKeyNoEdit);
    QtEdit status(m_pStatus);
    if (!ValidateAid(&aidCombo, &aidEdit, &status, true)) return;
    const int aid = static_cast<int>(HexToNumber(VisibleText(&aidCombo, &aidEdit)));
    if (!ValidateKeyNumber(&keyNoCombo, &keyNoEdit, &status)) return;
    // The number the card gets, as the check took it ("256" is key 0), so
    // that the key is remembered under the number it worked for.
    const int keyNo = KeyNumberFromText(VisibleText(&keyNoCombo, &keyNoEdit));

    QString message;
    if (AuthenticateKey(m_hPort, m_Status, aid, keyNo, KeyFromText(m_strKey), false, &message)) {
        accept();
        return;
    }
    m_pStatus->setText(message);
    if (CardGone(m_hPort)) reject();
}

void CAuthenticateDlg::OnLoad()
{
    LoadFromKeyStore(this, m_pKeyEdit, m_pStatus);
}

} // namespace velmora
