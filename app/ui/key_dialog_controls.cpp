#include "app/ui/key_dialog_controls.h"

#include "app/model/card_step.h"
#include "app/model/hex_text.h"
#include "app/model/ui_strings.h"
#include "app/ui/message_service.h"
#include "resources/string_ids.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>

namespace velmora {

int BoxState(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::Unchecked: return 0;
    default: return -1;
    }
}

void SetBoxState(QCheckBox* box, int state)
{
    if (state < 0) box->setTristate(true);
    box->setCheckState(state < 0 ? Qt::PartiallyChecked : state ? Qt::Checked : Qt::Unchecked);
}

namespace {

// Swallows what would toggle a box: the program alone sets it.
class CDisplayOnly : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return true;
        default: return false;
        }
    }
};

} // namespace

void MakeDisplayOnly(QCheckBox* box)
{
    box->installEventFilter(new CDisplayOnly(box));
    box->setFocusPolicy(Qt::NoFocus);
}

void ShowResult(QLineEdit* status, const CardStepResult& result)
{
    if (!result.statusLine.isNull()) status->setText(result.statusLine);
}

void ForgetKeys(std::initializer_list<QLineEdit*> fields)
{
    // setText drops the undo history, which holds every earlier text.
    for (QLineEdit* field : fields) field->setText(QString());
}

bool ConfirmNewCardMasterKey(QWidget* parent, const CCardStatus::Key& key, bool aes)
{
    const QString text =
        LoadStr(kIdsConfirmMasterKey)
            .arg(BytesToHex(key.data(), 16, false, true), LoadStr(aes ? kIdsCryptoAes : kIdsCryptoDes));
    return AskDestructive(parent, text);
}

} // namespace velmora
