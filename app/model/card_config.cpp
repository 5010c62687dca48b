#include "app/model/card_config.h"

#include "app/model/card_session.h"
#include "app/model/card_status.h"
#include "app/model/key_text.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include "kavex.h"

namespace velmora {

namespace {

constexpr unsigned char kOptionCardSettings = 0;
constexpr unsigned char kOptionDefaultKey = 1;
constexpr unsigned char kOptionAts = 2;
// TL, T0, TA, TB, TC: the first historical byte follows them.
constexpr int kHistoricalIndex = 4;

CardStepResult Refused(int id)
{
    CardStepResult result;
    result.statusLine = LoadStr(id);
    return result;
}

CardStepResult Configure(int port, CCardStatus& status, unsigned char option, const unsigned char* data, int len)
{
    CardStepResult result;
    result.ok = Kavex_DFSetConfiguration(port, option, data, len) >= 0;
    if (!result.ok) status.ResetAuth();
    result.statusLine = GetStatusText(port, true, &status);
    return result;
}

bool Authenticate(int port, CCardStatus& status, CtlText* statusWnd)
{
    return EnsureAuthenticated(port, status, 0, 0, statusWnd, true);
}

} // namespace

QString HistoricalByteText(const QByteArray& ats)
{
    if (ats.size() <= kHistoricalIndex) return QString();
    return QString::asprintf("%x", static_cast<uint8_t>(ats.at(kHistoricalIndex)));
}

CardStepResult SetDefaultKey(int port, CCardStatus& status, CtlText* statusWnd, const QString& keyText,
                             const QString& versionText)
{
    CCardStatus::Key key{};
    uint8_t version = 0;
    if (int id = ParseKeyText(keyText, &key)) return Refused(id);
    if (int id = ParseByteText(versionText, &version)) return Refused(id);
    if (!Authenticate(port, status, statusWnd)) {
        WipeKey(key);
        return {};
    }
    unsigned char data[17] = {};
    std::copy(key.begin(), key.end(), data);
    data[16] = version;
    CardStepResult result = Configure(port, status, kOptionDefaultKey, data, sizeof data);
    WipeKey(key);
    volatile unsigned char* p = data;
    for (size_t i = 0; i < sizeof data; ++i) p[i] = 0;
    return result;
}

CardStepResult SetHistoricalByte(int port, CCardStatus& status, CtlText* statusWnd, const QString& byteText)
{
    if (status.m_ATS.size() <= kHistoricalIndex) return Refused(kIdsAtsTooShort);
    uint8_t historical = 0;
    if (int id = ParseByteText(byteText, &historical)) return Refused(id);
    if (!Authenticate(port, status, statusWnd)) return {};
    QByteArray ats;
    ats.append(static_cast<char>(status.m_ATS.size() + 1));
    ats.append(status.m_ATS);
    ats[kHistoricalIndex + 1] = static_cast<char>(historical);
    return Configure(port, status, kOptionAts, reinterpret_cast<const unsigned char*>(ats.constData()),
                     static_cast<int>(ats.size()));
}

CardStepResult SetCardSwitch(int port, CCardStatus& status, CtlText* statusWnd, CardSwitch what)
{
    if (!Authenticate(port, status, statusWnd)) return {};
    const unsigned char byte = static_cast<unsigned char>(what);
    return Configure(port, status, kOptionCardSettings, &byte, 1);
}

} // namespace velmora
