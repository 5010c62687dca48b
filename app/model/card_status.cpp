#include "app/model/card_status.h"

#include <algorithm>

namespace velmora {

void CCardStatus::RememberKey(int aid, int keyNo, const Key& key)
{
    if (aid < 0 || keyNo < 0) return;
    for (CKey& k : m_KeyList) {
        if (k.aid == aid && k.keyNo == keyNo) {
            k.value = key;
            return;
        }
    }
    m_KeyList.push_back(CKey{aid, keyNo, key});
}

void CCardStatus::ForgetKeys(int aid, int keyNo)
{
    m_KeyList.erase(
        std::remove_if(m_KeyList.begin(), m_KeyList.end(),
                       [&](const CKey& k) { return (aid < 0 || k.aid == aid) && (keyNo < 0 || k.keyNo == keyNo); }),
        m_KeyList.end());
}

void CCardStatus::ResetAuth()
{
    m_nAuthMode = kNotAuthenticated;
    m_nAuthKeyNo = kNoKey;
    m_nAuthSource = kSourceNone;
}

void CCardStatus::ForgetFileInfo(int aid, int fileNo)
{
    m_FileInfoList.erase(
        std::remove_if(m_FileInfoList.begin(), m_FileInfoList.end(),
                       [&](const CFileInfo& f) { return f.aid == aid && (fileNo < 0 || f.fileNo == fileNo); }),
        m_FileInfoList.end());
}

void CCardStatus::ForgetApplication(int aid)
{
    ForgetKeys(aid, -1);
    ForgetFileInfo(aid, -1);
    m_AppIds.erase(std::remove(m_AppIds.begin(), m_AppIds.end(), static_cast<uint32_t>(aid)), m_AppIds.end());
    if (m_nCurrentAid == aid) {
        m_nCurrentAid = 0;
        ResetAuth();
    }
}

void CCardStatus::ResetOnActivation()
{
    m_nFreeMemory = -1;
    m_bAppIdsRead = false;
    m_nCurrentAid = 0;
    ResetAuth();
    m_ATS.clear();
    m_KeyList.clear();
    m_FileInfoList.clear();
}

const CCardStatus::CKey* CCardStatus::FindKey(int aid, int keyNo) const
{
    for (const CKey& k : m_KeyList)
        if (k.aid == aid && k.keyNo == keyNo) return &k;
    return nullptr;
}

} // namespace velmora
