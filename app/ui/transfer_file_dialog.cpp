#include "app/ui/transfer_file_dialog.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QFileDialog>

namespace velmora {

namespace {

TransferFileChooser& Chooser()
{
    static TransferFileChooser chooser;
    return chooser;
}

} // namespace

TransferFileChoice AskTransferFile(QWidget* parent, bool save)
{
    if (Chooser()) return Chooser()(save);
    const QString binary = LoadStr(kIdsBinaryFilter), text = LoadStr(kIdsTextFilter);
    const QString filters = binary + QStringLiteral(";;") + text;
    QString chosen = binary;
    TransferFileChoice choice;
    choice.path = save
                      ? QFileDialog::getSaveFileName(parent, LoadStr(kIdsSaveDataCaption), QString(), filters, &chosen)
                      : QFileDialog::getOpenFileName(parent, LoadStr(kIdsLoadDataCaption), QString(), filters, &chosen);
    choice.text = chosen == text;
    return choice;
}

void SetTransferFileChooser(TransferFileChooser chooser)
{
    Chooser() = std::move(chooser);
}

} // namespace velmora
