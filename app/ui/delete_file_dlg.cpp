#include "app/ui/delete_file_dlg.h"

#include "app/model/file_actions.h"
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

CDeleteFileDlg::CDeleteFileDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/delete_file_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)),
      m_pFileCombo(Ctl<QComboBox>(m_pTemplate, kIdcFileNoCombo)),
      m_pFileEdit(Ctl<QLineEdit>(m_pTemplate, kIdcFileNoEdit)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_AidCombo(m_pAidCombo), m_AidEdit(m_pAidEdit), m_FileCombo(m_pFileCombo), m_FileEdit(m_pFileEdit),
      m_StatusLine(m_pStatus)
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CDeleteFileDlg::OnDelete);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcGetFileNos), &QPushButton::clicked, this, &CDeleteFileDlg::OnGetFileIds);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pAidCombo, &QComboBox::activated, this, &CDeleteFileDlg::OnAppChosen);
}

void CDeleteFileDlg::OnInitDialog()
{
    m_pStatus->clear();
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, m_AidCombo, &m_AidEdit, false, false, &ignored, true);
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
}

void CDeleteFileDlg::OnAppChosen()
{
    QString ignored;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
    m_pStatus->clear();
}

void CDeleteFileDlg::OnGetFileIds()
{
    m_pStatus->clear();
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return;
    QString message;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &message, false);
    m_pStatus->setText(message);
}

void CDeleteFileDlg::OnDelete()
{
    m_pStatus->clear();
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return;
    if (!ValidateFileNumber(&m_FileCombo, &m_FileEdit, &m_StatusLine)) return;
    // The application named in the field, whatever the file list was read from.
    const uint32_t aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit);
    const auto fileNo = static_cast<uint8_t>(FileNumberFromText(VisibleText(&m_FileCombo, &m_FileEdit)));
    // Enter alone must not delete: the question's default is "No".
    if (!AskDestructive(this, LoadStr(kIdsDeleteFileQuestion).arg(QString::asprintf("%.2d", fileNo), AidToText(aid)))) {
        m_pStatus->setText(LoadStr(kIdsCancelled));
        return;
    }
    if (!DeleteFile(m_hPort, m_Status, aid, fileNo, m_StatusLine).ok) return;
    m_bFileDeleted = true;
    if (m_Status.m_bFileIdsRead) {
        QString ignored;
        FillFileIdCombo(m_hPort, m_Status, m_FileCombo, false, &ignored, false);
    }
}

} // namespace velmora
