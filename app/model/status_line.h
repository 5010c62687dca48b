// The result line every card dialog writes: the SDK's text for the port's
// last status, followed by a note on how the operation got its authentication.
#pragma once

#include <QString>

namespace velmora {

class CCardStatus;

// The SDK's text for the port's last status in the language of
// "Settings"/"Sprache" (at most 200 characters), plus AuthNote when withNote
// is set and a model is given.
QString GetStatusText(int port, bool withNote, CCardStatus* status);
// For results of list reads: notes an authentication that the listing
// needed but that was there already.
QString GetListStatusText(int port, CCardStatus& status);
QString AuthNote(const CCardStatus& status);

// Only the SDK text (used where the port is not a number of ours, e.g. the
// negative result of a failed open).
QString SdkStatusText(int port);

} // namespace velmora
