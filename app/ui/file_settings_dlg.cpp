#include "app/ui/file_settings_dlg.h"

#include "app/model/input_helpers.h"
#include "app/model/ui_strings.h"
#include "app/ui/message_service.h"
#include "app/ui/qt_controls.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <vector>

namespace velmora {

namespace {

constexpr int kTypeRadios[] = {kIdcStdDataFile, kIdcBackupDataFile, kIdcValueFile, kIdcLinearRecordFile,
                               kIdcCyclicRecordFile};

// The fields each file type fills, by type byte.
std::vector<int> TypeFields(int type)
{
    switch (type) {
    case 0:
    case 1: return {kIdcFileSize};
    case 2: return {kIdcLowerLimit, kIdcUpperLimit, kIdcLimitedCreditValue, kIdcLimitedCredit, kIdcFreeGetValue};
    case 3:
    case 4: return {kIdcRecordSize, kIdcMaxRecords, kIdcCurrentRecords};
    default: return {};
    }
}

} // namespace

CFileSettingsDlg::CFileSettingsDlg(int port, CCardStatus& status, QWidget* parent)
    : CModalDialog(parent), m_hPort(port), m_Status(status),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/file_settings_dlg.ui"))),
      m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)), m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)),
      m_pFileCombo(Ctl<QComboBox>(m_pTemplate, kIdcFileNoCombo)),
      m_pFileEdit(Ctl<QLineEdit>(m_pTemplate, kIdcFileNoEdit)), m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)),
      m_AidCombo(m_pAidCombo), m_AidEdit(m_pAidEdit), m_FileCombo(m_pFileCombo), m_FileEdit(m_pFileEdit),
      m_StatusLine(m_pStatus), m_Access(m_pTemplate)
{
    connect(Ctl<QPushButton>(m_pTemplate, kIdcGetFileNos), &QPushButton::clicked, this,
            &CFileSettingsDlg::OnGetFileIds);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcGetFileSettings), &QPushButton::clicked, this,
            &CFileSettingsDlg::OnGetSettings);
    connect(Ctl<QPushButton>(m_pTemplate, kIdcChangeFileSettings), &QPushButton::clicked, this,
            &CFileSettingsDlg::OnChangeSettings);
    connect(Ctl<QPushButton>(m_pTemplate, kIdCancel), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pAidCombo, &QComboBox::activated, this, &CFileSettingsDlg::OnAppChosen);
    connect(m_pFileCombo, &QComboBox::activated, this, &CFileSettingsDlg::OnFileChosen);
    // What is shown belongs to the file the fields named when it was read:
    // a typed AID or file number shows nothing until it is read again.
    connect(m_pAidEdit, &QLineEdit::textChanged, this, &CFileSettingsDlg::ClearDisplay);
    connect(m_pFileEdit, &QLineEdit::textChanged, this, &CFileSettingsDlg::ClearDisplay);
    // The type and its fields only show what the card reports.
    for (int id : kTypeRadios) Ctl<QRadioButton>(m_pTemplate, id)->setFocusPolicy(Qt::NoFocus);
    for (int id : {kIdcLimitedCredit, kIdcFreeGetValue}) {
        auto* box = Ctl<QCheckBox>(m_pTemplate, id);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
    }
    for (int id : kTypeRadios) Ctl<QRadioButton>(m_pTemplate, id)->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CFileSettingsDlg::OnInitDialog()
{
    m_pStatus->clear();
    QString ignored;
    FillAppIdCombo(m_hPort, m_Status, m_AidCombo, &m_AidEdit, false, false, &ignored, true);
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
    ClearDisplay();
    m_Access.Fill(14, false); // nothing chosen yet
}

void CFileSettingsDlg::ClearDisplay()
{
    m_Access.ShowUnknown();
    for (int type = 0; type < 5; ++type) {
        auto* radio = Ctl<QRadioButton>(m_pTemplate, kTypeRadios[type]);
        radio->setChecked(false);
        radio->setEnabled(false);
    }
    for (QLabel* label : m_pTemplate->findChildren<QLabel*>())
        if (label->buddy() && !label->buddy()->objectName().isEmpty()) {
            const int id = label->buddy()->objectName().toInt();
            for (int type : {0, 2, 3})
                for (int field : TypeFields(type))
                    if (field == id) label->setEnabled(false);
        }
    for (int type : {0, 2, 3}) {
        for (int id : TypeFields(type)) {
            QWidget* field = FindControl(m_pTemplate, id);
            field->setEnabled(false);
            if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->setText(QStringLiteral("0"));
            if (auto* box = qobject_cast<QCheckBox*>(field)) box->setChecked(false);
        }
    }
    Ctl<QLineEdit>(m_pTemplate, kIdcFileSize)->setText(QStringLiteral("--"));
    m_nChangeCondition = 0;
    m_nShownAid = -1;
    m_nShownFileNo = 0xFF;
}

