// Files dropped on the main window: logged, and the last one offered for
// import into the buffer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"

namespace tessary {

// Logs the count line and one plain line per path; returns the path to
// offer for import (the last one), or nothing when the drop was empty.
std::optional<std::string> FilesDropped(AppContext& ctx, const std::vector<std::string>& paths);

}  // namespace tessary
