// The stream a message hands out: the archive's bytes, shared with the message, saved to a
// file on request.
#pragma once

#include <memory>
#include <string>

#include "cdo/message.h"

namespace cdo {

// A new stream over `archive` with one reference.
HRESULT CreateArchiveStream(std::shared_ptr<const std::string> archive, _Stream** out);

}  // namespace cdo