void CFileSettingsDlg::ShowSettings(const FileSettings& s)
{
    m_Access.Show(s.commSettings, s.access);
    m_nChangeCondition = s.access.change;
    if (s.type >= 0 && s.type <= 4) {
        auto* radio = Ctl<QRadioButton>(m_pTemplate, kTypeRadios[s.type]);
        radio->setEnabled(true);
        radio->setChecked(true);
        const std::vector<int> fields = TypeFields(s.type);
        for (int id : fields) FindControl(m_pTemplate, id)->setEnabled(true);
        for (QLabel* label : m_pTemplate->findChildren<QLabel*>())
            if (label->buddy() &&
                fields.end() != std::find(fields.begin(), fields.end(), label->buddy()->objectName().toInt()))
                label->setEnabled(true);
    }
    auto text = [this](int id, const QString& value) { Ctl<QLineEdit>(m_pTemplate, id)->setText(value); };
    if (s.hasSize) text(kIdcFileSize, QString::asprintf("%.2d", static_cast<int>(s.fileSize)));
    if (s.hasValueLimits) {
        text(kIdcLowerLimit, QString::number(s.lowerLimit));
        text(kIdcUpperLimit, QString::number(s.upperLimit));
        text(kIdcLimitedCreditValue, QString::number(s.limitedCreditValue));
        Ctl<QCheckBox>(m_pTemplate, kIdcLimitedCredit)->setChecked(s.limitedCredit);
        Ctl<QCheckBox>(m_pTemplate, kIdcFreeGetValue)->setChecked(s.freeGetValue);
    }
    if (s.hasRecords) {
        text(kIdcRecordSize, QString::number(s.recordSize));
        text(kIdcMaxRecords, QString::number(s.maxRecords));
        text(kIdcCurrentRecords, QString::number(s.currentRecords));
    }
}

void CFileSettingsDlg::OnAppChosen()
{
    m_FileCombo.Clear();
    m_FileEdit.SetText(QString());
    m_FileCombo.SetShown(false);
    m_FileEdit.SetShown(true);
    ClearDisplay();
    QString ignored;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &ignored, true);
    m_pStatus->clear();
}

void CFileSettingsDlg::OnFileChosen()
{
    ClearDisplay();
    m_pStatus->clear();
}

void CFileSettingsDlg::OnGetFileIds()
{
    m_pStatus->clear();
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return;
    // A refilled list names other files than the one shown.
    ClearDisplay();
    QString message;
    SelectAppAndFillFileIds(m_hPort, m_Status, m_AidCombo, &m_AidEdit, m_FileCombo, &m_FileEdit, &message, false);
    m_pStatus->setText(message);
}

bool CFileSettingsDlg::ReadTarget(uint32_t* aid, uint8_t* fileNo)
{
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return false;
    if (!ValidateFileNumber(&m_FileCombo, &m_FileEdit, &m_StatusLine)) return false;
    *aid = m_Status.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit);
    *fileNo = static_cast<uint8_t>(FileNumberFromText(VisibleText(&m_FileCombo, &m_FileEdit)));
    return true;
}

void CFileSettingsDlg::OnGetSettings()
{
    m_pStatus->clear();
    uint32_t aid = 0;
    uint8_t fileNo = 0;
    if (!ReadTarget(&aid, &fileNo)) return;
    ClearDisplay();
    const FileSettingsResult read = ReadFileSettings(m_hPort, m_Status, aid, fileNo, m_StatusLine);
    if (!read.ok) return;
    m_nShownAid = static_cast<int>(aid);
    m_nShownFileNo = fileNo;
    ShowSettings(read.settings);
}

void CFileSettingsDlg::OnChangeSettings()
{
    m_pStatus->clear();
    FileSettingsChange change;
    if (!ReadTarget(&change.aid, &change.fileNo)) return;
    if (static_cast<int>(change.aid) == m_nShownAid && change.fileNo == m_nShownFileNo) {
        change.shownChangeCondition = m_nChangeCondition;
    } else {
        m_nShownAid = -1;
        m_nShownFileNo = 0xFF;
    }
    change.commSettings = m_Access.CommSettings(kUnknownSetting);
    change.access = m_Access.Access(kUnknownSetting);
    const uint8_t fileNo = change.fileNo;
    change.confirmPermanent = [this, fileNo] {
        return AskDestructive(this, LoadStr(kIdsFreezeAccessQuestion).arg(QString::asprintf("%.2d", fileNo)));
    };
    const ChangeFileSettingsResult result = ChangeFileSettings(m_hPort, m_Status, change, m_StatusLine);
    // The card holds the condition that was sent, not the one read before.
    m_nChangeCondition = result.changeCondition;
}

} // namespace velmora
