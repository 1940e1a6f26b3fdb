#include "fetch/batch_names.h"

#include <utility>

#include "afx/dbcs.h"
#include "afx/name_fold.h"

void CBatchNames::NewBatch() {
    std::lock_guard<std::mutex> lock(m_lock);
    decltype(m_reached)().swap(m_reached);  // the memory of a long batch goes too
    m_folderClaimed = false;
}

bool CBatchNames::Claim(const std::string& path, const std::function<void()>& removeOlder) {
    const std::wstring key = afx::FoldedFileName(FileNameOf(path));
    std::shared_ptr<Name> name;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        std::shared_ptr<Name>& slot = m_reached[key];
        if (!slot) slot = std::make_shared<Name>();
        name = slot;
    }
    std::lock_guard<std::mutex> lock(name->lock);
    if (name->claimed) return false;
    removeOlder();
    name->claimed = true;
    return true;
}

bool CBatchNames::ClaimFolder() {
    std::lock_guard<std::mutex> lock(m_lock);
    return !std::exchange(m_folderClaimed, true);
}

CBatchNames& TheBatchNames() {
    // Never destroyed: a worker still running when the process ends may yet claim its name.
    static CBatchNames* const names = new CBatchNames;
    return *names;
}

std::string FileNameOf(const std::string& path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i += afx::CharLength(path, i))
        if (path[i] == '\\' || path[i] == '/') start = i + 1;
    return path.substr(start);
}
