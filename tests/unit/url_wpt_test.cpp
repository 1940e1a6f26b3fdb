// The web-platform-tests URL data (tests/data/wpt/urltestdata.json): every entry whose input or
// base is an http(s) URL, run through the parser and compared with what browsers give.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "url/url_parser.h"

#ifdef _WIN32
#include "cdo/windows_codec.h"
#endif

#ifndef WPT_DATA_DIR
#error "WPT_DATA_DIR must name tests/data/wpt"
#endif

namespace {

#ifdef _WIN32
// The platform's IDNA conversion, the one the program uses.
constexpr bool kHaveIdna = true;
bool ToAscii(const std::string& host, std::string& ascii) {
    static const cdo::CWindowsCodec codec;
    return codec.HostToAscii(host, ascii);
}
#else
constexpr bool kHaveIdna = false;
bool ToAscii(const std::string&, std::string&) {
    return false;
}
#endif

bool IsFetchedScheme(const std::string& s) {
    auto starts = [&](const char* p) {
        std::string prefix(p);
        if (s.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
        }
        return true;
    };
    return starts("http:") || starts("https:");
}

struct Tally {
    int run = 0, passed = 0, skipped = 0;
    std::vector<std::string> failures;
};

TEST(UrlWpt, HttpEntriesParseAsBrowsersDo) {
    std::ifstream file(WPT_DATA_DIR "/urltestdata.json", std::ios::binary);
    ASSERT_TRUE(file) << "missing " WPT_DATA_DIR "/urltestdata.json";
    nlohmann::json data = nlohmann::json::parse(file);

    Tally valid, invalid, idnaValid, idnaInvalid;
    int needsIdna = 0;
    for (const auto& entry : data) {
        if (!entry.is_object()) continue;  // comments
        const std::string input = entry["input"];
        const bool hasBase = entry.contains("base") && entry["base"].is_string();
        const std::string baseText = hasBase ? entry["base"].get<std::string>() : "";
        const bool failure = entry.value("failure", false);
        // Only what concerns fetched pages: http(s) results, and inputs that browsers reject
        // while reading them as http(s) (an http(s) input, or a relative one against an http(s)
        // base).
        if (failure) {
            if (!IsFetchedScheme(input) && !(hasBase && IsFetchedScheme(baseText))) continue;
        } else if (!IsFetchedScheme(entry["href"].get<std::string>())) {
            continue;
        }

        bool idnaAsked = false;
        url::Hooks hooks;
        hooks.toAscii = [&](const std::string& host, std::string& ascii) {
            idnaAsked = true;
            return ToAscii(host, ascii);
        };
        url::Url base;
        const url::Url* basePtr = nullptr;
        if (hasBase) {
            if (!url::Parse(baseText, nullptr, base, hooks)) continue;  // non-http(s) base
            basePtr = &base;
        }
        url::Url out;
        const bool ok = url::Parse(input, basePtr, out, hooks);
        // Hosts that need IDNA count apart: natively they are skipped, under Windows the
        // platform's conversion (IDNA 2003 there, UTS 46 in browsers) decides them.
        Tally& tally = idnaAsked ? (failure ? idnaInvalid : idnaValid) : failure ? invalid : valid;
        if (idnaAsked) ++needsIdna;
        if (idnaAsked && !kHaveIdna) {
            ++tally.skipped;
            continue;
        }
        ++tally.run;
        const std::string label = "input <" + input + "> base <" + baseText + ">";
        if (failure) {
            if (!ok) {
                ++tally.passed;
            } else {
                tally.failures.push_back(label + " accepted as " + out.Href());
            }
            continue;
        }
        const std::string want = entry["href"];
        url::Url again;
        if (ok && out.Href() == want) {
            ++tally.passed;
            // The serialized form reads back as itself.
            if (!url::Parse(want, nullptr, again, hooks) || again.Href() != want) {
                tally.failures.push_back(label + ": " + want + " does not read back as itself");
            }
        } else {
            tally.failures.push_back(label + " gave " + (ok ? out.Href() : "failure") + ", want " +
                                     want);
        }
    }
    std::cout << "valid: " << valid.passed << "/" << valid.run << ", rejected: " << invalid.passed
              << "/" << invalid.run << "; with IDNA hosts (" << needsIdna << "): valid "
              << idnaValid.passed << "/" << idnaValid.run << ", rejected " << idnaInvalid.passed
              << "/" << idnaInvalid.run << ", skipped without IDNA "
              << idnaValid.skipped + idnaInvalid.skipped << "\n";
    for (const std::string& f : idnaValid.failures) std::cout << "IDNA: " << f << "\n";
    for (const std::string& f : idnaInvalid.failures) std::cout << "IDNA: " << f << "\n";
    for (const std::string& f : valid.failures) ADD_FAILURE() << f;
    for (const std::string& f : invalid.failures) ADD_FAILURE() << f;
}

}  // namespace
