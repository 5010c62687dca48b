// The ini-style reader of the version file: case, blanks, repeated keys,
// sections, and input that is not what a server should send.
#include "app/settings/ini_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

std::string Get(const std::string& text, const std::string& section, const std::string& key)
{
    CPrivateProfile ini;
    EXPECT_TRUE(ini.Parse(text));
    return ini.GetValue(section, key, "<default>");
}

TEST(IniTextTest, KeysAndSections)
{
    // The last of the repeated keys wins, whatever its case.
    EXPECT_EQ(Get("[A]\nx = 1\nX=2\n", "a", "x"), "2");
    // Blanks after a value stay; blanks around "=" go.
    EXPECT_EQ(Get("[P]\r\nVersion= 1.24 \r\n", "P", "Version"), "1.24 ");
    // A key written with a leading blank is another key.
    EXPECT_EQ(Get("[P]\n Version=1\n", "P", "Version"), "<default>");
    EXPECT_EQ(Get("[P]\n Version=1\n", "P", " Version"), "1");
    // Without headers all lines are in one unnamed section.
    EXPECT_EQ(Get("a=1\nb=2", "", "b"), "2");
    EXPECT_EQ(Get("a=1\nb=2", "S", "a"), "<default>");
    // "[]" names its section with the empty text, but the unnamed section
    // before it comes first; only the first section of a name is searched.
    CIniEx empty;
    empty.Parse("[]\nk=v\n");
    ASSERT_EQ(empty.Sections().size(), 2u);
    EXPECT_EQ(empty.Sections()[1].name, "");
    EXPECT_EQ(empty.GetValue("", "k", "d"), "d");
    EXPECT_EQ(Get("[S]\nk=1\n[S]\nk=2\n", "S", "k"), "1");
    // A header not followed by a key line makes no section of that name.
    EXPECT_EQ(Get("[A]\n[B]\nk=v\n", "A", "k"), "<default>");
    EXPECT_EQ(Get("[A]\n[B]\nk=v\n", "B", "k"), "v");
    // Tabs and line ends go from the end of a line, so "[S]\t" is a header.
    EXPECT_EQ(Get("[S]\t\r\nk=v\t\n", "S", "k"), "v");
    // A value may hold "=".
    EXPECT_EQ(Get("[S]\nInstaller=https://h/x?a=b\n", "S", "Installer"), "https://h/x?a=b");
}

TEST(IniTextTest, CommentsAndBareLines)
{
    CIniEx ini;
    ini.Parse("[S]\n;a comment = x \nbare line  \n");
    ASSERT_EQ(ini.Sections().size(), 2u);
    const CIniEx::CSection& s = ini.Sections()[1];
    EXPECT_EQ(s.name, "S");
    ASSERT_EQ(s.keys.size(), 2u);
    EXPECT_EQ(s.keys[0], ";a comment = x "); // comments are kept whole
    EXPECT_EQ(s.values[0], "");
    EXPECT_EQ(s.keys[1], "bare line");
    EXPECT_EQ(ini.GetValue("S", "bare line", "d"), "");
}

TEST(IniTextTest, EmptyTextAndNoLineEnd)
{
    EXPECT_EQ(Get("", "", "k"), "<default>");
    EXPECT_EQ(Get("\r\n\n\r", "", "k"), "<default>");
    EXPECT_EQ(Get("[S]\nk=last", "S", "k"), "last");
    // A second text replaces the first.
    CIniEx ini;
    ini.Parse("[S]\nk=1\n");
    ini.Parse("[T]\nj=2\n");
    EXPECT_EQ(ini.GetValue("S", "k", "d"), "d");
    EXPECT_EQ(ini.GetValue("T", "j", "d"), "2");
}

TEST(IniTextTest, MalformedInput)
{
    // A very long line.
    const std::string big(1 << 20, 'v');
    EXPECT_EQ(Get("[S]\nk=" + big + "\n", "S", "k"), big);
    // The text ends at a NUL byte.
    EXPECT_EQ(Get(std::string("[S]\nk=1\0\nk=2\n", 13), "S", "k"), "1");
    // Invalid UTF-8 is read as Latin-1; valid UTF-8 stays; a byte-order mark goes.
    EXPECT_EQ(Get("[S]\nk=Gr\xFC\xDF\n", "S", "k"), "Gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(Get("[S]\nk=Gr\xC3\xBC\xC3\x9F\n", "S", "k"), "Gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(Get("\xEF\xBB\xBF[S]\nk=v\n", "S", "k"), "v");
    // Truncated and overlong sequences, surrogates: not UTF-8.
    EXPECT_EQ(DecodeUtf8OrLatin1("\xC3"), "\xC3\x83");
    EXPECT_EQ(DecodeUtf8OrLatin1("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(DecodeUtf8OrLatin1("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
    // Brackets and "=" alone do not upset the reader.
    EXPECT_EQ(Get("[\n]\n=\n[\n=v\n", "", ""), "v");
}

} // namespace
} // namespace velmora
