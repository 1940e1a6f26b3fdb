#include "urls/url_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gbk_encoder.h"
#include "temp_file.h"
#include "urls/url_table.h"

namespace {

struct Imported {
    UrlListResult result;
    std::vector<char> table = std::vector<char>(kUrlTableBytes, 0);
    const char* slot(int i) const { return table.data() + static_cast<size_t>(i) * kUrlSlotSize; }
};

Imported Import(const std::string& content, std::vector<char> table = {}) {
    Imported out;
    if (!table.empty()) out.table = std::move(table);
    TempFile file(content);
    CStdioFile reader;
    EXPECT_TRUE(reader.Open(file.path().c_str()));
    out.result = ReadUrlList(reader, out.table.data(), EncodeGbkChar);
    return out;
}

bool RestIsZero(const Imported& imported, int from) {
    for (size_t i = static_cast<size_t>(from) * kUrlSlotSize; i < kUrlTableBytes; ++i)
        if (imported.table[i] != 0) return false;
    return true;
}

}  // namespace

TEST(UrlListTest, SkipsBlankLinesAndKeepsLeadingBlanks) {
    Imported list = Import("a\n\n   \nb\n  x  \t\n");
    EXPECT_EQ(3, list.result.count);
    EXPECT_STREQ("a", list.slot(0));
    EXPECT_STREQ("b", list.slot(1));
    EXPECT_STREQ("  x", list.slot(2));
    EXPECT_TRUE(RestIsZero(list, 3));
    EXPECT_FALSE(list.result.truncated);
}

TEST(UrlListTest, HandlesLineEnds) {
    Imported list = Import("http://a/1\r\nhttp://a/2\r\nhttp://a/3");
    ASSERT_EQ(3, list.result.count);
    EXPECT_STREQ("http://a/1", list.slot(0));
    EXPECT_STREQ("http://a/2", list.slot(1));
    EXPECT_STREQ("http://a/3", list.slot(2));  // last line without a line end
}

TEST(UrlListTest, LongLinesTakeAnEmptySlot) {
    std::string exactly200(200, 'x'), over200(201, 'y');
    Imported list = Import(exactly200 + "\n" + over200 + "\nz\n" + std::string(5000, 'w') + "\n");
    ASSERT_EQ(4, list.result.count);
    EXPECT_EQ(exactly200, list.slot(0));
    EXPECT_STREQ("", list.slot(1));
    EXPECT_STREQ("z", list.slot(2));
    EXPECT_STREQ("", list.slot(3));
    // 200 bytes followed by trailing blanks are trimmed first, then fit.
    Imported padded = Import(exactly200 + "      \n");
    EXPECT_EQ(exactly200, padded.slot(0));
}

TEST(UrlListTest, EmptyFileAndByteOrderMark) {
    EXPECT_EQ(0, Import("").result.count);
    Imported bom = Import("\xEF\xBB\xBFhttp://a/\nhttp://b/\n");
    ASSERT_EQ(2, bom.result.count);
    EXPECT_STREQ("http://a/", bom.slot(0));
    // Only at the very start: elsewhere it is a character of the line, which GBK lacks.
    Imported inner = Import(
        "a\n\xEF\xBB\xBF"
        "b\n");
    EXPECT_STREQ("%EF%BB%BFb", inner.slot(1));
    // A BOM alone on the first line leaves an empty line, which is skipped.
    EXPECT_EQ(1, Import("\xEF\xBB\xBF\nx\n").result.count);
}

TEST(UrlListTest, DoubleByteTextIsStoredAsRead) {
    Imported list = Import("http://例子.cn/页面 \n");
    EXPECT_STREQ("http://例子.cn/页面", list.slot(0));
}

TEST(UrlListTest, StopsAtTheTableSize) {
    std::string content;
    for (int i = 0; i < kUrlSlots + 1; ++i) content += "http://h/" + std::to_string(i) + "\n";
    Imported list = Import(content);
    EXPECT_EQ(kUrlSlots, list.result.count);
    EXPECT_TRUE(list.result.truncated);
    EXPECT_STREQ("http://h/19999", list.slot(kUrlSlots - 1));
    // Exactly full is not truncated, and blank lines after the last URL do not count.
    content.resize(content.rfind("http://h/20000"));
    Imported full = Import(content + "\n   \n");
    EXPECT_EQ(kUrlSlots, full.result.count);
    EXPECT_FALSE(full.result.truncated);
}

