#include "app/ui/velmora_dlg.h"

#include "app/model/activate_card.h"
#include "app/model/card_actions.h"
#include "app/model/open_reader.h"
#include "app/ui/app_key_settings_dlg.h"
#include "app/ui/app_key_values_dlg.h"
#include "app/ui/busy_scope.h"
#include "app/ui/card_config_dlg.h"
#include "app/ui/card_key_settings_dlg.h"
#include "app/ui/card_master_key_dlg.h"
#include "app/ui/card_version_dlg.h"
#include "app/model/card_session.h"
#include "app/ui/help.h"
#include "app/model/hex_text.h"
#include "app/model/input_helpers.h"
#include "app/ui/key_store_edit_dlg.h"
#include "app/model/language.h"
#include "app/model/main_window_logic.h"
#include "app/ui/message_service.h"
#include "app/ui/confirm_dlg.h"
#include "app/ui/create_app_dlg.h"
#include "app/ui/create_file_dlg.h"
#include "app/ui/delete_app_dlg.h"
#include "app/ui/delete_file_dlg.h"
#include "app/ui/file_settings_dlg.h"
#include "app/ui/file_read_write_dlg.h"
#include "app/ui/port_dlg.h"
#include "app/settings/settings.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "app/model/update_checker.h"
#include "app/ui/about_dlg.h"
#include "app/ui/ui_template.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include "kavex.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

const QString kPort = QStringLiteral("Port");

QString ProductVersion()
{
    return ProductVersionText(QStringLiteral(VELMORA_VERSION));
}

} // namespace

