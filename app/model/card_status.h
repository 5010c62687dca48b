// What the program knows about the card in the field: the selected
// application, the authentication, the keys that worked, the application
// IDs read. Owned by the main window and handed to every card dialog with
// the port handle.
#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

namespace velmora {

class CCardUi;

class CFileInfo {
public:
    int aid = -1;
    int fileNo = 255;
    int fileType = 0; // 0 standard data, 1 backup, 2 value, 3 linear record, 4 cyclic record
    int commSettings = 0;
    uint8_t readKey = 255; // 255: none recorded
    uint8_t writeKey = 255;
    uint8_t readWriteKey = 255;
    int limitedCredit = 0;
    int freeGetValue = 0; // bit 1 of a value file's limited-credit byte
    int recordSize = 0;
};

class CCardStatus {
public:
    using Key = std::array<uint8_t, 16>;

    class CKey {
    public:
        int aid = -1;
        int keyNo = -1;
        Key value{};
    };

    enum AuthMode { kNotAuthenticated = 0, kAuthISO = 2, kAuthAES = 3 };
    enum AuthSource { kSourceNone = -1, kSourceAlready = 1, kSourceRemembered = 2, kSourceDialog = 3 };

    static constexpr int kMaxAppIds = 28;
    static constexpr uint8_t kNoKey = 0xFF;

    std::vector<CKey> m_KeyList; // oldest first
    std::vector<CFileInfo> m_FileInfoList;
    std::vector<uint32_t> m_AppIds; // in card order
    bool m_bAppIdsRead = false;
    bool m_bFileIdsRead = false;
    int m_nCurrentAid = 0; // -1: unknown after a failed selection
    int m_nAuthMode = kNotAuthenticated;
    uint8_t m_nAuthKeyNo = kNoKey;
    int m_nAuthSource = kSourceNone;
    QByteArray m_ATS;
    // Bytes the card last said it had free; -1 unknown (after anything that
    // may have used memory).
    int m_nFreeMemory = -1;

    // Message boxes and authentication dialogs for the helpers; null: none.
    CCardUi* m_pUi = nullptr;

    void RememberKey(int aid, int keyNo, const Key& key);
    void ForgetKeys(int aid, int keyNo);
    void ResetAuth();
    // The card changed the file or dropped it: what is known of it is
    // stale. fileNo -1: every file of aid.
    void ForgetFileInfo(int aid, int fileNo);
    // The application is gone from the card: its keys, its files and its
    // place in the list; when it was selected, the card is back at the card
    // level without authentication.
    void ForgetApplication(int aid);
    // A new card (or the same card again) in the field: nothing known holds.
    void ResetOnActivation();

    bool IsAuthenticated() const { return m_nAuthMode != kNotAuthenticated; }
    // First remembered key of aid/keyNo, or null.
    const CKey* FindKey(int aid, int keyNo) const;
};

} // namespace velmora
