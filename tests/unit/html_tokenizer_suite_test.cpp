// The html5lib tokenizer tests (tests/data/html5lib-tests/tokenizer): every test, in each of
// its initial states, through the tokenizer alone. The start and end tags must come out as the
// test lists them: names, attribute names and values, the self-closing flag. Text, comments and
// DOCTYPEs are not compared: the scan never reports them, and where they end is checked by the
// tags after them.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "mht/html_entities.h"
#include "mht/html_tokenizer.h"

#ifndef HTML5LIB_DATA_DIR
#error "HTML5LIB_DATA_DIR must name tests/data/html5lib-tests"
#endif

namespace {

// A tag as the tests write it: "<name a=1 b=2/>" or "</name>", attributes sorted by name.
class TagRecorder : public mht::HtmlTokenSink {
public:
    void OnStartTag(const mht::HtmlStartTag& tag) override {
        std::map<std::string, std::string> attributes;
        for (const mht::HtmlAttribute& a : tag.attributes) attributes.emplace(a.name, a.value);
        tags.push_back(StartTag(tag.name, attributes, tag.selfClosing));
    }
    void OnEndTag(std::string_view name, mht::HtmlNamespace) override {
        tags.push_back("</" + std::string(name) + ">");
    }

    static std::string StartTag(const std::string& name,
                                const std::map<std::string, std::string>& attributes,
                                bool selfClosing) {
        std::string s = "<" + name;
        for (const auto& [k, v] : attributes) s += " " + k + "=\"" + v + "\"";
        return s + (selfClosing ? "/>" : ">");
    }

    std::vector<std::string> tags;
};

// The code points of a doubleEscaped test's "\uXXXX" escapes; false when one is a lone
// surrogate, which no UTF-8 page holds.
bool Unescape(const std::string& in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in.compare(i, 2, "\\u") != 0 || i + 6 > in.size()) {
            out += in[i];
            continue;
        }
        unsigned long cp = std::stoul(in.substr(i + 2, 4), nullptr, 16);
        i += 5;
        if (cp >= 0xD800 && cp <= 0xDBFF && in.compare(i + 1, 2, "\\u") == 0) {
            unsigned long low = std::stoul(in.substr(i + 3, 4), nullptr, 16);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            return false;
        }
        mht::AppendUtf8(out, cp);
    }
    return true;
}

bool HasLoneSurrogate(const std::string& utf8) {
    // Python and JSON readers write a lone surrogate as ED A0..BF xx.
    for (size_t i = 0; i + 1 < utf8.size(); ++i) {
        if (static_cast<unsigned char>(utf8[i]) == 0xED &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0xA0) {
            return true;
        }
    }
    return false;
}

bool ParseState(const std::string& name, mht::HtmlTokenizerState& state) {
    static const std::map<std::string, mht::HtmlTokenizerState> kStates = {
        {"Data state", mht::HtmlTokenizerState::kData},
        {"PLAINTEXT state", mht::HtmlTokenizerState::kPlaintext},
        {"RCDATA state", mht::HtmlTokenizerState::kRcdata},
        {"RAWTEXT state", mht::HtmlTokenizerState::kRawtext},
        {"Script data state", mht::HtmlTokenizerState::kScriptData},
        {"CDATA section state", mht::HtmlTokenizerState::kCdataSection},
    };
    auto it = kStates.find(name);
    if (it == kStates.end()) return false;
    state = it->second;
    return true;
}

struct Tally {
    int run = 0, passed = 0, skipped = 0;
    std::vector<std::string> failures;
};

