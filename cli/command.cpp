#include "cli/command.h"

#include "kavex.h"

namespace kavex::cli {

bool Fail(Session& session, Report& report, const std::string& what)
{
    const int status = Kavex_GetLastError(session.handle);
    char text[512] = {};
    const int n = Kavex_GetErrorText(session.handle, KAVEX_LANG_ENGLISH, text, sizeof text - 1);
    report.Error(what + ": " + std::string(text, n > 0 ? static_cast<size_t>(n) : 0), status);
    return false;
}

} // namespace kavex::cli
