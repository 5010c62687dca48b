// The key store in the settings: which entries a load finds, what a save
// writes and how names compare.
#include "tests/app/isolated_settings.h"
#include "app/settings/key_store.h"
#include "tests/app/qstring_printer.h"
#include "app/settings/settings.h"

#include <QFile>

#include <gtest/gtest.h>

namespace velmora {
namespace {

const QString kKeyStore = QStringLiteral("KeyStore");

void Store(int n, const char* name, const char* value)
{
    WriteProfileString(kKeyStore, QStringLiteral("KeyName%1").arg(n), QString::fromUtf8(name));
    WriteProfileString(kKeyStore, QStringLiteral("KeyValue%1").arg(n), QString::fromUtf8(value));
}

QString Stored(const QString& key)
{
    return GetProfileString(kKeyStore, key, QStringLiteral("<absent>"));
}

QStringList Names(const CKeyStoreItemList& list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) names << list.At(i).m_strName;
    return names;
}

class KeyStoreTest : public ::testing::Test {
protected:
    test::IsolatedSettings settings;
    CKeyStoreItemList list;
};

TEST_F(KeyStoreTest, GapsInTheNumberingLoseNoKeys)
{
    Store(1, "eins", "00112233445566778899AABBCCDDEEFF");
    Store(3, "drei", "33333333333333333333333333333333");
    Store(12, "zwölf", "12");
    list.LoadKeyStore();
    EXPECT_EQ(Names(list), (QStringList{QStringLiteral("eins"), QStringLiteral("drei"), QStringLiteral("zwölf")}));

    // The next save numbers them densely again.
    list.SaveKeyStore();
    EXPECT_EQ(Stored(QStringLiteral("KeyName2")), QStringLiteral("drei"));
    EXPECT_EQ(Stored(QStringLiteral("KeyValue3")), QStringLiteral("12"));
    EXPECT_EQ(Stored(QStringLiteral("KeyName12")), QStringLiteral("<absent>"));
}

TEST_F(KeyStoreTest, EmptyValuesAreNoEntries)
{
    Store(1, "eins", "01");
    Store(2, "leer", "");
    WriteProfileString(kKeyStore, QStringLiteral("KeyName3"), QStringLiteral("ohne Wert"));
    Store(4, "vier", "04");
    // Spellings that are not the entry's number are other keys.
    WriteProfileString(kKeyStore, QStringLiteral("KeyValue05"), QStringLiteral("05"));
    WriteProfileString(kKeyStore, QStringLiteral("KeyValue-6"), QStringLiteral("06"));
    list.LoadKeyStore();
    EXPECT_EQ(Names(list), (QStringList{QStringLiteral("eins"), QStringLiteral("vier")}));

    list.Append(QStringLiteral("nichts"), QString());
    list.SaveKeyStore();
    EXPECT_EQ(Stored(QStringLiteral("KeyName2")), QStringLiteral("vier"));
    EXPECT_EQ(Stored(QStringLiteral("KeyName3")), QStringLiteral("<absent>"));   // never an empty value
    EXPECT_EQ(Stored(QStringLiteral("KeyValue05")), QStringLiteral("<absent>")); // the section is rewritten
}

TEST_F(KeyStoreTest, ValuesAreUsedAsStored)
{
    // Written by hand or by another program: shown and handed on as they are.
    Store(1, "kurz", "ab");
    Store(2, "kein hex", "xyz!");
    Store(3, "", "00 11 22");
    // Unquoted commas make a list in an INI file; it reads as its text.
    QFile file(SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("KeyName4=Liste\nKeyValue4=00, 11,22\n");
    file.close();
    list.LoadKeyStore();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.At(0).m_strValue, QStringLiteral("ab"));
    EXPECT_EQ(list.At(1).m_strValue, QStringLiteral("xyz!"));
    EXPECT_EQ(list.At(2).m_strName, QString());
    EXPECT_EQ(list.At(2).m_strValue, QStringLiteral("00 11 22"));
    EXPECT_EQ(list.At(3).m_strValue, QStringLiteral("00, 11, 22"));

    list.SaveKeyStore();
    CKeyStoreItemList again;
    again.LoadKeyStore();
    ASSERT_EQ(again.Count(), 4);
    EXPECT_EQ(again.At(1).m_strValue, QStringLiteral("xyz!"));
    EXPECT_EQ(again.At(3).m_strValue, QStringLiteral("00, 11, 22")); // now quoted, one text
}

TEST_F(KeyStoreTest, NamesCompareWithoutTrailingSpacesButWithCase)
{
    list.Append(QStringLiteral("Tür  "), QStringLiteral("01"));
    list.Append(QStringLiteral("tür"), QStringLiteral("02"));
    list.Append(QStringLiteral(" Tür"), QStringLiteral("03"));
    ASSERT_NE(list.FindKeyByName(QStringLiteral("Tür")), nullptr);
    EXPECT_EQ(list.FindKeyByName(QStringLiteral("Tür\t "))->m_strValue, QStringLiteral("01"));
    EXPECT_EQ(list.FindKeyByName(QStringLiteral("tür"))->m_strValue, QStringLiteral("02"));
    EXPECT_EQ(list.FindKeyByName(QStringLiteral(" Tür"))->m_strValue, QStringLiteral("03")); // leading ones count
    EXPECT_EQ(list.FindKeyByName(QStringLiteral("TÜR")), nullptr);
}

TEST_F(KeyStoreTest, MovingKeepsTheOthersInOrder)
{
    for (const char* n : {"a", "b", "c", "d"}) list.Append(QString::fromLatin1(n), QStringLiteral("00"));
    list.Move(0, 2);
    EXPECT_EQ(Names(list),
              (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("d")}));
    list.Move(3, 0);
    EXPECT_EQ(Names(list),
              (QStringList{QStringLiteral("d"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}));
    list.Move(1, 7); // out of range: nothing happens
    list.RemoveAt(-1);
    EXPECT_EQ(list.Count(), 4);
}

} // namespace
} // namespace velmora