void RunFile(const std::string& file, Tally& tally) {
    std::ifstream in(HTML5LIB_DATA_DIR "/tokenizer/" + file, std::ios::binary);
    ASSERT_TRUE(in) << "missing " << file;
    nlohmann::json data = nlohmann::json::parse(in);
    const char* key = data.contains("tests") ? "tests" : "xmlViolationTests";
    for (const auto& test : data[key]) {
        const bool escaped = test.value("doubleEscaped", false);
        std::string input;
        bool usable = escaped ? Unescape(test["input"].get<std::string>(), input)
                              : (input = test["input"].get<std::string>(), true);
        usable = usable && !HasLoneSurrogate(input);
        std::vector<std::string> expected;
        for (const auto& token : test["output"]) {
            const std::string type = token[0];
            std::string name;
            if (type != "StartTag" && type != "EndTag") continue;
            usable = usable && (escaped ? Unescape(token[1].get<std::string>(), name)
                                        : (name = token[1].get<std::string>(), true));
            if (type == "EndTag") {
                expected.push_back("</" + name + ">");
                continue;
            }
            std::map<std::string, std::string> attributes;
            for (const auto& [k, v] : token[2].items()) {
                std::string key2, value;
                usable = usable && (escaped ? Unescape(k, key2) && Unescape(v, value)
                                            : (key2 = k, value = v.get<std::string>(), true));
                attributes.emplace(key2, value);
            }
            expected.push_back(
                TagRecorder::StartTag(name, attributes, token.size() > 3 && token[3].get<bool>()));
        }
        std::vector<std::string> states = {"Data state"};
        if (test.contains("initialStates")) states = test["initialStates"];
        for (const std::string& stateName : states) {
            mht::HtmlTokenizerState state;
            if (!usable || !ParseState(stateName, state)) {
                ++tally.skipped;
                continue;
            }
            TagRecorder recorder;
            mht::TokenizeHtmlTokens(input, state, test.value("lastStartTag", ""), recorder);
            ++tally.run;
            if (recorder.tags == expected) {
                ++tally.passed;
            } else {
                std::ostringstream why;
                why << file << ": " << test["description"].get<std::string>() << " [" << stateName
                    << "]\n  input: " << input << "\n  got:";
                for (const std::string& t : recorder.tags) why << " " << t;
                why << "\n  want:";
                for (const std::string& t : expected) why << " " << t;
                tally.failures.push_back(why.str());
            }
        }
    }
}

TEST(Html5libTokenizer, TagsAndAttributesMatchTheStandard) {
    // xmlViolation.test is left out: it gives what a parser that must produce XML yields,
    // which is not what a browser reads.
    const char* files[] = {"contentModelFlags.test",
                           "domjs.test",
                           "entities.test",
                           "escapeFlag.test",
                           "namedEntities.test",
                           "numericEntities.test",
                           "pendingSpecChanges.test",
                           "test1.test",
                           "test2.test",
                           "test3.test",
                           "test4.test",
                           "unicodeChars.test",
                           "unicodeCharsProblematic.test"};
    Tally tally;
    for (const char* file : files) RunFile(file, tally);
    std::printf("html5lib tokenizer tests: %d passed of %d run (%d skipped: lone surrogates)\n",
                tally.passed, tally.run, tally.skipped);
    for (size_t i = 0; i < tally.failures.size() && i < 20; ++i) {
        ADD_FAILURE() << tally.failures[i];
    }
    EXPECT_EQ(tally.passed, tally.run);
    EXPECT_GT(tally.run, 6000);
}

}  // namespace

