#include "app/ui/modal_dialog.h"

namespace velmora {

namespace {

ModalRunner& Runner()
{
    static ModalRunner runner;
    return runner;
}

} // namespace

int RunModal(CModalDialog& dialog)
{
    dialog.m_bEndedInInit = false;
    dialog.OnInitDialog();
    if (dialog.EndedInInit()) return dialog.result();
    if (Runner()) return Runner()(dialog);
    return dialog.exec();
}

void SetModalRunner(ModalRunner runner)
{
    Runner() = std::move(runner);
}

} // namespace velmora
