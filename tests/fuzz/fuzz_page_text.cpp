// The page text of any body, GBK or not: made in one pass, it must be the bytes the two steps
// it replaces gave (every LF as CR LF, then every "(at)" that begins a character replaced by
// "@" through the string class), and exactly the size counted ahead.

#include <cstddef>
#include <cstdint>
#include <string>

#include "afx/cstring.h"
#include "fetch/page_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    std::string crlf;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n' && (i == 0 || body[i - 1] != '\r')) crlf += '\r';
        crlf += body[i];
    }
    CString twoSteps(crlf);
    twoSteps.Replace("(at)", "@");

    const std::string text = PageText(body);
    FUZZ_CHECK_MSG(text == twoSteps.str(), body);
    FUZZ_CHECK_MSG(PageTextSize(body) == text.size(), body);
    return 0;
}
