#include "app/ui/file_read_write_dlg.h"

#include "app/model/card_session.h"
#include "app/model/input_helpers.h"
#include "app/model/status_line.h"
#include "app/ui/data_file_rw_page.h"
#include "app/ui/file_type_for_rw_dlg.h"
#include "app/ui/record_file_rw_page.h"
#include "app/ui/ui_template.h"
#include "app/ui/value_file_rw_page.h"
#include "app/model/transfer_progress.h"
#include "resources/control_ids.h"

#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

namespace velmora {

namespace {

template <class Page>
Page* AddPage(QTabWidget* tabs, int tab, CFileRwPageHost& host)
{
    QWidget* area = tabs->widget(tab);
    auto* page = new Page(host, area);
    area->layout()->addWidget(page);
    return page;
}

} // namespace

CFileReadWriteDlg::CFileReadWriteDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/file_read_write_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)),
      m_pFileCombo(Ctl<QComboBox>(m_pTemplate, kIdcFileNoCombo)),
      m_pFileEdit(Ctl<QLineEdit>(m_pTemplate, kIdcFileNoEdit)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_pTabs(Ctl<QTabWidget>(m_pTemplate, kIdcRwTabs)), m_pProgress(Ctl<QProgressBar>(m_pTemplate, kIdcRwProgress)),
      m_AidCombo(m_pAidCombo), m_AidEdit(m_pAidEdit), m_FileCombo(m_pFileCombo), m_FileEdit(m_pFileEdit),
      m_StatusLine(m_pStatus), m_Frame(port, status, m_StatusLine),
      m_pDataPage(AddPage<CDataFileRWDlg>(m_pTabs, kTabData, *this)),
      m_pValuePage(AddPage<CValueFileRWDlg>(m_pTabs, kTabValue, *this)),
      m_pRecordPage(AddPage<CRecordFileRWDlg>(m_pTabs, kTabRecord, *this))
{
    RememberGeometry(QStringLiteral("FileReadWrite"));
    m_pProgress->hide();
    m_Frame.m_OnSettings = [this] { ShowSettings(); };
    m_Frame.m_AskFileType = [this](FileKind kind, int rights) { return AskFileType(kind, rights); };
    connect(Ctl<QPushButton>(m_pTemplate, kIdcGetFileNos), &QPushButton::clicked, this,
            &CFileReadWriteDlg::OnGetFileIds);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcRwReadFileType), &QPushButton::clicked, this,
            &CFileReadWriteDlg::OnReadFileType);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pAidCombo, &QComboBox::activated, this, &CFileReadWriteDlg::OnAppChosen);
    connect(m_pFileCombo, &QComboBox::activated, this, &CFileReadWriteDlg::OnFileChosen);
    // What the pages show belongs to the file the fields named: a typed
    // AID or file number shows nothing of the one before.
    connect(m_pAidEdit, &QLineEdit::textEdited, this, &CFileReadWriteDlg::OnFileChosen);
    connect(m_pFileEdit, &QLineEdit::textEdited, this, &CFileReadWriteDlg::OnFileChosen);
}

CFileReadWriteDlg::~CFileReadWriteDlg()
{
    WatchTransferProgress({});
}

void CFileReadWriteDlg::OnInitDialog()
{
    m_pStatus->clear();
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, m_AidCombo, &m_AidEdit, false, false, &ignored, true);
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
    ShowNothing();
}

void CFileReadWriteDlg::ShowNothing()
{
    m_pDataPage->ClearData();
    m_pValuePage->ClearData();
    m_pRecordPage->ClearData();
    const KnownFileSettings none;
    m_pDataPage->ShowSettings(none);
    m_pValuePage->ShowSettings(none);
    m_pRecordPage->ShowSettings(none);
    m_pTabs->setCurrentIndex(kTabUndetermined);
}

void CFileReadWriteDlg::ShowSettings()
{
    const KnownFileSettings& s = m_Frame.Known();
    m_pDataPage->ShowSettings(s);
    m_pValuePage->ShowSettings(s);
    m_pRecordPage->ShowSettings(s);
    switch (s.type) {
    case 0:
    case 1: m_pTabs->setCurrentIndex(kTabData); break;
    case 2: m_pTabs->setCurrentIndex(kTabValue); break;
    case 3:
    case 4: m_pTabs->setCurrentIndex(kTabRecord); break;
    default: break;
    }
}

void CFileReadWriteDlg::OnAppChosen()
{
    QString ignored;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
    OnFileChosen();
}

void CFileReadWriteDlg::OnFileChosen()
{
    ShowNothing();
    m_pStatus->clear();
}

void CFileReadWriteDlg::OnGetFileIds()
{
    m_pStatus->clear();
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return;
    // A refilled list may name other files than the one shown.
    ShowNothing();
    QString message;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &message, false);
    m_pStatus->setText(message);
}

CFileRwFrame* CFileReadWriteDlg::Target()
{
    m_pStatus->clear();
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return nullptr;
    if (!ValidateFileNumber(&m_FileCombo, &m_FileEdit, &m_StatusLine)) return nullptr;
    const uint32_t aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit);
    const int fileNo = FileNumberFromText(VisibleText(&m_FileCombo, &m_FileEdit));
    m_Frame.SetTarget(static_cast<int>(aid), static_cast<uint8_t>(fileNo));
    return &m_Frame;
}

void CFileReadWriteDlg::OnReadFileType()
{
    CFileRwFrame* frame = Target();
    if (!frame) {
        ShowNothing();
        return;
    }
    frame->ForgetSettingsFile();
    QString message;
    if (!EnsureAppSelected(m_hPort, m_Status, frame->Aid(), &message)) {
        ShowNothing();
        m_pStatus->setText(message);
        return;
    }
    if (!frame->ReadSettings(true)) {
        const QString text = m_pStatus->text();
        ShowNothing();
        m_pStatus->setText(text);
        return;
    }
    m_pStatus->setText(GetListStatusText(m_hPort, m_Status));
}

FileTypeAnswer CFileReadWriteDlg::AskFileType(FileKind kind, int rights)
{
    CGetFileTypeForRWDlg dlg(m_hPort, m_Status, m_Frame.Aid(), m_Frame.FileNo(), kind, rights, this);
    RunModal(dlg);
    return dlg.Answer();
}

void CFileReadWriteDlg::TransferStarts()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pProgress->hide();
    m_pProgress->reset();
    // Called between the frames of a transfer: the window paints it
    // through the idle hook while the reader answers.
    WatchTransferProgress([this](int done, int total) { ShowProgress(done, total); });
}

void CFileReadWriteDlg::TransferEnded()
{
    WatchTransferProgress({});
    m_pProgress->hide();
    QApplication::restoreOverrideCursor();
}

void CFileReadWriteDlg::ShowProgress(int done, int total)
{
    // A read to the end of the file learns its total with its last frame.
    m_pProgress->setRange(0, std::max(total, 0));
    m_pProgress->setValue(done);
    m_pProgress->show();
}

} // namespace velmora
