// Turns a USB device into a known programmer: opens the link on arrival,
// asks for its identity, shows it online and adapts the window to the model;
// closes the link and reports it offline on removal.
#pragma once

#include "app/app_context.h"

namespace tessary {

// The scan timer's tick, also run on an arrival notice. Does nothing while
// a programmer is linked.
void ScanForProgrammer(AppContext& ctx);

// Identification after a successful open. False when the firmware query
// failed (the link is closed again and the scan timer re-enabled).
bool IdentifyProgrammer(AppContext& ctx);

// A removal notice. Ignored when no programmer link exists.
void OnProgrammerRemoved(AppContext& ctx);

}  // namespace tessary
