// The URL table: one block of fixed-size slots, each a NUL-terminated URL of at most 200 bytes.
// Written by the import and read by the scheduler, which copies a URL into its worker's job:
// the UI thread's alone.
#pragma once

#include <cstddef>

constexpr int kUrlSlots = 20000;
constexpr int kUrlMaxLength = 200;
constexpr int kUrlSlotSize = kUrlMaxLength + 1;
constexpr size_t kUrlTableBytes = static_cast<size_t>(kUrlSlots) * kUrlSlotSize;

extern char* g_urlTable;

// Allocates and zeroes the table; false when there is no memory for it.
bool AllocateUrlTable();
void FreeUrlTable();

inline char* UrlSlot(int index) {
    return g_urlTable + static_cast<size_t>(index) * kUrlSlotSize;
}
