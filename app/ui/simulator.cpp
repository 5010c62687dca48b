#include "app/ui/simulator.h"

#include "app/model/port_settings.h"

#include "sim/desfire/card_file.h"
#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

#include <exception>

namespace velmora {

namespace {

// The reader sits on a pseudo-terminal of this machine, so it answers as a
// desktop USB programmer (KV-135, firmware 1.05) rather than as the
// simulator's default Bluetooth model.
const kavex::sim::Bytes kIdent = {'1', '3', '5', '5'};

} // namespace

CBuiltInSimulator::CBuiltInSimulator() = default;

CBuiltInSimulator::~CBuiltInSimulator()
{
    Stop();
}

QString CBuiltInSimulator::DefaultLinkPath()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QStringLiteral("/tmp");
    // One link per process: two programs must not take each other's reader.
    return QDir(dir).filePath(QStringLiteral("velmora-sim-%1").arg(getpid()));
}

bool CBuiltInSimulator::SetCardTimes(const QString& strTimes)
{
    const auto times = kavex::sim::ParseCardTimes(strTimes.toStdString());
    if (!times) return false;
    m_mapCardTimes = *times;
    return true;
}

bool CBuiltInSimulator::Start(const QString& cardFile)
{
    m_strCardFile = cardFile;
    m_strLink = DefaultLinkPath();
    try {
        if (cardFile.isEmpty()) {
            m_pCard = std::make_shared<kavex::sim::desfire::DesfireCard>();
        } else {
            // The card keeps its memory in its file; a file that is not a
            // card file is refused, never overwritten.
            QDir().mkpath(QFileInfo(cardFile).absolutePath());
            std::string error;
            m_pCard = kavex::sim::desfire::LoadCardFile(cardFile.toStdString(), &error);
            if (!m_pCard) {
                m_strError = QString::fromStdString(error);
                return false;
            }
        }
        kavex::sim::ReaderConfig config;
        config.ident = kIdent;
        config.card_times = m_mapCardTimes;
        m_pReader = std::make_unique<kavex::sim::PtyReader>(config, m_pCard);
        m_pReader->SetLineEmulation(m_bLineRate);
        m_pReader->Start(m_strLink.toStdString());
    } catch (const std::exception& e) {
        m_strError = QString::fromLocal8Bit(e.what());
        m_pReader.reset();
        m_pCard.reset();
        return false;
    }
    return true;
}

void CBuiltInSimulator::Stop()
{
    if (m_pReader) m_pReader->Stop();
    m_pReader.reset();
    m_pCard.reset();
}

QString CBuiltInSimulator::Entry() const
{
    return m_strLink + kSimulatorSuffix;
}

} // namespace velmora
