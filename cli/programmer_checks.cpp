// Checks shared by the commands that talk to chips.
#include "cli/programmer_checks.h"

#include <string>

namespace tessary::cli {

int OpenProgrammerForChips(ProgrammerSession& session) {
  std::string error;
  if (!session.OpenProgrammer(error)) return ReportFailure(error, session.OpenExitCode());
  const Dev_Inf_Struct& info = session.context().DeviceInfo;
  if (RunsBootLoader(info)) {
    return ReportFailure("The programmer runs its boot loader (firmware \"" + info.FirmVer +
                             "\") and needs a firmware update before it can work with chips.",
                         kExitBootLoader);
  }
  return kExitOk;
}

}  // namespace tessary::cli
