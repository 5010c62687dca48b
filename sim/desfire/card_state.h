// What a simulated DESFire EV1 card keeps in its non-volatile memory: the
// card master key, the configuration, the production data and the
// applications with their keys and files. Plain data, free of any session
// or protocol logic, so that it can be saved to and loaded from a card file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "sim/desfire/card_crypto.h"

namespace kavex::sim::desfire {

// Crypto method of a key set as the card encodes it in bits 7-6 of the
// number-of-keys byte (0x00, 0x40, 0x80).
enum class CryptoMethod : uint8_t {
    Tdes = 0,   // DES or two-key triple DES (16 bytes, DES when the halves are equal)
    Tdes3K = 1, // three-key triple DES (24 bytes)
    Aes = 2,    // AES-128 (16 bytes)
};

CipherKind CipherOf(CryptoMethod method);

struct DesfireKey {
    // 16 bytes used except for three-key triple DES; the tail stays zero.
    std::array<uint8_t, 24> value{};
    // AES keys carry their version separately; DES keys carry it in the
    // parity bits of their first half, which is what gets recorded here.
    uint8_t version = 0;
};

// Version a DES or triple DES key carries in the parity bits (bit 0) of its
// first eight bytes, the first byte giving the most significant bit.
uint8_t DesKeyVersion(const uint8_t* key);

// The keys of the card level or of one application, with the settings byte
// that governs them.
struct KeySet {
    CryptoMethod method = CryptoMethod::Tdes;
    uint8_t settings = 0x0F;
    std::vector<DesfireKey> keys;

    // Second byte of GetKeySettings: crypto method in bits 7-6, key count.
    uint8_t KeyCountByte() const;
    const DesfireKey* Find(uint8_t keyNo) const;
    DesfireKey* Find(uint8_t keyNo);

    bool MasterKeyChangeable() const { return settings & 0x01; }
    bool FreeDirectoryAccess() const { return settings & 0x02; }
    bool FreeCreateDelete() const { return settings & 0x04; }
    bool SettingsChangeable() const { return settings & 0x08; }
    uint8_t ChangeKeyAccess() const { return settings >> 4; }
};

enum class FileType : uint8_t {
    StandardData = 0,
    BackupData = 1,
    Value = 2,
    LinearRecord = 3,
    CyclicRecord = 4,
};

// Changes to a file that wait for CommitTransaction. Only the files of
// the selected application can have any: an abort, another selection or a
// lost authentication drops them all.
struct PendingChanges {
    std::optional<std::vector<uint8_t>> data; // backup data file: its whole new contents
    std::optional<int32_t> value;             // value file: the value after all changes
    int64_t debited = 0;                      // sum of this transaction's debits
    int64_t limitedCredited = 0;              // sum of this transaction's limited credits
    bool cleared = false;                     // record file: ClearRecordFile
    // The record this transaction adds: every WriteRecord of one
    // transaction writes into the same new record.
    std::optional<std::vector<uint8_t>> newRecord;
};

// A file inside an application with its committed contents.
struct DesfireFile {
    FileType type = FileType::StandardData;
    uint8_t commSettings = 0; // 0 and 2 plain, 1 MAC, 3 enciphered
    uint16_t accessRights = 0xEEEE;
    std::optional<uint16_t> isoFileId;

    uint32_t size = 0;         // data files
    std::vector<uint8_t> data; // data files: `size` bytes

    int32_t lowerLimit = 0;
    int32_t upperLimit = 0;
    int32_t value = 0;
    int32_t limitedCreditValue = 0;
    bool limitedCreditEnabled = false;
    bool freeGetValue = false;

    uint32_t recordSize = 0;
    uint32_t maxRecords = 0;
    std::vector<std::vector<uint8_t>> records; // oldest first, `recordSize` bytes each

    uint32_t allocated = 0; // bytes charged to the card's memory
    PendingChanges pending;

