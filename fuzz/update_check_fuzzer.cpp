// The update server's version file, whatever it holds: the about box's
// update line is worked out from it without a fault, and a file that names
// no valid version and build never counts as a newer program.
#include <QByteArray>

#include <cstdlib>

#include "app/model/update_check.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const velmora::ProgramVersion own{QStringLiteral("1.0"), 1000, QStringLiteral("2026-01-01")};
    const velmora::UpdateLine line = velmora::EvaluateUpdate(velmora::UpdateDownload::Downloaded, text, own);
    if (line.state == velmora::UpdateState::NewVersion) {
        Check(velmora::VersionNumber(line.file.version).has_value());
        Check(velmora::IsBuildDate(line.file.build));
    }
    if (const auto number = velmora::VersionNumber(line.file.version)) Check(*number <= 4000000u * 1000u + 999u);
    return 0;
}
