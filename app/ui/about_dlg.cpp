#include "app/ui/about_dlg.h"

#include "app/model/installer_download.h"
#include "app/model/ui_strings.h"
#include "app/model/update_checker.h"
#include "app/settings/settings.h"
#include "app/ui/bitmap_static.h"
#include "app/ui/busy_scope.h"
#include "app/ui/link_label.h"
#include "app/ui/message_service.h"
#include "app/ui/ui_template.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace velmora {

namespace {

const QString kVersionSection = QStringLiteral("Version");
const QString kUpdateKey = QStringLiteral("Update");

const QColor kLinkBlue(0, 0, 255);
const QColor kGrey(128, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kDarkRed(192, 0, 0);

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : CModalDialog(parent), m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/about_dlg.ui"))),
      m_pTitle(Ctl<QLabel>(m_pTemplate, kIdcAboutTitle)), m_pUpdateLine(Ctl<CLabel>(m_pTemplate, kIdcUpdateLine)),
      m_pAutoUpdate(Ctl<QCheckBox>(m_pTemplate, kIdcAutoUpdate)),
      m_pLogo(Ctl<CBitmapStatic>(m_pTemplate, kIdcAboutLogo))
{
    m_strTitleTemplate = m_pTitle->text();
    m_strUpdateTemplate = m_pUpdateLine->text();
    m_pTemplate->findChild<QLabel*>(QStringLiteral("description"))->setText(LoadStr(kIdsAboutText));
    m_pLogo->SetBitmap(QPixmap(QStringLiteral(":/velmora.xpm")));
    m_pLogo->SetTransparent(true);
    for (const int id : {kIdcWebLink, kIdcMailLink}) {
        CLabel* link = Ctl<CLabel>(m_pTemplate, id);
        link->SetLink(link->property("link").toString());
        link->SetTextColor(kLinkBlue);
        QFont font = link->font();
        font.setUnderline(true);
        link->SetFont(font);
        link->setCursor(Qt::PointingHandCursor);
    }
    QFont italic = m_pUpdateLine->font();
    italic.setItalic(true);
    m_pUpdateLine->SetFont(italic);
    connect(m_pUpdateLine, &CLabel::Clicked, this, &CAboutDlg::OnUpdateLineClicked);
    connect(Ctl<QPushButton>(m_pTemplate, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnInitDialog()
{
    m_pAutoUpdate->setChecked(GetProfileInt(kVersionSection, kUpdateKey, 1) != 0);
    const ProgramVersion own = OwnProgramVersion();
    m_pTitle->setText(m_strTitleTemplate + QLatin1Char(' ') + own.text + QStringLiteral(" (") + own.buildDate +
                      QLatin1Char(')'));

    m_Line = UpdateLine{};
    m_pUpdateLine->setText(m_strUpdateTemplate);
    m_pUpdateLine->SetTextColor(kGrey);
    m_pUpdateLine->unsetCursor();
    if (CUpdateChecker* checker = UpdateChecker()) checker->StartUpdateCheck(this, [this] { OnUpdateNotify(); });
}

void CAboutDlg::done(int result)
{
    WriteProfileInt(kVersionSection, kUpdateKey, m_pAutoUpdate->isChecked() ? 1 : 0);
    CModalDialog::done(result);
}

void CAboutDlg::OnUpdateNotify()
{
    CUpdateChecker* checker = UpdateChecker();
    if (!checker || !checker->Done()) return;
    m_Line = checker->Line(OwnProgramVersion());
    m_pUpdateLine->setText(m_Line.text);
    switch (m_Line.state) {
    case UpdateState::Checking: break;
    case UpdateState::NoConnection:
    case UpdateState::NoFile: m_pUpdateLine->SetTextColor(kRed); break;
    case UpdateState::NewVersion: m_pUpdateLine->SetTextColor(kDarkRed); break;
    case UpdateState::UpToDate: m_pUpdateLine->SetTextColor(kGrey); break;
    }
    if (m_Line.state == UpdateState::NewVersion)
        m_pUpdateLine->setCursor(Qt::PointingHandCursor);
    else
        m_pUpdateLine->unsetCursor();
}

QString CAboutDlg::DownloadFolder()
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QFileInfo(downloads).isDir()) return downloads;
    return QDir::homePath();
}

void CAboutDlg::OnUpdateLineClicked()
{
    if (m_Line.state != UpdateState::NewVersion || m_bDownloading) return;
    const QString installer = m_Line.file.installer;
    if (installer.isEmpty()) return;
    const QString lineText = m_pUpdateLine->text();
    m_bDownloading = true;
    m_pUpdateLine->setText(LoadStr(kIdsUpdateStarting));
    m_pUpdateLine->repaint();

    if (AskYesNo(this, LoadStr(kIdsInstallerAsk).arg(installer))) {
        InstallerDownloadResult result;
        {
            CBusyScope busy;
            result = DownloadInstaller(QUrl(installer), m_Line.file.sha256, DownloadFolder());
        }
        if (result.Ok()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(result.path).absolutePath()));
            Messages().Message(this, InstallerDownloadMessage(result),
                               result.verified ? CMessageService::Icon::Information : CMessageService::Icon::Warning);
        } else {
            Messages().Message(this, InstallerDownloadMessage(result), CMessageService::Icon::Warning);
        }
    }
    m_pUpdateLine->setText(lineText);
    m_bDownloading = false;
}

} // namespace velmora
