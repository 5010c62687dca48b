// "Info über Kavex Velmora": the program's version and build date, the
// maker's details and links, and what the update check found. When it
// names a newer version, a click on the update line fetches the installer
// into the download folder (it is built for another system and never run).
#pragma once

#include "app/model/update_check.h"
#include "app/ui/modal_dialog.h"

#include <QString>

class QCheckBox;
class QLabel;

namespace velmora {

class CBitmapStatic;
class CLabel;

class CAboutDlg : public CModalDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Title line, check box, and a new update check with this box as listener.
    void OnInitDialog() override;
    // OK, the close box and Escape keep the check box in the settings.
    void done(int result) override;

    // The update check has ended: the update line says how.
    void OnUpdateNotify();
    // Only after "Neue Version:": ask, download, verify, save, show the folder.
    void OnUpdateLineClicked();

    const UpdateLine& Line() const { return m_Line; }
    QWidget* Template() const { return m_pTemplate; }

    // The user's download folder (the home folder when there is none).
    static QString DownloadFolder();

private:
    QWidget* m_pTemplate;
    QLabel* m_pTitle;
    CLabel* m_pUpdateLine;
    QCheckBox* m_pAutoUpdate;
    CBitmapStatic* m_pLogo;
    QString m_strTitleTemplate;
    QString m_strUpdateTemplate;
    UpdateLine m_Line;
    bool m_bDownloading = false;
};

} // namespace velmora
