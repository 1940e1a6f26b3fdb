#pragma once
// Every named character reference of HTML and the text it stands for, generated from a copy of
// the Standard's list (tools/gen_html_entity_table.py).

#include <cstddef>

namespace mht {

struct NamedReference {
    const char* name;  // without the '&'; with its ';' where it has one
    const char* text;  // UTF-8
};

// Sorted by name in byte order. A name browsers also accept without its ';' (the old ones such
// as "amp" and "eacute") appears both ways.
extern const NamedReference kNamedReferences[];
extern const size_t kNamedReferenceCount;

}  // namespace mht
