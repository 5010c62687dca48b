#include "app/ui/velmora_app.h"

#include "app/model/device_list_source.h"
#include "app/ui/device_monitor.h"
#include "app/ui/gui_idle_hook.h"
#include "app/model/language.h"
#include "app/model/ui_strings.h"
#include "app/settings/settings.h"
#include "app/ui/message_service.h"
#include "app/ui/velmora_dlg.h"
#include "resources/string_ids.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmora {

namespace {

QStringList& SearchPathOverride()
{
    static QStringList dirs;
    return dirs;
}

} // namespace

CVelmoraApp::CVelmoraApp()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsApplication));
    // The main windows run one after another as modal dialogs; closing one
    // must not end the program.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
    // The built-in texts are German, so are Qt's own (button texts of the
    // message boxes) unless English is chosen.
    m_pQtGerman = std::make_unique<QTranslator>();
    if (m_pQtGerman->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_pQtGerman.get());
    else
        m_pQtGerman.reset();
}

CVelmoraApp::~CVelmoraApp()
{
    if (m_pEnglish) QCoreApplication::removeTranslator(m_pEnglish.get());
    if (m_pQtGerman) QCoreApplication::removeTranslator(m_pQtGerman.get());
}

QString CVelmoraApp::TranslationFileName()
{
    QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("velmora");
    return base + QStringLiteral("Eng.qm");
}

QStringList CVelmoraApp::TranslationSearchPath()
{
    if (!SearchPathOverride().isEmpty()) return SearchPathOverride();
    const QString dir = QCoreApplication::applicationDirPath();
    return {dir, QDir(dir).filePath(QStringLiteral("../share/velmora"))};
}

void CVelmoraApp::SetTranslationSearchPath(const QStringList& dirs)
{
    SearchPathOverride() = dirs;
}

void CVelmoraApp::LanguageStep()
{
    if (!WantsEnglishResources(StoredLanguage())) {
        if (m_pEnglish) QCoreApplication::removeTranslator(m_pEnglish.get());
        m_pEnglish.reset();
        if (m_pQtGerman) QCoreApplication::installTranslator(m_pQtGerman.get());
        return;
    }
    for (const QString& dir : TranslationSearchPath()) {
        auto english = std::make_unique<QTranslator>();
        if (!english->load(QDir(dir).filePath(TranslationFileName()))) continue;
        if (m_pEnglish) QCoreApplication::removeTranslator(m_pEnglish.get());
        if (m_pQtGerman) QCoreApplication::removeTranslator(m_pQtGerman.get());
        m_pEnglish = std::move(english);
        QCoreApplication::installTranslator(m_pEnglish.get());
        return;
    }
    // Without the file the program stays in the language it has.
}

void CVelmoraApp::TellOfBrokenSettings()
{
    SetBrokenSettingsNotifier([](const QString& copy) {
        MessageBox(nullptr, LoadStr(kIdsSettingsBrokenKept).arg(SettingsFilePath(), copy));
    });
    KeepBrokenSettingsCopy();
}

int CVelmoraApp::Run()
{
    if (!m_pListSource) {
        QStringList extra;
        if (!m_strPreferredPort.isEmpty()) extra << m_strPreferredPort;
        m_pSdkSource = std::make_unique<CSdkDeviceListSource>(extra);
        m_pListSource = m_pSdkSource.get();
    }
    CDeviceMonitor monitor;
    InstallIdleHook();

    LanguageStep();
    TellOfBrokenSettings();
    int result = CVelmoraDlg::kResultRestart;
    for (;;) {
        {
            CVelmoraDlg dlg(*m_pListSource, m_strPreferredPort);
            result = RunModal(dlg);
        }
        // Let the closed window's pending deletions run before the next one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (result == CVelmoraDlg::kResultLanguage) {
            LanguageStep();
            continue;
        }
        if (result == CVelmoraDlg::kResultRestart) continue;
        break; // closed, or a result nobody defined: end rather than loop
    }

    SetBrokenSettingsNotifier(nullptr);
    RemoveIdleHook();
    if (m_pEnglish) QCoreApplication::removeTranslator(m_pEnglish.get());
    m_pEnglish.reset();
    return 0;
}

} // namespace velmora