    bool IsDataFile() const { return type == FileType::StandardData || type == FileType::BackupData; }
    bool IsRecordFile() const { return type == FileType::LinearRecord || type == FileType::CyclicRecord; }
    // Valid records the file can hold: a cyclic file keeps one of its
    // slots for the record a transaction is writing.
    uint32_t RecordCapacity() const { return type == FileType::CyclicRecord ? maxRecords - 1 : maxRecords; }
    void Commit();
};

struct Application {
    uint32_t aid = 0;
    KeySet keys;
    // Created with the ISO file ID flag: its files may carry ISO file IDs.
    bool isoFileIds = false;
    std::optional<uint16_t> isoFileId;
    std::vector<uint8_t> dfName;
    std::map<uint8_t, DesfireFile> files;
    uint32_t allocated = 0; // bytes charged for the application itself
};

struct CardConfiguration {
    bool formatDisabled = false;
    bool randomUid = false;
    // Key and version that the keys of new applications start with.
    std::array<uint8_t, 24> defaultKey{};
    uint8_t defaultKeyVersion = 0;
    // Full ATS, length byte TL first.
    std::vector<uint8_t> ats{0x06, 0x75, 0x77, 0x81, 0x02, 0x80};
};

struct ProductionData {
    std::array<uint8_t, 7> uid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    std::array<uint8_t, 5> batchNumber{0xBA, 0x7C, 0x11, 0x42, 0x00};
    uint8_t week = 0x14; // BCD, as the card reports it
    uint8_t year = 0x23; // BCD
};

// The card's EEPROM bookkeeping. The card allocates in 32-byte blocks and
// keeps part of its storage for itself.
class MemoryPool {
public:
    static constexpr uint32_t kBlock = 32;
    static constexpr uint32_t kSystemReserve = 256;

    explicit MemoryPool(uint32_t storageSize = 8192);

    uint32_t StorageSize() const { return storage_; }
    // Storage size byte of GetVersion: 2^(n/2) bytes, bit 0 set when the
    // size lies between that and the next power of two.
    uint8_t StorageByte() const;
    uint32_t Free() const { return capacity_ - used_; }
    uint32_t Used() const { return used_; }

    static uint32_t RoundUp(uint32_t bytes);
    // Charges the rounded-up size; false (nothing charged) when it does not fit.
    bool Allocate(uint32_t bytes, uint32_t* charged);
    void Release(uint32_t charged);
    void ReleaseAll() { used_ = 0; }
    // For a card file: false when `used` does not fit the capacity.
    bool Restore(uint32_t used);

private:
    uint32_t storage_;
    uint32_t capacity_;
    uint32_t used_ = 0;
};

class CardState {
public:
    static constexpr size_t kMaxApplications = 28;
    static constexpr uint32_t kCardLevel = 0;

    explicit CardState(uint32_t storageSize = 8192);

    ProductionData production;
    CardConfiguration config;
    KeySet masterKeys; // the card master key: one key, factory DES zero key
    std::map<uint32_t, Application> applications;
    MemoryPool memory;

    Application* FindApplication(uint32_t aid);
    const Application* FindApplication(uint32_t aid) const;
    // Keys of the card level (aid 0) or of an application; null if unknown.
    KeySet* KeysOf(uint32_t aid);
    const KeySet* KeysOf(uint32_t aid) const;

    // Memory an application with this key set costs.
    static uint32_t ApplicationCost(const KeySet& keys);

    // A key set of `count` keys filled with the configured default key.
    KeySet NewApplicationKeys(CryptoMethod method, uint8_t settings, uint8_t count) const;

    // Deletes every application and gives their memory back; the card
    // master key and the configuration stay. The only way memory comes
    // back: deleted files and applications keep theirs, as on the card.
    void Format();

    // Makes the pending changes of the application's files permanent.
    void CommitTransaction(uint32_t aid);
    // Forgets every pending change.
    void AbortTransaction();
};

} // namespace kavex::sim::desfire
