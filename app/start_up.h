// The start-up sequence: catalogue check and connection, settings, catalogue
// version and chip types, the last chip restored, the language applied.
#pragma once

#include <string>

#include "app/app_context.h"

namespace tessary {

struct StartUpOutcome {
  bool ok = true;
  // When not ok: the one message to show before the program ends.
  std::string message;
};

// Runs once, before the window is shown. ctx.Paths must be set.
[[nodiscard]] StartUpOutcome RunStartUp(AppContext& ctx);

// The version shown when the catalogue has none.
inline constexpr char kFallbackAppVersion[] = "V0.1.0";

}  // namespace tessary
