// The web-platform-tests URL data (tests/data/wpt/urltestdata.json): every entry whose input or
// base is an http(s) URL, run through the parser and compared with what browsers give.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "urls/url_parser.h"

#ifndef WPT_DATA_DIR
#error "WPT_DATA_DIR must name tests/data/wpt"
#endif

namespace {

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

    Tally valid, invalid;
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
        hooks.toAscii = [&](const std::string&, std::string&) {
            idnaAsked = true;  // needs the platform's IDNA; run under Wine
            return false;
        };
        url::Url base;
        const url::Url* basePtr = nullptr;
        if (hasBase) {
            if (!url::Parse(baseText, nullptr, base, hooks)) continue;  // non-http(s) base
            basePtr = &base;
        }
        url::Url out;
        const bool ok = url::Parse(input, basePtr, out, hooks);
        Tally& tally = failure ? invalid : valid;
        if (idnaAsked) {
            ++tally.skipped;
            ++needsIdna;
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
        if (ok && out.Href() == want) {
            ++tally.passed;
        } else {
            tally.failures.push_back(label + " gave " + (ok ? out.Href() : "failure") + ", want " +
                                     want);
        }
    }
    std::ostringstream report;
    report << "valid: " << valid.passed << "/" << valid.run << " (" << valid.skipped
           << " skipped), rejected: " << invalid.passed << "/" << invalid.run << " ("
           << invalid.skipped << " skipped), IDNA needed by " << needsIdna;
    std::cout << report.str() << "\n";
    for (const std::string& f : valid.failures) ADD_FAILURE() << f;
    for (const std::string& f : invalid.failures) ADD_FAILURE() << f;
}

}  // namespace