CVelmoraDlg::CVelmoraDlg(CDeviceListSource& listSource, const QString& preferredPort, QWidget* parent)
    : CModalDialog(parent), m_strPreferredPort(preferredPort), m_ListSource(listSource), m_CardUi(this),
      m_pTemplate(LoadTemplate(this, QStringLiteral(":/templates/velmora_dlg.ui"))),
      m_pUidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcUid)), m_pCardUidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcCardUid)),
      m_pFreeMemory(Ctl<QLineEdit>(m_pTemplate, kIdcFreeMemory)),
      m_pAppList(Ctl<QListWidget>(m_pTemplate, kIdcAppList)), m_pAidCombo(Ctl<QComboBox>(m_pTemplate, kIdcAidCombo)),
      m_pAidEdit(Ctl<QLineEdit>(m_pTemplate, kIdcAidEdit)), m_pFileList(Ctl<QListWidget>(m_pTemplate, kIdcFileList)),
      m_pStatus(Ctl<QLineEdit>(m_pTemplate, kIdcStatus)), m_AppList(m_pAppList), m_AidCombo(m_pAidCombo),
      m_AidEdit(m_pAidEdit), m_FileList(m_pFileList), m_StatusLine(m_pStatus)
{
    m_CardStatus.m_pUi = &m_CardUi;
    setWindowIcon(QIcon(QStringLiteral(":/velmora.xpm")));
    m_strTitleBase = windowTitle();
    SetMainWindow(this);
    RememberGeometry(QStringLiteral("Main"));

    auto button = [this](int id) { return Ctl<QPushButton>(m_pTemplate, id); };
    connect(button(kIdcActivateCard), &QPushButton::clicked, this, &CVelmoraDlg::OnActivateCard);
    connect(button(kIdcReadUid), &QPushButton::clicked, this, &CVelmoraDlg::OnReadUid);
    connect(button(kIdcGetFreeMemory), &QPushButton::clicked, this, &CVelmoraDlg::OnFreeMemory);
    connect(button(kIdcFormatCard), &QPushButton::clicked, this, &CVelmoraDlg::OnFormatCard);
    connect(button(kIdcReadAppIds), &QPushButton::clicked, this, &CVelmoraDlg::OnReadAppIds);
    connect(button(kIdcReadFileIds), &QPushButton::clicked, this, &CVelmoraDlg::OnReadFileIds);
    connect(button(kIdcKeyStore), &QPushButton::clicked, this, &CVelmoraDlg::OnKeyStore);
    connect(button(kIdcCreateApp), &QPushButton::clicked, this, &CVelmoraDlg::OnCreateApp);
    connect(button(kIdcDeleteApp), &QPushButton::clicked, this, &CVelmoraDlg::OnDeleteApp);
    connect(button(kIdcCreateFile), &QPushButton::clicked, this, &CVelmoraDlg::OnCreateFile);
    connect(button(kIdcFileSettings), &QPushButton::clicked, this, &CVelmoraDlg::OnFileSettings);
    connect(button(kIdcDeleteFile), &QPushButton::clicked, this, &CVelmoraDlg::OnDeleteFile);
    connect(button(kIdCancel), &QPushButton::clicked, this, &CVelmoraDlg::reject);
    connect(button(kIdcCardVersion), &QPushButton::clicked, this, [this] { RunCardDialog<CCardVersionDlg>(); });
    connect(button(kIdcCardKeySettings), &QPushButton::clicked, this,
            [this] { RunCardDialog<CMasterKeySettingsDlg>(); });
    connect(button(kIdcCardKeyValues), &QPushButton::clicked, this, [this] { RunCardDialog<CDesfireCardKeyDlg>(); });
    connect(button(kIdcMoreCardSettings), &QPushButton::clicked, this, [this] { RunCardDialog<CSetConfigDlg>(); });
    connect(button(kIdcAppKeySettings), &QPushButton::clicked, this,
            [this] { RunCardDialog<CDesfireKeySettingsDlg>(); });
    connect(button(kIdcAppKeyValues), &QPushButton::clicked, this, [this] { RunCardDialog<CDesfireKeyDlg>(); });
    connect(button(kIdcReadWriteFile), &QPushButton::clicked, this, [this] { RunCardDialog<CFileReadWriteDlg>(); });
    connect(m_pAppList, &QListWidget::itemSelectionChanged, this, &CVelmoraDlg::OnAppListSelection);
    connect(m_pAidCombo, &QComboBox::activated, this, &CVelmoraDlg::OnAppComboSelection);

    auto* help = new QAction(LoadStr(kIdsManual), this);
    help->setShortcut(QKeySequence::HelpContents);
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { OpenManual(this); });
    addAction(help);
}

CVelmoraDlg::~CVelmoraDlg()
{
    ClosePort();
    if (MainWindow() == this) SetMainWindow(nullptr);
}

void CVelmoraDlg::BuildMenu()
{
    if (m_pMenu || LoadStr(kIdsAboutMenu).isEmpty()) return;
    auto* bar = new QMenuBar(this);
    m_pMenu = bar->addMenu(LoadStr(kIdsProgramMenu));
    m_pMenu->setObjectName(QStringLiteral("windowMenu"));
    auto add = [this](int command, int textId, auto handler) {
        QAction* a = m_pMenu->addAction(LoadStr(textId));
        a->setObjectName(QString::number(command));
        connect(a, &QAction::triggered, this, handler);
    };
    m_pMenu->addSeparator();
    add(kIdmChooseInterface, kIdsChooseInterface, [this] { OnChooseInterface(); });
    m_pMenu->addSeparator();
    const int language = StoredLanguage();
    if (OffersGermanEntry(language)) add(kIdmGerman, kIdsGerman, [this] { OnSwitchLanguage(0); });
    if (OffersEnglishEntry(language)) add(kIdmEnglish, kIdsEnglish, [this] { OnSwitchLanguage(1); });
    m_pMenu->addSeparator();
    add(kIdmAbout, kIdsAboutMenu, [this] { OnAbout(); });
    m_pMenu->addSeparator();
    for (QAction* a : actions()) m_pMenu->addAction(a); // the manual (F1)
    layout()->setMenuBar(bar);
}

