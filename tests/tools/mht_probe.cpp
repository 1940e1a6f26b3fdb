// mht_probe.exe: makes one page's web archive the way the program's writer does, and reports
// what it cost.
//
// Usage: mht_probe.exe URL OUT
//   OUT is the archive's path. An older file there is deleted first.
// Prints one line "archive=PATH written=0|1 bytes=N fetches=N failed=N ms=N", where fetches
// counts every request made (failed ones included) and ms is the wall time of the save alone
// (Wine's start-up not counted). Exit code 0 when an archive was written, 1 otherwise.

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "cdo/archive_builder.h"
#include "fetch/save_mht.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mht_probe.exe URL OUT\n");
        return 2;
    }
    auto started = std::chrono::steady_clock::now();
    bool written = SaveMhtArchive(argv[1], argv[2]);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - started)
                  .count();

    CString archive = argv[2];
    WIN32_FILE_ATTRIBUTE_DATA data;
    unsigned long long bytes = 0;
    if (::GetFileAttributesExA(archive, GetFileExInfoStandard, &data))
        bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    cdo::FetchTotals totals = cdo::ProcessFetchTotals();
    std::printf("archive=%s written=%d bytes=%llu fetches=%ld failed=%ld ms=%lld\n",
                archive.GetString(), written ? 1 : 0, bytes, totals.fetches, totals.failures,
                static_cast<long long>(ms));
    return written ? 0 : 1;
}
