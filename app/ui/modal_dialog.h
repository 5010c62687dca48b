// Modal dialogs: initialised each time they are run, then run by exec() or,
// in tests, by an installed runner that answers them without a modal loop.
#pragma once

#include <QDialog>

#include <functional>

namespace velmora {

class CModalDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    // Runs at the start of every modal run, before the dialog is shown.
    virtual void OnInitDialog() {}

    // Ends the run from OnInitDialog, before anything is shown.
    void EndInInit(int result)
    {
        m_bEndedInInit = true;
        setResult(result);
    }
    bool EndedInInit() const { return m_bEndedInInit; }

    // A dialog the user may size to their liking keeps its size and place
    // from one run to the next (and from one start of the program to the
    // next): in the settings, section "Window", under key.
    void RememberGeometry(const QString& key);
    // Every way of closing keeps the geometry of a shown dialog.
    void done(int result) override;

private:
    friend int RunModal(CModalDialog& dialog);
    void RestoreGeometry();
    bool m_bEndedInInit = false;
    QString m_strGeometryKey;
};

using ModalRunner = std::function<int(CModalDialog&)>;

int RunModal(CModalDialog& dialog);
// An empty runner restores exec().
void SetModalRunner(ModalRunner runner);

} // namespace velmora
