#include "app/ui/file_type_for_rw_dlg.h"

#include "app/model/card_session.h"
#include "app/model/file_access_lists.h"
#include "app/model/number_input.h"
#include "app/model/ui_strings.h"
#include "app/ui/authentication_input.h"
#include "app/ui/message_service.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace velmora {

namespace {

// The access kinds in the order of their list.
constexpr int kAccessKinds[] = {kRightRead, kRightWrite, kRightReadWrite};
// The file type list: standard, backup, value, record.
constexpr int kRecordEntry = 3;

} // namespace

CGetFileTypeForRWDlg::CGetFileTypeForRWDlg(int port, CCardStatus& status, int aid, uint8_t fileNo, FileKind kind,
                                           int rights, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status), m_nAid(aid), m_nFileNo(fileNo), m_Kind(kind),
      m_nRights(rights), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/file_type_for_rw_dlg.ui"))),
      m_pType(Ctl<QComboBox>(m_pTemplate, kIdcRwAskFileType)),
      m_pAccessKind(Ctl<QComboBox>(m_pTemplate, kIdcRwAccessKind)), m_pKey(Ctl<QLineEdit>(m_pTemplate, kIdcKeyValue)),
      m_pRecordSize(Ctl<QLineEdit>(m_pTemplate, kIdcRecordSize)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_CommMode(Ctl<QComboBox>(m_pTemplate, kIdcCommMode)),
      m_AccessRight(Ctl<QComboBox>(m_pTemplate, kIdcRwAccessRight))
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdcLoadKey), &QPushButton::clicked, this, &CGetFileTypeForRWDlg::OnLoadKey);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcAuthenticate), &QPushButton::clicked, this,
            &CGetFileTypeForRWDlg::OnAuthenticate);
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &CGetFileTypeForRWDlg::OnAccept);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    FillCommModeCombo(m_CommMode);
    FillAccessRightCombo(m_AccessRight, 14);
}

void CGetFileTypeForRWDlg::OnInitDialog()
{
    m_Answer = FileTypeAnswer();
    m_pStatus->clear();
    m_pKey->setFocus();
    m_pType->setCurrentIndex(m_Kind == FileKind::Value ? 2 : m_Kind == FileKind::Record ? kRecordEntry : 0);
    m_pAccessKind->setCurrentIndex((m_nRights & kRightRead) ? 0 : (m_nRights & kRightWrite) ? 1 : 2);
    ShowCommModeComboValue(m_CommMode, 0);
    ShowAccessRightComboValue(m_AccessRight, 14, kAccessFree);
    // What the session learned of the file before.
    const CFileInfo* cached = nullptr;
    for (const CFileInfo& f : m_Status.m_FileInfoList)
        if (f.aid == m_nAid && f.fileNo == m_nFileNo) cached = &f;
    const bool record = m_Kind == FileKind::Record && cached && (cached->fileType == 3 || cached->fileType == 4);
    m_pRecordSize->setText(QString::number(record ? cached->recordSize : 0));
    const bool value = m_Kind == FileKind::Value && cached && cached->fileType == 2;
    Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->setChecked(value && cached->limitedCredit);
    Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->setChecked(value && cached->freeGetValue);
}

void CGetFileTypeForRWDlg::OnLoadKey()
{
    LoadFromKeyStore(this, m_pKey, m_pStatus);
}

void CGetFileTypeForRWDlg::OnAuthenticate()
{
    m_pStatus->clear();
    QString message;
    if (AuthenticateKey(m_hPort, m_Status, m_nAid, 0, KeyFromText(m_pKey->text()), false, &message)) {
        m_Answer.result = FileTypeAnswer::Result::Authenticated;
        accept();
        return;
    }
    m_pStatus->setText(message);
}

void CGetFileTypeForRWDlg::OnAccept()
{
    FileTypeAnswer a;
    a.type = static_cast<uint8_t>(std::max(0, m_pType->currentIndex()));
    a.commSettings = GetCommModeComboValue(m_CommMode, 0);
    const int kind = m_pAccessKind->currentIndex();
    a.accessKind = kind >= 0 ? kAccessKinds[kind] : 0;
    a.condition = GetAccessRightComboValue(m_AccessRight, 0);
    if (a.type == kRecordEntry) {
        const ParsedNumber size = ParseInteger(m_pRecordSize->text(), 0, kMaxCardSize);
        if (!size.Ok()) {
            MessageBox(this, LoadStr(kIdsNumberRange).arg(0).arg(kMaxCardSize));
            m_pRecordSize->setFocus();
            return;
        }
        a.recordSize = static_cast<int>(size.value);
    }
    a.limitedCredit = Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->isChecked();
    a.freeGetValue = Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->isChecked();
    a.result = FileTypeAnswer::Result::Accepted;
    m_Answer = a;
    accept();
}

} // namespace velmora
