// The program key store: named 16-byte keys in the settings (section
// "KeyStore", pairs "KeyName<n>" / "KeyValue<n>" numbered from 1), so that
// keys are typed once. Every dialog reads the list when it opens and writes
// all of it back after each change: the settings are the only shared copy.
// The kavex tool finds its --key-name keys through this same code, so the
// program and the tool agree on numbering and naming.
#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace velmora {

class CKeyStoreItem {
public:
    CKeyStoreItem() = default;
    CKeyStoreItem(QString name, QString value) : m_strName(std::move(name)), m_strValue(std::move(value)) {}

    QString m_strName;
    // As stored: what the program writes is 32 upper-case hex digits, but
    // whatever the file holds is shown and handed on unchanged.
    QString m_strValue;
};

// Owns its items; their addresses stay valid until they are removed.
class CKeyStoreItemList {
public:
    // Every numbered entry with a value, in the order of the numbers; gaps
    // in the numbering and entries without a value are passed over.
    void LoadKeyStore();
    // Rewrites the section, numbered densely from 1, leaving out entries
    // without a value.
    void SaveKeyStore() const;
    // Names compare exactly, after trailing white space is removed from both.
    CKeyStoreItem* FindKeyByName(const QString& name);

    int Count() const { return static_cast<int>(m_Items.size()); }
    CKeyStoreItem& At(int index) { return *m_Items.at(static_cast<size_t>(index)); }
    const CKeyStoreItem& At(int index) const { return *m_Items.at(static_cast<size_t>(index)); }
    void Append(const QString& name, const QString& value);
    void RemoveAt(int index);
    // The item at from ends up at index to (the other items keep their order).
    void Move(int from, int to);
    void Clear() { m_Items.clear(); }

private:
    std::vector<std::unique_ptr<CKeyStoreItem>> m_Items;
};

// A name as the key store keeps it: without trailing white space.
QString KeyStoreName(const QString& text);

} // namespace velmora
