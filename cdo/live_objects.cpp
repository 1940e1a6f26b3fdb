#include "cdo/live_objects.h"

#include <atomic>

#include "cdo/message.h"

namespace cdo {
namespace {

std::atomic<long> g_liveObjects{0};

}  // namespace

LiveObject::LiveObject() {
    ++g_liveObjects;
}
LiveObject::~LiveObject() {
    --g_liveObjects;
}

long LiveObjectCount() {
    return g_liveObjects.load();
}

}  // namespace cdo
