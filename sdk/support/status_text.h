// Operator-facing texts for the status codes the SDK leaves in a port.
#pragma once

#include <string>

#include "kavex.h"

namespace kavex {

// Language value that selects German; every other value gives English.
constexpr int kLanguageGerman = KAVEX_LANG_GERMAN;

// The text for a status code, UTF-8 encoded. Codes without a text of their
// own come back as "Unknown error #" (or "Unbekannter Fehler #") with the
// low 16 bits in hex, so the operator can still quote the code to support.
std::string StatusCodeText(int code, int language);

} // namespace kavex
