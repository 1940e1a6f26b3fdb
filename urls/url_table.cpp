#include "urls/url_table.h"

#include <cstdlib>

char* g_urlTable = nullptr;

bool AllocateUrlTable() {
    if (!g_urlTable) g_urlTable = static_cast<char*>(std::calloc(kUrlTableBytes, 1));
    return g_urlTable != nullptr;
}

void FreeUrlTable() {
    std::free(g_urlTable);
    g_urlTable = nullptr;
}
