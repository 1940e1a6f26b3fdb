#include "mht/mail_date.h"
#include "mht/mime_encode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/unit/mht_test_decoders.h"

using mht_test::DecodeBase64;
using mht_test::DecodeQuotedPrintable;
using mht_test::SplitLines;

namespace {

size_t LongestLine(const std::string& text) {
    size_t longest = 0;
    for (const std::string& line : SplitLines(text)) longest = std::max(longest, line.size());
    return longest;
}

std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

}  // namespace

TEST(QuotedPrintableTest, EncodesWhatMustBeEncoded) {
    EXPECT_EQ("a=3Db", mht::EncodeQuotedPrintable("a=b"));
    EXPECT_EQ("caf=C3=A9 =00", mht::EncodeQuotedPrintable(std::string("caf\xC3\xA9 \0", 7)));
    EXPECT_EQ("end=20\r\nx=09\r\ny =20", mht::EncodeQuotedPrintable("end \r\nx\t\r\ny  "));
    EXPECT_EQ("a\r\n\r\nb\r\n", mht::EncodeQuotedPrintable("a\r\n\r\nb\r\n"));
    // Lone CR and LF are data, and the source's lines stay visible after a =0A.
    EXPECT_EQ("a=0A=\r\nb=0Dc=0A", mht::EncodeQuotedPrintable("a\nb\rc\n"));
}

TEST(QuotedPrintableTest, BreaksLongLinesSoftlyWithinSeventySix) {
    std::string line(200, 'x');
    std::string encoded = mht::EncodeQuotedPrintable(line);
    EXPECT_EQ(76u, LongestLine(encoded));
    EXPECT_EQ(std::string(75, 'x') + "=", SplitLines(encoded)[0]);
    // A line of exactly 76 needs no break; an escape is never split.
    EXPECT_EQ(std::string(76, 'y'), mht::EncodeQuotedPrintable(std::string(76, 'y')));
    std::string escapes = mht::EncodeQuotedPrintable(std::string(100, '='));
    for (const std::string& l : SplitLines(escapes)) {
        EXPECT_LE(l.size(), 76u);
        EXPECT_EQ(0u, (l.back() == '=' ? l.size() - 1 : l.size()) % 3) << l;
    }
    // Trailing blanks at a soft break's column still round-trip.
    std::string blanks = std::string(74, 'z') + "   \r\n" + std::string(80, ' ');
    EXPECT_EQ(blanks, DecodeQuotedPrintable(mht::EncodeQuotedPrintable(blanks)));
}

TEST(QuotedPrintableTest, RoundTripsEveryByteWithShortLines) {
    std::string data;
    for (int i = 0; i < 20; ++i) data += AllBytes() + "line\r\n" + std::string(i * 7, ' ') + "\n";
    std::string encoded = mht::EncodeQuotedPrintable(data);
    EXPECT_EQ(data, DecodeQuotedPrintable(encoded));
    EXPECT_LE(LongestLine(encoded), 76u);
    for (const std::string& l : SplitLines(encoded)) {
        ASSERT_TRUE(l.empty() || (l.back() != ' ' && l.back() != '\t')) << l;
        for (char c : l) ASSERT_TRUE((c >= 0x21 && c <= 0x7E) || c == ' ' || c == '\t');
    }
}

TEST(Base64Test, WritesLinesOfSeventySixAndRoundTrips) {
    EXPECT_EQ("", mht::EncodeBase64(""));
    EXPECT_EQ("TQ==", mht::EncodeBase64("M"));
    EXPECT_EQ("TWE=", mht::EncodeBase64("Ma"));
    EXPECT_EQ("TWFu", mht::EncodeBase64("Man"));
    std::string data;
    for (int i = 0; i < 10; ++i) data += AllBytes();
    std::string encoded = mht::EncodeBase64(data);
    std::vector<std::string> lines = SplitLines(encoded);
    for (size_t i = 0; i + 1 < lines.size(); ++i) ASSERT_EQ(76u, lines[i].size());
    EXPECT_EQ((data.size() + 2) / 3 * 4 % 76, lines.back().size());
    EXPECT_EQ(data, DecodeBase64(encoded));
    EXPECT_EQ(std::string(57, 'q'), DecodeBase64(mht::EncodeBase64(std::string(57, 'q'))));
    EXPECT_EQ(std::string::npos, mht::EncodeBase64(std::string(57, 'q')).find('\n'));
}

