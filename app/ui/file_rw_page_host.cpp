#include "app/ui/file_rw_page_host.h"

#include "app/model/file_rw_text.h"
#include "app/model/number_input.h"
#include "app/model/ui_strings.h"
#include "app/ui/message_service.h"
#include "resources/string_ids.h"

#include <QLineEdit>
#include <QRadioButton>

namespace velmora {

bool ReadCardNumberField(QWidget* page, QLineEdit* field, uint32_t* value)
{
    const ParsedNumber n = ParseInteger(field->text(), 0, kMaxCardOffset);
    if (n.Ok()) {
        *value = static_cast<uint32_t>(n.value);
        return true;
    }
    MessageBox(page, n.status == ParsedNumber::Status::OutOfRange ? LoadStr(kIdsNumberRange).arg(0).arg(kMaxCardOffset)
                                                                  : LoadStr(kIdsEnterPositiveInteger));
    field->setFocus();
    return false;
}

QString ForView(const QString& text)
{
    QString view = text;
    view.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return view;
}

bool AsciiLoses(const QByteArray& bytes, bool trailingZeros)
{
    const int zero = bytes.indexOf('\0');
    if (zero < 0) return false;
    if (!trailingZeros) return true;
    for (int i = zero; i < bytes.size(); ++i) {
        if (bytes[i] != '\0') return true;
    }
    return false;
}

void CheckFormat(QRadioButton* first, QRadioButton* second, bool firstChecked)
{
    (firstChecked ? first : second)->setChecked(true);
}

} // namespace velmora
