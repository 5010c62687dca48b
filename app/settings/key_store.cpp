#include "app/settings/key_store.h"

#include "app/settings/settings.h"

#include <map>

namespace velmora {

namespace {

const QString kSection = QStringLiteral("KeyStore");
const QString kNamePrefix = QStringLiteral("KeyName");
const QString kValuePrefix = QStringLiteral("KeyValue");

bool IsTrailingSpace(QChar c)
{
    const ushort u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f';
}

// The entry number of "KeyName<n>" / "KeyValue<n>"; 0 for any other key.
// Only the plain spelling counts ("KeyValue01" is not entry 1), so that no
// two keys claim the same entry.
int EntryNumber(const QString& key, const QString& prefix)
{
    if (!key.startsWith(prefix)) return 0;
    const QString digits = key.mid(prefix.size());
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok && n > 0 && QString::number(n) == digits ? n : 0;
}

} // namespace

QString KeyStoreName(const QString& text)
{
    int end = text.size();
    while (end > 0 && IsTrailingSpace(text.at(end - 1))) --end;
    return text.left(end);
}

void CKeyStoreItemList::LoadKeyStore()
{
    m_Items.clear();
    // Loading used to end at the first number without a value, and the
    // next save then dropped every key after it; all numbered entries are
    // read now, so a gap in a hand-edited file costs nothing.
    std::map<int, std::pair<QString, QString>> entries;
    for (const auto& [key, text] : GetProfileSection(kSection)) {
        if (const int n = EntryNumber(key, kNamePrefix)) entries[n].first = text;
        if (const int n = EntryNumber(key, kValuePrefix)) entries[n].second = text;
    }
    for (const auto& [n, entry] : entries)
        if (!entry.second.isEmpty()) Append(entry.first, entry.second);
}

void CKeyStoreItemList::SaveKeyStore() const
{
    std::vector<std::pair<QString, QString>> values;
    int counter = 0;
    for (const auto& item : m_Items) {
        if (item->m_strValue.isEmpty()) continue;
        ++counter;
        values.emplace_back(kNamePrefix + QString::number(counter), item->m_strName);
        values.emplace_back(kValuePrefix + QString::number(counter), item->m_strValue);
    }
    ReplaceProfileSection(kSection, values);
}

CKeyStoreItem* CKeyStoreItemList::FindKeyByName(const QString& name)
{
    const QString wanted = KeyStoreName(name);
    for (const auto& item : m_Items)
        if (KeyStoreName(item->m_strName) == wanted) return item.get();
    return nullptr;
}

void CKeyStoreItemList::Append(const QString& name, const QString& value)
{
    m_Items.push_back(std::make_unique<CKeyStoreItem>(name, value));
}

void CKeyStoreItemList::RemoveAt(int index)
{
    if (index < 0 || index >= Count()) return;
    m_Items.erase(m_Items.begin() + index);
}

void CKeyStoreItemList::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
    auto item = std::move(m_Items[static_cast<size_t>(from)]);
    m_Items.erase(m_Items.begin() + from);
    m_Items.insert(m_Items.begin() + to, std::move(item));
}

} // namespace velmora
