#include "net/unreachable_hosts.h"

namespace net {

void UnreachableHosts::Remember(const std::string& server, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(m_lock);
    // Entries past their time go here, so the map holds only what is remembered now.
    for (auto it = m_until.begin(); it != m_until.end();)
        it = it->second <= now ? m_until.erase(it) : std::next(it);
    m_until[server] = now + kUnreachableMemory;
}

bool UnreachableHosts::IsUnreachable(const std::string& server, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(m_lock);
    const auto it = m_until.find(server);
    return it != m_until.end() && now < it->second;
}

void UnreachableHosts::Forget(const std::string& server) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_until.erase(server);
}

UnreachableHosts& TheUnreachableHosts() {
    // Never destroyed: request threads left behind may still report after static destructors.
    static UnreachableHosts* const hosts = new UnreachableHosts;
    return *hosts;
}

std::string ServerKey(const std::string& host, unsigned port) {
    std::string key;
    key.reserve(host.size() + 6);
    for (char c : host) key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return key + ':' + std::to_string(port);
}

}  // namespace net