// Large bodies are encoded in pieces to a sink: the pieces join to the whole text, whose
// length the writer announces beforehand, for either encoding and any body.
TEST(BodyEncodingTest, PiecesJoinToTheWholeTextOfTheAnnouncedLength) {
    std::string big;
    while (big.size() < 300000) big += AllBytes() + "\r\n=\n " + std::string(big.size() % 97, 'x');
    for (const std::string& data : {std::string(), std::string("a"), std::string(57, 'q'),
                                    std::string(58, '\xd6'), AllBytes(), big}) {
        std::string qp, b64;
        size_t pieces = 0;
        mht::EncodeQuotedPrintable(data, [&](std::string_view p) {
            qp.append(p);
            ++pieces;
        });
        mht::EncodeBase64(data, [&](std::string_view p) { b64.append(p); });
        EXPECT_EQ(mht::EncodeQuotedPrintable(data), qp);
        EXPECT_EQ(mht::EncodeBase64(data), b64);
        EXPECT_EQ(qp.size(), mht::QuotedPrintableLength(data));
        EXPECT_EQ(b64.size(), mht::Base64Length(data.size()));
        if (data.size() == big.size()) {
            EXPECT_GT(pieces, 2u);
        }
    }
}

TEST(HeaderWordsTest, LeavesSafeAsciiAndEncodesTheRest) {
    EXPECT_TRUE(mht::IsHeaderSafeAscii("Plain title (1)"));
    EXPECT_FALSE(mht::IsHeaderSafeAscii("looks =?like?= a word"));
    EXPECT_FALSE(mht::IsHeaderSafeAscii("tab\there"));
    EXPECT_EQ("Plain title", mht::EncodeHeaderText("Plain title", "utf-8"));
    EXPECT_EQ("=?utf-8?Q?Caf=C3=A9_au_lait?=",
              mht::EncodeHeaderText("Caf\xC3\xA9 au lait", "utf-8"));
    EXPECT_EQ("=?gbk?B?1tDOxA==?=", mht::EncodeHeaderText("\xD6\xD0\xCE\xC4", "gbk"));
}

TEST(HeaderWordsTest, SplitsLongTextIntoWordsOfWholeCharacters) {
    std::string gbk;
    for (int i = 0; i < 60; ++i) gbk += "\xD6\xD0";
    std::string utf8;
    for (int i = 0; i < 60; ++i) utf8 += "\xE4\xB8\xAD";
    struct Case {
        std::string text, charset;
        char encoding;
        size_t charBytes;
    } cases[] = {{gbk, "gbk", 'B', 2},
                 {gbk, "gbk", 'Q', 2},
                 {utf8, "utf-8", 'B', 3},
                 {utf8, "utf-8", 'Q', 3}};
    for (const Case& c : cases) {
        std::string header = "Subject: " + mht::EncodeHeaderWords(c.text, c.charset, c.encoding, 9);
        std::vector<std::string> lines = SplitLines(header);
        EXPECT_GT(lines.size(), 2u);
        std::string joined;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            size_t word = line.find("=?");
            EXPECT_LE(line.size(), 76u) << line;
            EXPECT_LE(line.size() - word, 75u) << line;
            EXPECT_TRUE(i == 0 || line[0] == ' ');
            size_t start = word + c.charset.size() + 5;  // past "=?charset?X?"
            std::string payload = line.substr(start, line.size() - 2 - start);
            std::string bytes =
                c.encoding == 'B' ? DecodeBase64(payload) : DecodeQuotedPrintable(payload);
            EXPECT_EQ(0u, bytes.size() % c.charBytes) << "a character was split";
            joined += bytes;
        }
        EXPECT_EQ(c.text, joined);
    }
}

TEST(MailDateTest, FormatsWithTheRightWeekday) {
    EXPECT_EQ("Mon, 07 Dec 2026 22:04:45 GMT", mht::FormatMailDate(2026, 12, 7, 22, 4, 45));
    EXPECT_EQ("Thu, 01 Jan 1970 00:00:00 GMT", mht::FormatMailDate(1970, 1, 1, 0, 0, 0));
    EXPECT_EQ("Tue, 29 Feb 2000 12:00:00 GMT", mht::FormatMailDate(2000, 2, 29, 12, 0, 0));
}
