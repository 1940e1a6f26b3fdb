#include "mht/html_tokenizer.h"

namespace mht {

const HtmlAttribute* HtmlStartTag::Find(std::string_view attributeName) const {
    for (const HtmlAttribute& a : attributes) {
        if (a.name == attributeName) return &a;
    }
    return nullptr;
}

// Not yet reading anything: the interface comes first so that its users can build on it.
void TokenizeHtml(std::string_view, HtmlTokenSink&) {}

void TokenizeHtmlTokens(std::string_view, HtmlTokenizerState, std::string_view, HtmlTokenSink&) {}

}  // namespace mht
