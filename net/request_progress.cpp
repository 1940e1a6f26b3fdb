#include "net/request_progress.h"

#include <map>

namespace net {
namespace {

// The live progress objects by context. A callback looks its object up under the lock, and an
// object leaves under it, so a notification that comes late (a handle closed after its request
// was left behind) finds nothing rather than freed memory.
struct Registry {
    std::mutex lock;
    std::map<DWORD_PTR, RequestProgress*> live;
    // Contexts start above those the program uses for handles of its own (0 and 1).
    DWORD_PTR next = 0x100;
};

Registry& TheRegistry() {
    static Registry* const registry = new Registry;  // callbacks may come during exit
    return *registry;
}

}  // namespace

RequestProgress::RequestProgress() : m_lastStep(Clock::now().time_since_epoch().count()) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    do {
        m_context = registry.next++;
        if (registry.next == 0) registry.next = 0x100;  // after 2^32 requests
    } while (registry.live.count(m_context));
    registry.live[m_context] = this;
}

RequestProgress::~RequestProgress() {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    registry.live.erase(m_context);
}

void RequestProgress::BeginHop(const std::string& server) {
    {
        std::lock_guard<std::mutex> lock(m_serverLock);
        m_server = server;
    }
    Step(RequestStage::kConnecting);
}

void RequestProgress::Step(RequestStage stage) {
    m_stage.store(stage);
    m_lastStep.store(Clock::now().time_since_epoch().count());
}

std::string RequestProgress::Server() const {
    std::lock_guard<std::mutex> lock(m_serverLock);
    return m_server;
}

void CALLBACK OnRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.lock);
    const auto found = registry.live.find(context);
    if (found == registry.live.end()) return;
    RequestProgress& progress = *found->second;
    switch (status) {
        case INTERNET_STATUS_RESOLVING_NAME:
        case INTERNET_STATUS_NAME_RESOLVED:
        case INTERNET_STATUS_CONNECTING_TO_SERVER:
            progress.Step(RequestStage::kConnecting);
            break;
        case INTERNET_STATUS_CONNECTED_TO_SERVER:
        case INTERNET_STATUS_SENDING_REQUEST:
        case INTERNET_STATUS_REQUEST_SENT:
        case INTERNET_STATUS_RECEIVING_RESPONSE:
        case INTERNET_STATUS_RESPONSE_RECEIVED:
            progress.Step(RequestStage::kExchanging);
            break;
        default:
            break;  // handles made and closed, redirects, cookies: no step of the exchange
    }
}

}  // namespace net
