// The count behind LiveObjectCount: every object of the component holds one LiveObject member.
#pragma once

namespace cdo {

class LiveObject {
public:
    LiveObject();
    ~LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};

}  // namespace cdo
