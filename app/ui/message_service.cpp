#include "app/ui/message_service.h"

#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QMessageBox>

namespace velmora {

namespace {

class CMessageBoxService : public CMessageService {
public:
    void Message(QWidget* parent, const QString& text, Icon icon) override
    {
        QMessageBox box(ToQt(icon), LoadStr(kIdsProductName), text, QMessageBox::Ok, parent);
        box.exec();
    }

    bool AskYesNo(QWidget* parent, const QString& text) override { return Ask(parent, text, QMessageBox::Question); }
    // Enter alone does not destroy anything: "No" is the default.
    bool AskDestructive(QWidget* parent, const QString& text) override
    {
        return Ask(parent, text, QMessageBox::Warning, QMessageBox::No);
    }

    bool AskRetry(QWidget* parent, const QString& caption, const QString& text) override
    {
        QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Retry | QMessageBox::Cancel, parent);
        return box.exec() == QMessageBox::Retry;
    }

private:
    static bool Ask(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
    {
        QMessageBox box(icon, LoadStr(kIdsProductName), text, QMessageBox::Yes | QMessageBox::No, parent);
        if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
        return box.exec() == QMessageBox::Yes;
    }

    static QMessageBox::Icon ToQt(Icon icon)
    {
        switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Critical: return QMessageBox::Critical;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Warning: break;
        }
        return QMessageBox::Warning;
    }
};

CMessageBoxService g_boxes;
CMessageService* g_service = nullptr;

} // namespace

CMessageService& Messages()
{
    return g_service ? *g_service : g_boxes;
}

void SetMessageService(CMessageService* service)
{
    g_service = service;
}

void MessageBox(QWidget* parent, const QString& text)
{
    Messages().Message(parent, text, CMessageService::Icon::Warning);
}

bool AskYesNo(QWidget* parent, const QString& text)
{
    return Messages().AskYesNo(parent, text);
}

bool AskDestructive(QWidget* parent, const QString& text)
{
    return Messages().AskDestructive(parent, text);
}

} // namespace velmora
