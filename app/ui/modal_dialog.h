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

private:
    friend int RunModal(CModalDialog& dialog);
    bool m_bEndedInInit = false;
};

using ModalRunner = std::function<int(CModalDialog&)>;

int RunModal(CModalDialog& dialog);
// An empty runner restores exec().
void SetModalRunner(ModalRunner runner);

} // namespace velmora