void CVelmoraDlg::OnInitDialog()
{
    BuildMenu();

    m_pPortDlg = std::make_unique<CPortDlg>(m_ListSource, m_strPreferredPort, this);
    // The stored interface first, with half a second where no time-out is
    // stored yet (the dialog proposes a second).
    CPortDlg::Settings port = m_pPortDlg->GetSettings();
    port.timeout = GetProfileInt(kPort, QStringLiteral("Timeout"), 500);
    for (;;) {
        if (OpenAndCheck(port.PortName(), port.baudCode, port.timeout)) break;
        if (RunModal(*m_pPortDlg) != QDialog::Accepted) break;
        port = m_pPortDlg->GetSettings();
    }
    if (m_hPort <= 0) ShowNoReader();

    m_pAidEdit->show();
    m_pAidCombo->hide();

    if (GetProfileInt(QStringLiteral("Version"), QStringLiteral("Update"), 1) != 0) StartUpdateCheck();
}

void CVelmoraDlg::StartUpdateCheck()
{
    if (CUpdateChecker* checker = UpdateChecker()) checker->StartUpdateCheck(this, [this] { OnUpdateChecked(); });
}

void CVelmoraDlg::OnUpdateChecked()
{
    const CUpdateChecker* checker = UpdateChecker();
    if (checker && checker->IsNewerVersionKnown(OwnProgramVersion())) OnAbout();
}

bool CVelmoraDlg::OpenAndCheck(const QString& portName, int baudRate, int timeout)
{
    setWindowTitle(Caption(LoadStr(kIdsNoReaderCaption)));

    const OpenReaderResult reader = OpenReader(portName, baudRate, timeout);
    m_hPort = reader.port;
    if (!reader.Ok()) {
        MessageBox(this, reader.message);
        return false;
    }
    setWindowTitle(Caption(reader.device + QStringLiteral("  ") + reader.firmware));
    m_strUid.clear();
    return true;
}

void CVelmoraDlg::ClosePort()
{
    if (m_hPort > 0) Kavex_ClosePort(m_hPort);
    m_hPort = 0;
}

QString CVelmoraDlg::Caption(const QString& reader) const
{
    return m_strTitleBase + QStringLiteral(" V") + ProductVersion() + QStringLiteral(" <") + reader + QLatin1Char('>');
}

void CVelmoraDlg::ShowNoReader()
{
    setWindowTitle(Caption(LoadStr(kIdsNoReaderCaption)));
    // What the fields show belongs to a card of the reader that is gone.
    m_CardStatus.ResetOnActivation();
    ResetCardControls();
    m_strUid.clear();
    m_pUidEdit->clear();
    m_pCardUidEdit->clear();
    m_pFreeMemory->clear();
    m_pStatus->clear();
}

bool CVelmoraDlg::NoReader()
{
    if (m_hPort > 0) return false;
    m_pStatus->setText(LoadStr(kIdsNoReaderOpen));
    return true;
}

void CVelmoraDlg::SetStatus(const QString& text, int code)
{
    m_pStatus->setText(StatusWithCode(text, code));
}

void CVelmoraDlg::ClearStatus()
{
    m_pStatus->setText(QString(15, QLatin1Char(' ')));
    m_CardStatus.m_nAuthSource = CCardStatus::kSourceNone;
    repaint();
}

void CVelmoraDlg::ResetCardControls()
{
    m_AppList.Clear();
    m_AidEdit.SetShown(true);
    m_AidEdit.SetText(QString());
    m_AidCombo.SetShown(false);
    m_AidCombo.Clear();
    m_FileList.Clear();
}

