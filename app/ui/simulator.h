// The reader simulator built into the program (velmora --simulate): a
// simulated reader with a DESFire EV1 card on a pty, used as the interface.
#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>

namespace kavex::sim {
class PtyReader;
namespace desfire {
class DesfireCard;
}
} // namespace kavex::sim

namespace velmora {

class CBuiltInSimulator {
public:
    CBuiltInSimulator();
    ~CBuiltInSimulator();
    CBuiltInSimulator(const CBuiltInSimulator&) = delete;
    CBuiltInSimulator& operator=(const CBuiltInSimulator&) = delete;

    // Starts the reader on a link under $XDG_RUNTIME_DIR (or /tmp). cardFile
    // is where the card keeps its memory between runs. false and
    // ErrorText() when the pty cannot be made.
    bool Start(const QString& cardFile);
    // Before Start: bytes cross the pty no faster than a serial line at the
    // settings the SDK gives it, and the card takes the given time per
    // command ("AA=2000,BD=500", microseconds; false for other text).
    void SetLineRate(bool bOn) { m_bLineRate = bOn; }
    bool SetCardTimes(const QString& strTimes);
    void Stop();

    QString LinkPath() const { return m_strLink; }
    // How the interface dialog lists it.
    QString Entry() const;
    QString CardFile() const { return m_strCardFile; }
    QString ErrorText() const { return m_strError; }

    kavex::sim::PtyReader* Reader() { return m_pReader.get(); }
    // The card in the simulated field (null before Start).
    kavex::sim::desfire::DesfireCard* Card() { return m_pCard.get(); }

    static QString DefaultLinkPath();

private:
    std::shared_ptr<kavex::sim::desfire::DesfireCard> m_pCard;
    std::unique_ptr<kavex::sim::PtyReader> m_pReader;
    QString m_strLink;
    QString m_strCardFile;
    QString m_strError;
    bool m_bLineRate = false;
    std::map<uint8_t, std::chrono::microseconds> m_mapCardTimes;
};

} // namespace velmora
