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

// One reference as written in the document: character references and CSS escapes decoded,
// blanks trimmed, not yet resolved against any base.
struct Reference {
    RefKind kind;
    std::string url;
};

}  // namespace mht