// The html5lib tree-construction tests (tests/data/html5lib-tests/tree-construction), turned
// into checks of what a page can fetch: the HTML elements that load something (and <style>,
// <title>, <base>, <meta>, whose reading matters to an archive) in the tree a browser builds,
// outside <template> contents, each with its attributes and whether its parent is a
// <picture>, against the start tags the tokenizer reports. The tree's order is not compared
// (tables move elements before them), nor anything else of the tree. Fragment tests and those
// for a browser with scripts on are left out: the scan reads <noscript> as scripts off.
// Differences are printed; their number may not grow.
namespace {

bool IsFetchElement(const std::string& name) {
    static const char* const kNames[] = {"img",    "link",  "script", "iframe", "frame", "embed",
                                         "object", "video", "audio",  "source", "input", "track",
                                         "style",  "title", "base",   "meta"};
    for (const char* n : kNames) {
        if (name == n) return true;
    }
    return false;
}

std::string ElementKey(const std::string& name, bool inPicture,
                       const std::map<std::string, std::string>& attributes) {
    std::string key = name + (inPicture ? " (in picture)" : "");
    for (const auto& [k, v] : attributes) key += " " + k + "=\"" + v + "\"";
    return key;
}

class FetchRecorder : public mht::HtmlTokenSink {
public:
    void OnStartTag(const mht::HtmlStartTag& tag) override {
        if (tag.ns != mht::HtmlNamespace::kHtml || !IsFetchElement(tag.name)) return;
        std::map<std::string, std::string> attributes;
        for (const mht::HtmlAttribute& a : tag.attributes) attributes.emplace(a.name, a.value);
        keys.push_back(ElementKey(tag.name, tag.name == "source" && tag.inPicture, attributes));
    }
    std::vector<std::string> keys;
};

struct TreeTest {
    std::string data;
    std::vector<std::string> document;  // the tree's lines, "| " taken off
    bool fragment = false, scriptOn = false;
};

std::vector<TreeTest> ReadDat(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<TreeTest> tests;
    std::string line, section;
    int blanks = 0;  // blank lines of the tree: inside a text, or the gap before the next test
    while (std::getline(in, line)) {
        if (line == "#data") {
            tests.emplace_back();
            section = line;
            blanks = 0;
            continue;
        }
        if (tests.empty()) continue;
        TreeTest& t = tests.back();
        if (line == "#errors" || line == "#new-errors" || line == "#document" ||
            line == "#document-fragment" || line == "#script-on" || line == "#script-off") {
            section = line;
            if (line == "#document-fragment") t.fragment = true;
            if (line == "#script-on") t.scriptOn = true;
            continue;
        }
        if (section == "#data") {
            t.data += line + "\n";
        } else if (section == "#document") {
            if (line.empty()) {
                ++blanks;
                continue;
            }
            if (!t.document.empty()) {
                for (; blanks > 0; --blanks) t.document.back() += "\n";
            }
            if (line.compare(0, 2, "| ") == 0) {
                t.document.push_back(line.substr(2));
            } else if (!t.document.empty()) {
                t.document.back() += "\n" + line;  // text or a value over several lines
            }
        }
    }
    for (TreeTest& t : tests) {
        if (!t.data.empty()) t.data.pop_back();  // the line end before "#errors"
    }
    return tests;
}

// The fetch elements of an expected tree.
std::vector<std::string> ExpectedKeys(const std::vector<std::string>& document) {
    struct Entry {
        std::string name;  // "svg x", "math x", an HTML name, or "content"
        std::map<std::string, std::string> attributes;
    };
    std::vector<Entry> stack;                      // by depth
    std::vector<std::pair<size_t, size_t>> fetch;  // depth and index in stack of each element
    std::vector<std::string> keys;
    auto flush = [&](size_t depth) {
        // Elements deeper than `depth` are complete.
        while (stack.size() > depth) {
            const Entry& e = stack.back();
            bool inTemplate = false;
            for (const Entry& a : stack) inTemplate = inTemplate || a.name == "content";
            if (!inTemplate && IsFetchElement(e.name)) {
                bool inPicture = stack.size() >= 2 && stack[stack.size() - 2].name == "picture";
                keys.push_back(ElementKey(e.name, e.name == "source" && inPicture, e.attributes));
            }
            stack.pop_back();
        }
    };
    for (const std::string& raw : document) {
        size_t spaces = raw.find_first_not_of(' ');
        if (spaces == std::string::npos) continue;
        size_t depth = spaces / 2;
        std::string node = raw.substr(spaces);
        if (node[0] != '"' && node.find("=\"") != std::string::npos && depth == stack.size() &&
            !stack.empty()) {
            size_t eq = node.find("=\"");
            stack.back().attributes.emplace(node.substr(0, eq),
                                            node.substr(eq + 2, node.size() - eq - 3));
        } else if (node[0] == '<' && node.compare(0, 4, "<!--") != 0 &&
                   node.compare(0, 9, "<!DOCTYPE") != 0) {
            flush(depth);
            stack.resize(depth);
            stack.push_back(Entry{node.substr(1, node.size() - 2), {}});
        } else if (node == "content") {
            flush(depth);
            stack.resize(depth);
            stack.push_back(Entry{"content", {}});
        } else {
            flush(depth);
        }
    }
    flush(0);
    return keys;
}

}  // namespace