void CVelmoraDlg::OnActivateCard()
{
    ResetCardControls();
    m_pFreeMemory->setText(QStringLiteral(" "));
    m_pCardUidEdit->setText(QStringLiteral("  "));
    const ActivateCardResult card = ActivateCard(m_hPort, m_CardStatus);
    // A failed open leaves its negative result: no port either.
    if (card.failure == ActivateCardResult::Failure::NoPort) {
        m_strUid.clear();
        m_pUidEdit->clear();
        NoReader();
        return;
    }

    m_strUid = card.uid;
    m_pStatus->setText(card.statusLine);
    if (card.Ok()) ResetCardControls();
    m_pUidEdit->setText(m_strUid);
}

void CVelmoraDlg::OnReadUid()
{
    m_pCardUidEdit->setText(QStringLiteral("  "));
    ClearStatus();
    if (NoReader()) return; // no key to ask for
    const CardActionResult uid = ReadCardUid(m_hPort, m_CardStatus, &m_StatusLine);
    m_pCardUidEdit->setText(uid.value);
    if (uid.sent) m_pStatus->setText(uid.statusLine);
}

void CVelmoraDlg::OnFreeMemory()
{
    m_pFreeMemory->setText(QStringLiteral(" "));
    ClearStatus();
    if (NoReader()) return;
    const CardActionResult free = ReadFreeMemory(m_hPort, m_CardStatus);
    m_pFreeMemory->setText(free.value);
    m_pStatus->setText(free.statusLine);
}

void CVelmoraDlg::OnFormatCard()
{
    ClearStatus();
    if (NoReader()) return;
    CNachfrageDlg ask(kIdsFormatCaption, kIdsFormatQuestion, kIdsFormatButton, this);
    if (RunModal(ask) != QDialog::Accepted) return;
    const CardActionResult format = FormatCard(m_hPort, m_CardStatus, &m_StatusLine);
    if (!format.sent) return;
    if (format.ok) RefreshAppLists();
    m_pStatus->setText(format.statusLine);
}

void CVelmoraDlg::OnReadAppIds()
{
    m_AppList.Clear();
    m_AidCombo.Clear();
    m_FileList.Clear();
    ClearStatus();
    if (NoReader()) return;
    QString message;
    if (!ReadAppIds(m_hPort, m_CardStatus, true, &message)) {
        m_pStatus->setText(message);
        return;
    }
    m_pStatus->setText(GetListStatusText(m_hPort, m_CardStatus));
    FillAppIdList(m_AppList, m_hPort, m_CardStatus);
    QString ignored;
    FillAppIdCombo(m_hPort, m_CardStatus, m_AidCombo, &m_AidEdit, false, false, &ignored, false);
    if (m_AidCombo.CurSel() >= 0) OnAidChosen(m_AidCombo.Text(), false);
}

void CVelmoraDlg::OnAppListSelection()
{
    ClearStatus();
    const QList<QListWidgetItem*> selected = m_pAppList->selectedItems();
    if (!selected.isEmpty()) OnAidChosen(selected.first()->text(), true);
}

void CVelmoraDlg::OnAppComboSelection()
{
    ClearStatus();
    if (m_pAidCombo->currentIndex() >= 0) OnAidChosen(m_pAidCombo->currentText(), true);
}

void CVelmoraDlg::OnAidChosen(const QString& text, bool select)
{
    const uint32_t aid = HexToNumber(text);
    m_AidCombo.SelectString(text);
    m_FileList.Clear();
    if (select && !NoReader()) EnsureAppSelected(m_hPort, m_CardStatus, static_cast<int>(aid), nullptr);
}

void CVelmoraDlg::OnReadFileIds()
{
    m_FileList.Clear();
    ClearStatus();
    if (NoReader()) return;
    if (!ValidateAid(&m_AidCombo, &m_AidEdit, &m_StatusLine, false)) return;
    const uint32_t aid = m_CardStatus.m_bAppIdsRead ? GetAidFromCombo(m_AidCombo) : GetAidFromEdit(m_AidEdit);
    QString message;
    if (!EnsureAppSelected(m_hPort, m_CardStatus, static_cast<int>(aid), &message)) {
        m_FileList.AddString(QStringLiteral("--"));
        m_pStatus->setText(message);
        return;
    }
    if (FillFileIdList(m_hPort, m_CardStatus, m_FileList, m_CardStatus.m_nCurrentAid, true))
        m_pStatus->setText(GetListStatusText(m_hPort, m_CardStatus));
    else
        m_pStatus->setText(GetStatusText(m_hPort, true, &m_CardStatus));
}

