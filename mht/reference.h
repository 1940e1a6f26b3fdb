#pragma once

#include <string>

namespace mht {

// What a document refers to, which decides whether the fetched body is scanned in turn.
enum class RefKind {
    kResource,    // an image, script, font...: stored as it comes
    kStylesheet,  // <link rel=stylesheet>: scanned as CSS
    kImport,      // @import: scanned as CSS, one import level deeper
    kFrame,       // <iframe>/<frame>: scanned as HTML, one frame level deeper
};

// How much a reader needs a resource, most first: when a page refers to more than an archive
// holds, what a reader sees goes in before what only might be used. Style sheets and frames go
// ahead of all of these.
enum class RefPriority {
    kShown,       // images, icons, posters, backgrounds, fonts, lazy images, one srcset candidate
    kSupporting,  // preloads, SVG sprites, scripts
    kOtherCandidate,  // the srcset candidates a reader's browser would not pick
};

// One reference as written in the document: character references and CSS escapes decoded,
// blanks trimmed, not yet resolved against any base.
struct Reference {
    RefKind kind;
    std::string url;
    RefPriority priority = RefPriority::kShown;
};

}  // namespace mht
