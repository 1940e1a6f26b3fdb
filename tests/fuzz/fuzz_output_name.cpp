// Output names of any URL bytes, GBK or not: read as the system will read them (a lead byte and
// a valid trail byte make one character, any other byte stands alone), no path separator and
// no character Windows refuses in a name may remain.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fetch/output_name.h"
#include "fuzz_check.h"

namespace {

bool IsGbkLead(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}
bool IsGbkTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}
bool IsRefusedInName(unsigned char c) {
    return c < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string url(reinterpret_cast<const char*>(data), size);
    std::string name = OutputFileName(CString(url)).str();

    FUZZ_CHECK_MSG(name.size() >= 4 && name.compare(name.size() - 4, 4, ".txt") == 0, name);
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsGbkLead(c) && i + 1 < name.size() &&
            IsGbkTrail(static_cast<unsigned char>(name[i + 1]))) {
            ++i;
            continue;
        }
        FUZZ_CHECK_MSG(!IsRefusedInName(c), name);
    }
    // Nothing but the characters replaced changes: the name is never longer than the URL
    // lower-cased, plus the suffixes.
    FUZZ_CHECK(name.size() <= url.size() + std::strlen("_.txt"));
    return 0;
}