TEST(Html5libTreeConstruction, FetchElementsMatchTheTreeBrowsersBuild) {
    const char* files[] = {"adoption01.dat",
                           "adoption02.dat",
                           "blocks.dat",
                           "comments01.dat",
                           "doctype01.dat",
                           "domjs-unsafe.dat",
                           "entities01.dat",
                           "entities02.dat",
                           "html5test-com.dat",
                           "inbody01.dat",
                           "isindex.dat",
                           "main-element.dat",
                           "math.dat",
                           "menuitem-element.dat",
                           "namespace-sensitivity.dat",
                           "noscript01.dat",
                           "pending-standard-changes.dat",
                           "pending-standard-changes-plain-text-unsafe.dat",
                           "plain-text-unsafe.dat",
                           "quirks01.dat",
                           "ruby.dat",
                           "scriptdata01.dat",
                           "search-element.dat",
                           "svg.dat",
                           "tables01.dat",
                           "template.dat",
                           "tests1.dat",
                           "tests2.dat",
                           "tests3.dat",
                           "tests4.dat",
                           "tests5.dat",
                           "tests6.dat",
                           "tests7.dat",
                           "tests8.dat",
                           "tests9.dat",
                           "tests10.dat",
                           "tests11.dat",
                           "tests12.dat",
                           "tests14.dat",
                           "tests15.dat",
                           "tests16.dat",
                           "tests17.dat",
                           "tests18.dat",
                           "tests19.dat",
                           "tests20.dat",
                           "tests21.dat",
                           "tests22.dat",
                           "tests23.dat",
                           "tests24.dat",
                           "tests25.dat",
                           "tests26.dat",
                           "tricky01.dat",
                           "void-in-phrasing.dat",
                           "webkit01.dat",
                           "webkit02.dat"};
    int run = 0, agree = 0, withElements = 0, agreeWithElements = 0, skipped = 0;
    std::vector<std::string> differences;
    for (const char* file : files) {
        std::vector<TreeTest> tests =
            ReadDat(std::string(HTML5LIB_DATA_DIR "/tree-construction/") + file);
        EXPECT_FALSE(tests.empty()) << file;
        for (const TreeTest& t : tests) {
            if (t.fragment || t.scriptOn || t.document.empty()) {
                ++skipped;
                continue;
            }
            std::vector<std::string> expected = ExpectedKeys(t.document);
            FetchRecorder recorder;
            mht::TokenizeHtml(t.data, recorder);
            std::sort(expected.begin(), expected.end());
            std::sort(recorder.keys.begin(), recorder.keys.end());
            ++run;
            bool same = expected == recorder.keys;
            agree += same;
            if (!expected.empty() || !recorder.keys.empty()) {
                ++withElements;
                agreeWithElements += same;
            }
            if (!same) {
                std::string why = std::string(file) + ": " + t.data + "\n  tree:";
                for (const std::string& k : expected) why += "\n    " + k;
                why += "\n  scan:";
                for (const std::string& k : recorder.keys) why += "\n    " + k;
                differences.push_back(why);
            }
        }
    }
    std::printf(
        "html5lib tree-construction tests: the fetch elements agree in %d of %d run (%d of "
        "the %d that hold any; %d skipped: fragments, scripts on)\n",
        agree, run, agreeWithElements, withElements, skipped);
    for (const std::string& d : differences) std::printf("differs: %s\n", d.c_str());
    EXPECT_GT(run, 1400);
    // Known: four pages whose <frameset> later replaces a body holding an <input type=hidden>,
    // a <source> or a <track>, which the scan reports although the tree loses them. None of
    // them fetches anything.
    EXPECT_LE(static_cast<int>(differences.size()), 4);
}
