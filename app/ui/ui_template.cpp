#include "app/ui/ui_template.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QUiLoader>
#include <QVBoxLayout>

namespace velmora {

QWidget* LoadTemplate(QWidget* host, const QString& resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) qFatal("dialog template %s missing", qPrintable(resourcePath));
    QUiLoader loader;
    QWidget* root = loader.load(&file, host);
    if (!root) qFatal("dialog template %s unreadable: %s", qPrintable(resourcePath), qPrintable(loader.errorString()));
    auto* layout = new QVBoxLayout(host);
    layout->addWidget(root);
    // The template's own layout sits inside the host's margins.
    if (root->layout()) root->layout()->setContentsMargins(0, 0, 0, 0);
    host->setWindowTitle(root->windowTitle());
    ApplyFieldConventions(root);
    return root;
}

void ApplyFieldConventions(QWidget* root)
{
    // Read-only fields carry results and status texts, which are often
    // longer than the field: show their start, and the whole as tooltip.
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        if (!edit->isReadOnly()) continue;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
            if (!edit->isReadOnly()) return; // a dialog may open it for typing
            edit->setCursorPosition(0);
            edit->setToolTip(text);
        });
    }
    // Editable combos list what the card holds: typing selects or names an
    // entry, it never adds one and is never completed into another.
    for (QComboBox* combo : root->findChildren<QComboBox*>()) {
        if (!combo->isEditable()) continue;
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
    }
}

QWidget* FindControl(QWidget* root, int id)
{
    auto* w = root->findChild<QWidget*>(QString::number(id));
    if (!w) qFatal("control %d missing in template %s", id, qPrintable(root->objectName()));
    return w;
}

} // namespace velmora
