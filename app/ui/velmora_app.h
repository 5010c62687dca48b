// The application object: settings store, language, and the main window run
// again and again until it is closed (a language switch restarts it).
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QTranslator;

namespace velmora {

class CDeviceListSource;

class CVelmoraApp {
public:
    // Names the settings store; call after the QApplication exists.
    CVelmoraApp();
    ~CVelmoraApp();
    CVelmoraApp(const CVelmoraApp&) = delete;
    CVelmoraApp& operator=(const CVelmoraApp&) = delete;

    // The interface dialog's device lists (the SDK when not set).
    void SetDeviceListSource(CDeviceListSource* source) { m_pListSource = source; }
    // An interface entry to use instead of the stored one (the simulator).
    void SetPreferredPort(const QString& entry) { m_strPreferredPort = entry; }

    // Runs main windows until one is closed; returns the exit code.
    int Run();

    // Loads or drops the English texts by "Settings"/"Sprache".
    void LanguageStep();
    // A settings file that cannot be parsed is copied before anything is
    // written over it; from here on the user is told so in a message box,
    // at once for a file that needs the copy already.
    void TellOfBrokenSettings();
    bool EnglishLoaded() const { return m_pEnglish != nullptr; }

    // "velmoraEng.qm" for an executable named velmora.
    static QString TranslationFileName();
    // Where the English texts are looked for: the program's directory
    // first, then the installed data directory.
    static QStringList TranslationSearchPath();
    // Tests put the build's translation directory here.
    static void SetTranslationSearchPath(const QStringList& dirs);

private:
    CDeviceListSource* m_pListSource = nullptr;
    std::unique_ptr<CDeviceListSource> m_pSdkSource;
    QString m_strPreferredPort;
    std::unique_ptr<QTranslator> m_pEnglish;
    std::unique_ptr<QTranslator> m_pQtGerman;
};

} // namespace velmora