TEST(UrlListTest, ReadsEveryLineOfABigFile) {
    // A 1 MB line is read in pieces and dropped.
    Imported list = Import(std::string(1 << 20, 'q') + "\nlast\n");
    ASSERT_EQ(2, list.result.count);
    EXPECT_STREQ("last", list.slot(1));
}

// The same URLs as a GBK list and as UTF-8 lists, with and without the byte-order mark.
namespace {
const char kGbkList[] =
    "http://h/中文/页面.html?q=搜索\n"
    "http://h/%E4%B8%AD.html\n"
    "http://h/a b.html  \r\n";
const char kUtf8List[] =
    u8"http://h/中文/页面.html?q=搜索\n"
    u8"http://h/%E4%B8%AD.html\n"
    u8"http://h/a b.html  \r\n";
}  // namespace

TEST(UrlListTest, Utf8ListsFillTheTableAsTheGbkListDoes) {
    Imported gbk = Import(kGbkList);
    Imported utf8 = Import(kUtf8List);
    Imported bom = Import(std::string("\xEF\xBB\xBF") + kUtf8List);
    EXPECT_EQ(ListEncoding::Ansi, gbk.result.encoding);
    EXPECT_EQ(ListEncoding::Utf8, utf8.result.encoding);
    EXPECT_EQ(ListEncoding::Utf8, bom.result.encoding);
    ASSERT_EQ(3, gbk.result.count);
    EXPECT_STREQ("http://h/中文/页面.html?q=搜索", gbk.slot(0));
    EXPECT_STREQ("http://h/a b.html", gbk.slot(2));
    EXPECT_TRUE(gbk.table == utf8.table);
    EXPECT_TRUE(gbk.table == bom.table);
    EXPECT_EQ(3, utf8.result.count);
    EXPECT_EQ(3, bom.result.count);
}

TEST(UrlListTest, Utf8CharactersGbkLacksArePercentEncoded) {
    Imported list = Import("http://h/\xE0\xB8\x81/\xF0\x9F\x98\x80?\xC3\xA9=\xE4\xB8\xAD\n");
    EXPECT_STREQ("http://h/%E0%B8%81/%F0%9F%98%80?é=中", list.slot(0));
    // A BOM-marked list with a malformed byte: the byte reads as U+FFFD, as a browser decodes it.
    Imported malformed = Import("\xEF\xBB\xBFhttp://h/\xFFx\n");
    EXPECT_STREQ("http://h/%EF%BF%BDx", malformed.slot(0));
}

TEST(UrlListTest, AMixedFileIsReadInTheCodePage) {
    // One UTF-8 line and one GBK line: not UTF-8 throughout, so every byte stays as it is.
    std::string mixed = std::string(u8"http://h/中\n") + "http://h/中\n";
    Imported list = Import(mixed);
    EXPECT_EQ(ListEncoding::Ansi, list.result.encoding);
    EXPECT_EQ(std::string(u8"http://h/中"), list.slot(0));
    EXPECT_STREQ("http://h/中", list.slot(1));
}

TEST(UrlListTest, TheSlotLimitAppliesToTheConvertedLine) {
    // 90 Chinese characters: 279 bytes of UTF-8 but 189 of GBK, so the line fits.
    std::string chinese;
    for (int i = 0; i < 90; ++i) chinese += u8"中";
    Imported fits = Import("http://h/" + chinese + "\n");
    EXPECT_EQ(189u, std::strlen(fits.slot(0)));
    // 17 emoji: 75 bytes of UTF-8, 211 once percent-encoded: an empty entry.
    std::string emoji;
    for (int i = 0; i < 17; ++i) emoji += "\xF0\x9F\x98\x80";
    Imported over = Import("http://" + emoji + "\nnext\n");
    ASSERT_EQ(2, over.result.count);
    EXPECT_STREQ("", over.slot(0));
    EXPECT_STREQ("next", over.slot(1));
}
