// The main window: opens and identifies the reader, activates the card and
// offers the card, application and file actions. It owns the port handle
// and the card session model that every card dialog works on.
#pragma once

#include "app/model/card_status.h"
#include "app/ui/card_ui_qt.h"
#include "app/ui/modal_dialog.h"
#include "app/ui/qt_controls.h"

#include <QString>

#include <memory>

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace velmora {

class CDeviceListSource;
class CPortDlg;

class CVelmoraDlg : public CModalDialog {
    Q_OBJECT
public:
    // Results for the application object.
    enum Result { kResultRestart = 1, kResultClosed = 2, kResultLanguage = 10 };

    // listSource: where the interface dialog gets its device lists.
    // preferredPort: an interface entry to use instead of the stored one.
    CVelmoraDlg(CDeviceListSource& listSource, const QString& preferredPort = QString(), QWidget* parent = nullptr);
    ~CVelmoraDlg() override;

    // Menu entries, opens the reader (asking for another interface until
    // one answers or the user gives up).
    void OnInitDialog() override;

    bool OpenAndCheck(const QString& portName, int baudRate, int timeout);
    void SetStatus(const QString& text, int code);
    void ClearStatus();
    void RefreshAppLists();
    void RefreshAppCombo();
    void OnAidChosen(const QString& text, bool select);

    int PortHandle() const { return m_hPort; }
    CCardStatus& CardStatus() { return m_CardStatus; }
    QWidget* Template() const { return m_pTemplate; }
    QMenu* WindowMenu() const { return m_pMenu; }
    CPortDlg* PortDlg() const { return m_pPortDlg.get(); }

    // Menu commands.
    void OnChooseInterface();
    void OnSwitchLanguage(int language);
    void OnAbout();

    // Buttons.
    void OnActivateCard();
    void OnReadUid();
    void OnFreeMemory();
    void OnFormatCard();
    void OnReadAppIds();
    void OnReadFileIds();
    void OnKeyStore();
    // The card and key dialogs: on the window's port and card session.
    template <class Dialog>
    void RunCardDialog()
    {
        ClearStatus();
        if (NoReader()) return;
        Dialog dlg(m_hPort, m_CardStatus, this);
        RunModal(dlg);
    }
    void OnCreateApp();
    void OnDeleteApp();
    void OnCreateFile();
    void OnFileSettings();
    void OnDeleteFile();

    // Escape, "Schließen" and the window's close button end the program.
    void reject() override;

private:
    void BuildMenu();
    void ResetCardControls();
    void ClosePort();
    // "Kavex Velmora V1.2 <reader>".
    QString Caption(const QString& reader) const;
    // The caption and the card's fields for a window without a reader.
    void ShowNoReader();
    // True (and says so in the status line) when no reader is open.
    bool NoReader();
    void StartUpdateCheck();
    // The automatic check has ended: the about box when it found a newer version.
    void OnUpdateChecked();
    void OnAppListSelection();
    void OnAppComboSelection();

    int m_hPort = 0;
    CCardStatus m_CardStatus;
    QString m_strUid;
    QString m_strTitleBase;
    QString m_strPreferredPort;
    CDeviceListSource& m_ListSource;
    CCardUiQt m_CardUi;
    std::unique_ptr<CPortDlg> m_pPortDlg;

    QWidget* m_pTemplate;
    QMenu* m_pMenu = nullptr;
    QLineEdit* m_pUidEdit;
    QLineEdit* m_pCardUidEdit;
    QLineEdit* m_pFreeMemory;
    QListWidget* m_pAppList;
    QComboBox* m_pAidCombo;
    QLineEdit* m_pAidEdit;
    QListWidget* m_pFileList;
    QLineEdit* m_pStatus;

    QtList m_AppList;
    QtCombo m_AidCombo;
    QtEdit m_AidEdit;
    QtList m_FileList;
    QtEdit m_StatusLine;
};

} // namespace velmora
