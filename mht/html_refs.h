#pragma once
// A tolerant scan of an HTML page for what an archive needs: the URLs it refers to, its base,
// title and declared charset. A single pass over the bytes, not a DOM: unclosed tags, bare
// attributes and markup errors are read the way browsers read them, as far as matters here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mht/reference.h"
#include "mht/srcset.h"

namespace mht {

// An attribute an archive adds to a start tag, so that a reader sees what the page's own script
// would have shown (a lazy image, a style sheet switched on at load). It goes right after the
// tag's name: the first of repeated attributes counts, so it wins over one the tag already
// has, which stays as served.
struct PageEdit {
    size_t pos = 0;    // in the scanned document: just past the tag's name
    std::string text;  // " name=\"value\"", the value escaped for a double-quoted attribute
    // References (as written) that must all be in the archive for the edit to be made.
    std::vector<std::string> needs;
};

struct HtmlScan {
    // In document order, each URL once, at most kMaxDocumentRefs (see reference_list.h).
    std::vector<Reference> refs;
    std::vector<PageEdit> edits;  // in document order
    std::string baseHref;         // the first <base href>, blanks trimmed
    bool hasBase = false;
    // Text of the first <title> outside SVG, runs of blanks made one space. Character
    // references are left in: only the page's charset says how to decode those above ASCII.
    std::string title;
    std::string charset;  // declared by <meta charset> or <meta http-equiv>, lower case
    // Where an added <meta> goes: right after the <head> start tag, else after <html>, else
    // after a leading <!DOCTYPE>, else at the start.
    size_t metaInsertPos = 0;
};

HtmlScan ScanHtml(std::string_view html);

}  // namespace mht
