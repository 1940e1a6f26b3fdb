#include "fetch/page_text.h"

#include <gtest/gtest.h>

#include <string>

#include "afx/cstring.h"

namespace {

// The text made in two steps, as pages were saved before: line ends first, then every "(at)"
// replaced where a character begins. The one pass must give the same bytes.
std::string InTwoSteps(const std::string& body) {
    std::string crlf;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\r')) crlf += '\r';
        crlf += body[i];
    }
    CString text(crlf);
    text.Replace("(at)", "@");
    return text.str();
}

void ExpectPageText(const std::string& body, const std::string& expected) {
    EXPECT_EQ(expected, PageText(body)) << body;
    EXPECT_EQ(expected.size(), PageTextSize(body)) << body;
    EXPECT_EQ(InTwoSteps(body), expected) << body;
}

TEST(PageTextTest, EveryLineFeedBecomesCrLf) {
    ExpectPageText("a\nb\n", "a\r\nb\r\n");
    ExpectPageText("a\r\nb\r\n", "a\r\nb\r\n");
    ExpectPageText("a\nb", "a\r\nb");
    ExpectPageText("\n\n", "\r\n\r\n");
    ExpectPageText("\r\r\n\n\r", "\r\r\n\r\n\r");
    ExpectPageText("", "");
}

TEST(PageTextTest, OtherBytesAreKept) {
    ExpectPageText(std::string("a\0b\nc", 5), std::string("a\0b\r\nc", 6));
    ExpectPageText("a\rb", "a\rb");
    ExpectPageText(std::string(10000, 'x'), std::string(10000, 'x'));
}

TEST(PageTextTest, OnlyTheExactLowerCaseAddressWordBecomesAnAtSign) {
    ExpectPageText("a(at)b\n(AT)\n( at )\n((at))\n(at)(at)\n(at",
                   "a@b\r\n(AT)\r\n( at )\r\n(@)\r\n@@\r\n(at");
    ExpectPageText("(a(at)t)", "(a@t)");
    ExpectPageText("(at\n)(at)", "(at\r\n)@");
}

// A GBK lead byte takes the next byte as its trail, also a "(" or an LF; a CR the text gains
// in front of an LF is what the lead byte takes then.
TEST(PageTextTest, AnAddressWordCountsOnlyWhereACharacterBegins) {
    ExpectPageText("\xD6\xD0(at)", "\xD6\xD0@");  // after a whole character
    ExpectPageText("\x81(at)", "\x81(at)");       // "(" is the trail of 0x81
    ExpectPageText("\x81\x81(at)", "\x81\x81@");  // 0x81 0x81 is one character
    ExpectPageText("\x81\n(at)", "\x81\r\n@");    // the CR is the trail, the LF stands alone
    ExpectPageText("a\x81", "a\x81");             // a lead byte at the end counts alone
}

}  // namespace
