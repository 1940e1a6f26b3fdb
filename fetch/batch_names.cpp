#include "fetch/batch_names.h"

#include "afx/dbcs.h"

void CBatchNames::NewBatch() {
    std::lock_guard<std::mutex> lock(m_lock);
    std::unordered_set<std::string>().swap(m_reached);  // the memory of a long batch goes too
}

bool CBatchNames::Claim(const std::string& path, const std::function<void()>& removeOlder) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_reached.insert(FileNameOf(path)).second) return false;
    // Under the lock: a second worker of the name must not get to its write before this ends.
    try {
        removeOlder();
    } catch (...) {
        m_reached.erase(FileNameOf(path));  // not removed: the next worker of the name tries
        throw;
    }
    return true;
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
