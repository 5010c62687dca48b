// Every message box of the program goes through here, so that tests can
// answer them without a modal loop.
#pragma once

#include <QString>

class QWidget;

namespace velmora {

class CMessageService {
public:
    enum class Icon { Information, Warning, Critical, Question };
    virtual ~CMessageService() = default;
    virtual void Message(QWidget* parent, const QString& text, Icon icon) = 0;
    // true for "Yes".
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // A yes/no question before something that cannot be undone (overwriting,
    // deleting): the same question with a warning icon.
    virtual bool AskDestructive(QWidget* parent, const QString& text) { return AskYesNo(parent, text); }
    // Retry and Cancel under a caption of its own; true for "Retry".
    virtual bool AskRetry(QWidget* parent, const QString& caption, const QString& text) = 0;
};

CMessageService& Messages();
// null restores the message boxes.
void SetMessageService(CMessageService* service);

// Shorthands for the usual warning and the yes/no question.
void MessageBox(QWidget* parent, const QString& text);
bool AskYesNo(QWidget* parent, const QString& text);
bool AskDestructive(QWidget* parent, const QString& text);

} // namespace velmora
