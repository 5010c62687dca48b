// Texts of the user interface by string-table id, in the current language.
#pragma once

#include <QString>

namespace velmora {

// The text of id in the language of the installed translation; an unknown
// id gives an empty text, as a missing resource string does.
QString LoadStr(int id);
// The built-in German text, whatever language is current.
QString GermanStr(int id);

} // namespace velmora
