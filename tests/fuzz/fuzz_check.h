#pragma once
// A property check for fuzz targets: on failure it prints what was expected and aborts, so that
// libFuzzer saves the input that broke it.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : fuzz_check::Fail(#condition, __FILE__, __LINE__, {}))
#define FUZZ_CHECK_MSG(condition, text) \
    ((condition) ? (void)0 : fuzz_check::Fail(#condition, __FILE__, __LINE__, (text)))

namespace fuzz_check {

[[noreturn]] inline void Fail(const char* what, const char* file, int line, std::string_view text) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    if (!text.empty()) {
        std::fprintf(stderr, "  value: \"");
        for (unsigned char c : text) {
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
                std::fputc(c, stderr);
            else
                std::fprintf(stderr, "\\x%02X", c);
        }
        std::fprintf(stderr, "\"\n");
    }
    std::abort();
}

}  // namespace fuzz_check