void CVelmoraDlg::OnKeyStore()
{
    CKeyStoreEditDlg dlg(this);
    RunModal(dlg);
}

void CVelmoraDlg::OnCreateApp()
{
    ClearStatus();
    if (NoReader()) return;
    CDesfireCreateAppDlg dlg(m_hPort, m_CardStatus, this);
    RunModal(dlg);
    if (dlg.m_bApplicationCreated) RefreshAppLists();
}

void CVelmoraDlg::OnDeleteApp()
{
    ClearStatus();
    if (NoReader()) return;
    CDeleteAppDlg dlg(m_hPort, m_CardStatus, this);
    RunModal(dlg);
    if (dlg.m_bApplicationDeleted) RefreshAppLists();
}

void CVelmoraDlg::OnCreateFile()
{
    ClearStatus();
    if (NoReader()) return;
    CDesfireCreateFileDlg dlg(m_hPort, m_CardStatus, this);
    RunModal(dlg);
    if (dlg.m_bFileCreated) RefreshAppCombo();
}

void CVelmoraDlg::OnFileSettings()
{
    ClearStatus();
    if (NoReader()) return;
    CFileSettingsDlg dlg(m_hPort, m_CardStatus, this);
    RunModal(dlg);
}

void CVelmoraDlg::OnDeleteFile()
{
    ClearStatus();
    if (NoReader()) return;
    CDeleteFileDlg dlg(m_hPort, m_CardStatus, this);
    RunModal(dlg);
    if (dlg.m_bFileDeleted) RefreshAppCombo();
}

void CVelmoraDlg::RefreshAppLists()
{
    m_CardStatus.m_bAppIdsRead = false;
    if (!FillAppIdList(m_AppList, m_hPort, m_CardStatus))
        m_pStatus->setText(GetStatusText(m_hPort, true, &m_CardStatus));
    RefreshAppCombo();
}

void CVelmoraDlg::RefreshAppCombo()
{
    m_FileList.Clear();
    QString ignored;
    if (FillAppIdCombo(m_hPort, m_CardStatus, m_AidCombo, nullptr, false, false, &ignored, true) &&
        m_CardStatus.m_nCurrentAid > 0)
        FillFileIdList(m_hPort, m_CardStatus, m_FileList, m_CardStatus.m_nCurrentAid, false);
}

void CVelmoraDlg::OnChooseInterface()
{
    if (m_hPort > 0) {
        if (Kavex_ClosePort(m_hPort) == -1) MessageBox(this, GetStatusText(m_hPort, false, nullptr));
        m_hPort = 0;
    }
    // Also when the user keeps the dialog from choosing another reader.
    ShowNoReader();
    if (!m_pPortDlg) m_pPortDlg = std::make_unique<CPortDlg>(m_ListSource, m_strPreferredPort, this);
    for (;;) {
        if (RunModal(*m_pPortDlg) != QDialog::Accepted) break;
        const CPortDlg::Settings port = m_pPortDlg->GetSettings();
        if (OpenAndCheck(port.PortName(), port.baudCode, port.timeout)) break;
    }
}

void CVelmoraDlg::OnSwitchLanguage(int language)
{
    StoreLanguage(language);
    done(kResultLanguage);
}

void CVelmoraDlg::OnAbout()
{
    CAboutDlg about(this);
    RunModal(about);
}

void CVelmoraDlg::reject()
{
    done(kResultClosed);
}

} // namespace velmora
