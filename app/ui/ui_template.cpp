#include "app/ui/ui_template.h"

#include <QFile>
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
    return root;
}

QWidget* FindControl(QWidget* root, int id)
{
    auto* w = root->findChild<QWidget*>(QString::number(id));
    if (!w) qFatal("control %d missing in template %s", id, qPrintable(root->objectName()));
    return w;
}

} // namespace velmora
