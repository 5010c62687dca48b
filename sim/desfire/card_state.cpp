#include "sim/desfire/card_state.h"

#include <algorithm>
#include <cstdint>

namespace kavex::sim::desfire {

CipherKind CipherOf(CryptoMethod method)
{
    switch (method) {
    case CryptoMethod::Tdes3K: return CipherKind::Tdes3K;
    case CryptoMethod::Aes: return CipherKind::Aes128;
    case CryptoMethod::Tdes: break;
    }
    return CipherKind::Tdes2K;
}

uint8_t DesKeyVersion(const uint8_t* key)
{
    uint8_t version = 0;
    for (int i = 0; i < 8; ++i) version = static_cast<uint8_t>(version << 1 | (key[i] & 1));
    return version;
}

uint8_t KeySet::KeyCountByte() const
{
    return static_cast<uint8_t>((static_cast<uint8_t>(method) << 6) | (keys.size() & 0x0F));
}

const DesfireKey* KeySet::Find(uint8_t keyNo) const
{
    return keyNo < keys.size() ? &keys[keyNo] : nullptr;
}

DesfireKey* KeySet::Find(uint8_t keyNo)
{
    return keyNo < keys.size() ? &keys[keyNo] : nullptr;
}

MemoryPool::MemoryPool(uint32_t storageSize)
    : storage_(storageSize), capacity_(storageSize > kSystemReserve ? storageSize - kSystemReserve : 0)
{
}

uint8_t MemoryPool::StorageByte() const
{
    if (storage_ == 0) return 0;
    uint8_t n = 0;
    while ((uint64_t{1} << (n + 1)) <= storage_) ++n;
    const bool exact = (uint64_t{1} << n) == storage_;
    return static_cast<uint8_t>((n << 1) | (exact ? 0 : 1));
}

uint32_t MemoryPool::RoundUp(uint32_t bytes)
{
    return (bytes + kBlock - 1) / kBlock * kBlock;
}

bool MemoryPool::Allocate(uint32_t bytes, uint32_t* charged)
{
    const uint32_t need = RoundUp(bytes);
    if (need > Free()) return false;
    used_ += need;
    if (charged) *charged = need;
    return true;
}

bool MemoryPool::Restore(uint32_t used)
{
    if (used > capacity_ || used % kBlock != 0) return false;
    used_ = used;
    return true;
}

void MemoryPool::Release(uint32_t charged)
{
    used_ = charged > used_ ? 0 : used_ - charged;
}

CardState::CardState(uint32_t storageSize) : memory(storageSize)
{
    masterKeys.method = CryptoMethod::Tdes;
    masterKeys.settings = 0x0F;
    masterKeys.keys.assign(1, DesfireKey{});
}

Application* CardState::FindApplication(uint32_t aid)
{
    auto it = applications.find(aid);
    return it == applications.end() ? nullptr : &it->second;
}

const Application* CardState::FindApplication(uint32_t aid) const
{
    auto it = applications.find(aid);
    return it == applications.end() ? nullptr : &it->second;
}

KeySet* CardState::KeysOf(uint32_t aid)
{
    if (aid == kCardLevel) return &masterKeys;
    Application* app = FindApplication(aid);
    return app ? &app->keys : nullptr;
}

const KeySet* CardState::KeysOf(uint32_t aid) const
{
    if (aid == kCardLevel) return &masterKeys;
    const Application* app = FindApplication(aid);
    return app ? &app->keys : nullptr;
}

uint32_t CardState::ApplicationCost(const KeySet& keys)
{
    // One directory block plus the key store (key, version and a spare
    // byte per key).
    const uint32_t perKey = keys.method == CryptoMethod::Tdes3K ? 26 : 18;
    return MemoryPool::kBlock + MemoryPool::RoundUp(perKey * static_cast<uint32_t>(keys.keys.size()));
}

KeySet CardState::NewApplicationKeys(CryptoMethod method, uint8_t settings, uint8_t count) const
{
    KeySet set;
    set.method = method;
    set.settings = settings;
    DesfireKey key;
    const size_t len = KeyLength(CipherOf(method));
    for (size_t i = 0; i < len; ++i) key.value[i] = config.defaultKey[i];
    key.version = config.defaultKeyVersion;
    set.keys.assign(count, key);
    return set;
}

void CardState::Format()
{
    applications.clear();
    memory.ReleaseAll();
}

void DesfireFile::Commit()
{
    PendingChanges p = std::move(pending);
    pending = PendingChanges{};
    if (p.data) data = std::move(*p.data);
    if (p.value) {
        value = *p.value;
        // What a limited credit may give back is what the last transaction
        // with debits took; a limited credit uses it up.
        if (p.debited > 0)
            limitedCreditValue = static_cast<int32_t>(std::min<int64_t>(p.debited, INT32_MAX));
        else if (p.limitedCredited > 0)
            limitedCreditValue = 0;
    }
    if (p.cleared) records.clear();
    if (p.newRecord) {
        records.push_back(std::move(*p.newRecord));
        // A cyclic file overwrites its oldest record; a full linear file
        // never gets this far (WriteRecord refuses).
        while (records.size() > RecordCapacity()) records.erase(records.begin());
    }
}

void CardState::CommitTransaction(uint32_t aid)
{
    Application* app = FindApplication(aid);
    if (!app) return;
    for (auto& entry : app->files) entry.second.Commit();
}

void CardState::AbortTransaction()
{
    for (auto& a : applications)
        for (auto& f : a.second.files) f.second.pending = PendingChanges{};
}

} // namespace kavex::sim::desfire
