#include "app/ui/create_file_dlg.h"

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
#include <QRadioButton>

#include <limits>

namespace velmora {

namespace {

constexpr int kTypeRadios[] = {kIdcStdDataFile, kIdcBackupDataFile, kIdcValueFile, kIdcLinearRecordFile,
                               kIdcCyclicRecordFile};

} // namespace

CDesfireCreateFileDlg::CDesfireCreateFileDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/create_file_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)),
      m_pFileNo(Ctl<QLineEdit>(m_pTemplate, kIdcFileNoEdit)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_Access(m_pTemplate)
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdcCreate), &QPushButton::clicked, this, &CDesfireCreateFileDlg::OnCreate);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    // Only the user's pick: a refilled list causes no card traffic.
    connect(m_pAidCombo, &QComboBox::activated, this, &CDesfireCreateFileDlg::OnAppChosen);
}

void CDesfireCreateFileDlg::OnInitDialog()
{
    m_pStatus->clear();
    m_pFileNo->setText(QStringLiteral("00"));
    const std::pair<int, const char*> defaults[] = {{kIdcFileSize, "32"},   {kIdcLowerLimit, "0"},
                                                    {kIdcUpperLimit, "10"}, {kIdcStartValue, "0"},
                                                    {kIdcRecordSize, "10"}, {kIdcMaxRecords, "10"}};
    for (const auto& [id, text] : defaults) Ctl<QLineEdit>(m_pTemplate, id)->setText(QString::fromLatin1(text));
    Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->setChecked(false);
    Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->setChecked(false);

    QtCombo combo(m_pAidCombo);
    QtEdit edit(m_pAidEdit);
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, combo, &edit, false, false, &ignored, true);
    m_App = AppKeyInfo{};
    m_Access.Fill(m_App.keyCount, true);
    if (m_Status.m_bAppIdsRead) OnAppChosen();
    Ctl<QRadioButton>(m_pTemplate, kIdcStdDataFile)->setChecked(true);
}

void CDesfireCreateFileDlg::OnAppChosen()
{
    m_pStatus->clear();
    m_App = AppKeyInfo{};
    QtCombo combo(m_pAidCombo);
    QtEdit edit(m_pAidEdit);
    QtEdit status(m_pStatus);
    const uint32_t aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(combo) : GetAidFromEdit(edit);
    if (!ReadAppKeyInfo(m_hPort, m_Status, aid, &m_App, status)) return;
    m_Access.Fill(m_App.keyCount, true);
}

bool CDesfireCreateFileDlg::ReadNumber(int id, int64_t min, int64_t max, bool rangeMessage, int64_t* value)
{
    const ParsedNumber n = ParseInteger(Ctl<QLineEdit>(m_pTemplate, id)->text(), min, max);
    if (n.Ok()) {
        *value = n.value;
        return true;
    }
    if (rangeMessage || n.status == ParsedNumber::Status::OutOfRange)
        MessageBox(this, LoadStr(kIdsNumberRange).arg(min).arg(max));
    else
        MessageBox(this, LoadStr(kIdsWholeNumber));
    Ctl<QLineEdit>(m_pTemplate, id)->setFocus();
    return false;
}

void CDesfireCreateFileDlg::OnCreate()
{
    m_pStatus->clear();
    NewFile file;
    int type = 0;
    while (type < 4 && !Ctl<QRadioButton>(m_pTemplate, kTypeRadios[type])->isChecked()) ++type;
    file.type = static_cast<FileType>(type);

    // Only the fields of the chosen type count; sizes and counts fill 3
    // bytes on the card, and nothing else may wrap into them.
    constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
    constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();
    switch (file.type) {
    case FileType::StandardData:
    case FileType::BackupData:
        if (!ReadNumber(kIdcFileSize, 1, kMaxCardSize, true, &file.fileSize)) return;
        break;
    case FileType::Value:
        if (!ReadNumber(kIdcLowerLimit, kMin32, kMax32, false, &file.lowerLimit) ||
            !ReadNumber(kIdcUpperLimit, kMin32, kMax32, false, &file.upperLimit) ||
            // Any start value outside the limits is refused by its own message.
            !ReadNumber(kIdcStartValue, -(int64_t{1} << 62), int64_t{1} << 62, false, &file.value))
            return;
        file.limitedCredit =
            static_cast<uint8_t>((Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->isChecked() ? 1 : 0) |
                                 (Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->isChecked() ? 2 : 0));
        break;
    case FileType::LinearRecord:
    case FileType::CyclicRecord:
        if (!ReadNumber(kIdcRecordSize, 1, kMaxCardSize, true, &file.recordSize) ||
            !ReadNumber(kIdcMaxRecords, 1, kMaxCardSize, true, &file.maxRecords))
            return;
        break;
    }

    QtCombo combo(m_pAidCombo);
    QtEdit edit(m_pAidEdit);
    QtEdit fileNo(m_pFileNo);
    QtEdit status(m_pStatus);
    if (!ValidateAid(&combo, &edit, &status, false)) return;
    if (!ValidateFileNumber(nullptr, &fileNo, &status)) return;
    file.aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(combo) : GetAidFromEdit(edit);
    file.fileNo = static_cast<uint8_t>(FileNumberFromText(fileNo.Text()));
    file.commSettings = m_Access.CommSettings();
    file.access = m_Access.Access();
    const QString problem = CheckNewFile(file, m_Status);
    if (!problem.isEmpty()) {
        m_pStatus->setText(problem);
        return;
    }
    if (CreateFile(m_hPort, m_Status, file, m_App, status).ok) m_bFileCreated = true;
}

} // namespace velmora
