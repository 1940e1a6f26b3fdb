// The output names the workers of the current batch have reached. Two URLs of a list may give
// one name (a URL listed twice, or two that differ only in letter case or in "." against "_"),
// and their workers may run at once. Names are compared as Windows compares file names, so
// letters of any script that differ only in case are one name (afx/name_fold.h). An older
// file of a name is removed by the first of them only, before its fetch: afterwards every file
// at that name is one a worker of this batch wrote, whole, and no worker deletes it. So a name
// keeps the last whole file written to it, and a name whose every fetch failed keeps no file.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class CBatchNames {
public:
    // Called when a batch starts: no name and not the folder has been reached.
    void NewBatch();

    // Records that a worker reached `path` (its folder is the batch's). For the first worker of
    // the batch at that name, runs `removeOlder` before it returns, and before any other worker
    // of the name gets past this call; workers of other names do not wait for it. Returns
    // whether it ran. When `removeOlder` throws, the next worker of the name runs its own.
    bool Claim(const std::string& path, const std::function<void()>& removeOlder);

    // True for the first worker of the batch to ask: the one that tidies the batch's folder.
    bool ClaimFolder();

private:
    // One name of the batch, with a lock of its own: only the workers of that name wait while
    // its older file is removed.
    struct Name {
        std::mutex lock;
        bool claimed = false;
    };

    std::mutex m_lock;  // over the map and the flag only, never over a file call
    // Keyed by the folded file name: the folder is the same for the whole batch, and may be
    // 32,767 characters long.
    std::unordered_map<std::wstring, std::shared_ptr<Name>> m_reached;
    bool m_folderClaimed = false;
};

// The batch names of the program's batches.
CBatchNames& TheBatchNames();

// The file name of `path`: what follows its last separator ("\" or "/") that stands at a
// character boundary of the process code page (a GBK trail byte may be 0x5C).
std::string FileNameOf(const std::string& path);
