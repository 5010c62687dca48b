#include "app/model/language.h"

#include "app/settings/settings.h"

#include "kavex.h"

namespace velmora {

int StoredLanguage()
{
    return GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0);
}

void StoreLanguage(int value)
{
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), value);
}

bool WantsEnglishResources(int value)
{
    return value >= 1;
}

bool OffersGermanEntry(int value)
{
    return value != 0;
}

bool OffersEnglishEntry(int value)
{
    return value != 1;
}

int SdkTextLanguage(int value)
{
    return value == 0 ? KAVEX_LANG_GERMAN : KAVEX_LANG_ENGLISH;
}

} // namespace velmora
