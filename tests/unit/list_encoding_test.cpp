#include "urls/list_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "gbk_encoder.h"
#include "urls/utf8_to_ansi.h"

namespace {

ListEncoding Detect(const std::string& bytes) {
    ListEncodingDetector whole;
    whole.Feed(bytes.data(), bytes.size());
    // The decision must not depend on how the file is cut into pieces.
    ListEncodingDetector byteByByte;
    for (char c : bytes) byteByByte.Feed(&c, 1);
    EXPECT_EQ(whole.Result(), byteByByte.Result()) << bytes;
    EXPECT_EQ(whole.StartsWithByteOrderMark(), byteByByte.StartsWithByteOrderMark());
    return whole.Result();
}

}  // namespace

TEST(ListEncodingTest, DecidesBetweenUtf8AndTheCodePage) {
    EXPECT_EQ(ListEncoding::Utf8, Detect(u8"http://a/中文\n"));
    EXPECT_EQ(ListEncoding::Utf8, Detect("\xEF\xBB\xBFhttp://a/\n"));
    // The mark decides even when malformed bytes follow.
    EXPECT_EQ(ListEncoding::Utf8, Detect("\xEF\xBB\xBF\xD6\xD0"));
    EXPECT_EQ(ListEncoding::Ansi, Detect("http://a/中文\n"));  // GBK
    EXPECT_EQ(ListEncoding::Ansi, Detect("http://a/b\n"));     // ASCII: either reads the same
    EXPECT_EQ(ListEncoding::Ansi, Detect(""));
    EXPECT_EQ(ListEncoding::Ansi, Detect(std::string(u8"http://a/中\n") + "http://a/中\n"));
}

TEST(ListEncodingTest, OnlyWellFormedUtf8Counts) {
    // "联通" in GBK has the shape of UTF-8, but C1 could only start an overlong form.
    EXPECT_EQ(ListEncoding::Ansi, Detect("\xC1\xAA\xCD\xA8"));
    EXPECT_EQ(ListEncoding::Ansi, Detect("\xE0\x80\x80"));                    // overlong
    EXPECT_EQ(ListEncoding::Ansi, Detect("\xED\xA0\x80"));                    // surrogate
    EXPECT_EQ(ListEncoding::Ansi, Detect("\xF4\x90\x80\x80"));                // above U+10FFFF
    EXPECT_EQ(ListEncoding::Ansi, Detect(u8"中" + std::string("\xE4\xB8")));  // cut at the end
    EXPECT_EQ(ListEncoding::Ansi, Detect("\xEF\xBB"));                        // half a mark
    EXPECT_EQ(ListEncoding::Utf8, Detect("\xF4\x8F\xBF\xBF\xC3\xA9"));
}

TEST(ListEncodingTest, ShortGbkTextThatIsAlsoUtf8) {
    // "小学" in GBK (D0 A1 D1 A7) is well-formed UTF-8 too ("Сѧ"): it is taken as UTF-8, as
    // Notepad takes it. The URL's ASCII is never drawn into a character, so its structure and
    // the file name stay intact; a character GBK lacks goes out as its original GBK bytes.
    std::string gbk = "http://h/\xD0\xA1\xD1\xA7/x?y";
    EXPECT_EQ(ListEncoding::Utf8, Detect(gbk));
    std::string ansi = Utf8ToAnsi(gbk, EncodeGbkChar);
    EXPECT_EQ(0u, ansi.find("http://h/"));
    EXPECT_NE(std::string::npos, ansi.find("%D1%A7/x?y"));
}

TEST(Utf8ToAnsiTest, ConvertsOrPercentEncodesEachCharacter) {
    EXPECT_EQ("http://a/%41 b?x=1", Utf8ToAnsi("http://a/%41 b?x=1", EncodeGbkChar));
    EXPECT_EQ("中文", Utf8ToAnsi(u8"中文", EncodeGbkChar));
    EXPECT_EQ("%E0%B8%81%F0%9F%98%80%C2%80",
              Utf8ToAnsi("\xE0\xB8\x81\xF0\x9F\x98\x80\xC2\x80", EncodeGbkChar));
    // Without a code page every non-ASCII character is percent-encoded.
    EXPECT_EQ("%E4%B8%AD", Utf8ToAnsi(u8"中", nullptr));
    // Malformed bytes read as U+FFFD, one per maximal broken sequence.
    EXPECT_EQ("%EF%BF%BDa", Utf8ToAnsi("\xFF"
                                       "a",
                                       nullptr));
    EXPECT_EQ("%EF%BF%BD/", Utf8ToAnsi("\xE4\xB8/", nullptr));
    EXPECT_EQ("%EF%BF%BD%EF%BF%BD", Utf8ToAnsi("\xC0\x80", nullptr));
    EXPECT_EQ("%EF%BF%BD", Utf8ToAnsi("\xF0\x9F\x98", nullptr));
}
