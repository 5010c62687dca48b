#include "app/model/ui_strings.h"

#include "resources/string_table.h"

#include <QCoreApplication>

namespace velmora {

namespace {

const char* Find(int id)
{
    for (const StringTableEntry& e : kStringTable)
        if (e.id == id) return e.text;
    return nullptr;
}

} // namespace

QString LoadStr(int id)
{
    const char* text = Find(id);
    return text ? QCoreApplication::translate("StringTable", text) : QString();
}

QString GermanStr(int id)
{
    const char* text = Find(id);
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace velmora
