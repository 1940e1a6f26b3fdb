#include "fetch/output_name.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(OutputNameTest, WorkedExample) {
    EXPECT_STREQ("shop_example_com_a_b_html_x=1_top.txt",
                 OutputFileName("http://shop.example.com/a/b.html?x=1#top"));
}

// The archive's name is made from the URL as the text's is, not from the text's name: a ".txt"
// inside the URL stays as it is.
TEST(OutputNameTest, ArchiveTakesItsOwnExtension) {
    EXPECT_STREQ("a_com_page_txt.mht", OutputFileName("http://a.com/page.txt", ".mht"));
    EXPECT_STREQ("con_.mht", OutputFileName("CON", ".mht"));
}

TEST(OutputNameTest, ReplacementsInOrder) {
    EXPECT_STREQ("news_example_com_.txt", OutputFileName("http://news.example.com/"));
    EXPECT_STREQ("shop_example_com_today.txt", OutputFileName("shop.example.com/today"));
    EXPECT_STREQ("a_example_com__go=b_example_com_x_html.txt",
                 OutputFileName("http://a.example.com/?go=http://b.example.com/x.html"));
    EXPECT_STREQ(".txt", OutputFileName(""));
    EXPECT_STREQ(OutputFileName("http://A.com/X"), OutputFileName("http://a.com/x"));
    EXPECT_STREQ("a=1&b=%20c d.txt", OutputFileName("a=1&b=%20c d"));
}

TEST(OutputNameTest, CharactersWindowsForbidsBecomeUnderscores) {
    EXPECT_STREQ("example_com_8080_index_htm.txt",
                 OutputFileName("HTTP://Example.COM:8080/Index.HTM"));
    EXPECT_STREQ("https___a_example_org_p.txt", OutputFileName("https://a.example.org/p"));
    EXPECT_STREQ("a_b_c_d_e_f_g_h.txt", OutputFileName("a*b\"c<d>e|f\\g:h"));
    EXPECT_STREQ("tab_nl_.txt", OutputFileName("tab\tnl\x01"));
}

TEST(OutputNameTest, DoubleByteCharactersPassUnchanged) {
    // Trail bytes 0x5C ("\"), 0x7C ("|") and 0x41 ("A") belong to their characters.
    EXPECT_EQ(std::string("\xCE\x5C_\x81\x7C_\x81\x41.txt"),
              OutputFileName("\xCE\x5C\\\x81\x7C|\x81\x41").str());
    EXPECT_STREQ("例子_cn_页面.txt", OutputFileName("http://例子.cn/页面"));
}

TEST(OutputNameTest, DeviceNamesAreAvoided) {
    const struct {
        const char* url;
        const char* name;
    } cases[] = {
        {"CON", "con_.txt"},        {"http://nul", "nul_.txt"}, {"com1", "com1_.txt"},
        {"LPT9", "lpt9_.txt"},      {"com0", "com0.txt"},       {"console", "console.txt"},
        {"con.txt", "con_txt.txt"},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.name, OutputFileName(c.url)) << c.url;
}

TEST(OutputNameTest, BytesThatStartNoCharacterCannotSwallowASeparator) {
    // UTF-8 "中" (E4 B8 AD) read as GBK: E4 B8 is a character, AD is a lead byte without a
    // trail byte, and must not take the "/" or ":" or the "." of the extension with it.
    EXPECT_EQ(std::string("a_com_\xE4\xB8__x_y.txt"),
              OutputFileName("http://a.com/\xE4\xB8\xAD/x?y").str());
    EXPECT_EQ(std::string("a_\xE4\xB8__s.txt"), OutputFileName("a/\xE4\xB8\xAD:s").str());
    EXPECT_EQ(std::string("x_.txt"), OutputFileName("x\xD6").str());
    EXPECT_EQ(std::string("a_b.txt"), OutputFileName("a\xFF"
                                                     "b")
                                          .str());  // no character at all
    // Whatever the bytes, no separator nor forbidden character is left.
    for (int lead = 0x80; lead < 0x100; ++lead)
        for (const char* tail : {"/", "\\", ":", "*", "?", "\"", "<", ">", "|", "."}) {
            std::string name =
                OutputFileName(std::string(1, static_cast<char>(lead)) + tail + "z").str();
            for (size_t i = 0; i + 4 < name.size(); ++i) {
                unsigned char c = static_cast<unsigned char>(name[i]);
                if (c >= 0x81 && c <= 0xFE && i + 5 < name.size()) {
                    ++i;  // a whole character: its trail byte is part of it
                    continue;
                }
                EXPECT_EQ(nullptr, std::strchr("/\\:*?\"<>|.", c)) << lead << tail;
            }
        }
}
