#include "app/ui/delete_app_dlg.h"

#include "app/model/application_actions.h"
#include "app/model/hex_text.h"
#include "app/model/input_helpers.h"
#include "app/model/ui_strings.h"
#include "app/ui/message_service.h"
#include "app/ui/qt_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

CDeleteAppDlg::CDeleteAppDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/delete_app_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CDeleteAppDlg::OnDelete);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
}

void CDeleteAppDlg::OnInitDialog()
{
    m_pStatus->clear();
    QtCombo combo(m_pAidCombo);
    QtEdit edit(m_pAidEdit);
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, combo, &edit, false, false, &ignored, true);
}

void CDeleteAppDlg::OnDelete()
{
    m_pStatus->clear();
    QtCombo combo(m_pAidCombo);
    QtEdit edit(m_pAidEdit);
    QtEdit status(m_pStatus);
    if (!ValidateAid(&combo, &edit, &status, false)) return;
    const uint32_t aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(combo) : GetAidFromEdit(edit);
    // Enter alone must not delete: the question's default is "No".
    if (!AskDestructive(this, LoadStr(kIdsDeleteAppQuestion).arg(AidToText(aid)))) {
        m_pStatus->setText(LoadStr(kIdsCancelled));
        return;
    }
    if (!DeleteApplication(m_hPort, m_Status, aid, status).ok) return;
    m_bApplicationDeleted = true;
    // The application is gone from the model's list: not offered again.
    if (m_Status.m_bAppIdsRead) {
        QString ignored;
        FillAppIdCombo(m_hPort, m_Status, combo, &edit, false, false, &ignored, false);
    }
}

} // namespace velmora
