#include "urls/url_list.h"

#include <gtest/gtest.h>

#include <vector>

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
    out.result = ReadUrlList(reader, out.table.data());
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
    // Only at the very start: elsewhere the bytes are part of the line.
    Imported inner = Import(
        "a\n\xEF\xBB\xBF"
        "b\n");
    EXPECT_STREQ(
        "\xEF\xBB\xBF"
        "b",
        inner.slot(1));
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
    // The reader is line based and unbounded: a 1 MB line is read whole and then dropped.
    Imported list = Import(std::string(1 << 20, 'q') + "\nlast\n");
    ASSERT_EQ(2, list.result.count);
    EXPECT_STREQ("last", list.slot(1));
}
