// The HTML scan, its tokenizer and the srcset split over any bytes: no fault, and what they
// return lies within the input, in order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "mht/html_refs.h"
#include "mht/html_tokenizer.h"

namespace {

bool IsHtmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Tags come in page order, each within the page, its name and attribute spans inside it; no
// attribute name repeats.
class CheckingSink : public mht::HtmlTokenSink {
public:
    explicit CheckingSink(std::string_view input) : input_(input) {}

    void OnStartTag(const mht::HtmlStartTag& tag) override {
        FUZZ_CHECK(tag.begin >= lastEnd_);
        FUZZ_CHECK(tag.begin < tag.nameEnd && tag.nameEnd < tag.end && tag.end <= input_.size());
        FUZZ_CHECK(input_[tag.begin] == '<' && input_[tag.end - 1] == '>');
        FUZZ_CHECK(!tag.name.empty());
        FUZZ_CHECK(tag.attributes.size() <= 1000);
        FUZZ_CHECK(!tag.inPicture || tag.ns == mht::HtmlNamespace::kHtml);
        for (size_t i = 0; i < tag.attributes.size(); ++i) {
            const mht::HtmlAttribute& a = tag.attributes[i];
            FUZZ_CHECK(tag.nameEnd <= a.valueBegin && a.valueBegin <= a.valueEnd &&
                       a.valueEnd < tag.end);
            for (char c : a.name) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
            for (size_t j = 0; j < i && i < 50; ++j) FUZZ_CHECK(tag.attributes[j].name != a.name);
        }
        lastEnd_ = tag.end;
    }

    void OnElementText(const mht::HtmlStartTag& element, std::string_view) override {
        FUZZ_CHECK(element.name == "style" || element.name == "title");
    }

private:
    std::string_view input_;
    size_t lastEnd_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);

    CheckingSink sink(input);
    mht::TokenizeHtml(input, sink);

    mht::HtmlScan scan = mht::ScanHtml(input);
    FUZZ_CHECK(scan.metaInsertPos <= input.size());
    FUZZ_CHECK(scan.hasBase || scan.baseHref.empty());
    for (char c : scan.charset) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
    // Added attributes go inside the page, in order, each one whole: a blank, a name, and a
    // double-quoted value that cannot end early.
    size_t lastEdit = 0;
    for (const mht::PageEdit& edit : scan.edits) {
        FUZZ_CHECK(edit.pos <= input.size() && edit.pos >= lastEdit);
        lastEdit = edit.pos;
        FUZZ_CHECK(!edit.needs.empty());
        size_t quote = edit.text.find('"');
        FUZZ_CHECK_MSG(edit.text[0] == ' ' && quote != std::string::npos &&
                           edit.text.back() == '"' && quote + 1 < edit.text.size() &&
                           edit.text.find('"', quote + 1) == edit.text.size() - 1,
                       edit.text);
    }
    // The srcset candidate a reader sees is one of the set.
    std::string chosen = mht::ChooseSrcsetCandidate(input);
    FUZZ_CHECK_MSG(chosen.empty() == mht::SplitSrcset(input).empty(), chosen);

    // Candidates come out in order, each a piece of the attribute without blanks or a
    // trailing comma.
    size_t from = 0;
    for (const std::string& url : mht::SplitSrcset(input)) {
        FUZZ_CHECK(!url.empty());
        FUZZ_CHECK_MSG(url.back() != ',', url);
        for (char c : url) FUZZ_CHECK_MSG(!IsHtmlBlank(c), url);
        size_t at = input.find(url, from);
        FUZZ_CHECK_MSG(at != std::string_view::npos, url);
        from = at + url.size();
    }
    return 0;
}
