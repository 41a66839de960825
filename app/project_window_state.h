// What the offline project window shows and holds: its controls, its log,
// its status bar and progress bar, and whether a download runs. The core
// decides it; the window renders it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/operation_log.h"

namespace tessary {

struct ProjectWindowState {
  bool Visible = false;
  std::vector<LogEntry> Log;  // memLogOffPrj
  std::string editPrjName;
  bool chkPrjIdCheck = false;
  bool chkPrjErase = false;
  bool chkPrjBlankCheck = false;  // shown, never written into a project
  bool chkPrjWrite = false;
  bool chkPrjVerify = false;
  int cmbDownMethod = 1;  // 0 manual, 1 automatic, 2 machine programming
  bool chkProTimes = false;
  std::string editProTimes = "0";
  // The serial number group stays hidden; its controls keep these states.
  bool chkAutoSN = false;
  int cmbSNBytes = -1;
  int cmbSNEndian = 0;
  std::string lbeSnAddr = "00000000";
  std::string lbeSnValue = "00000000";
  std::array<std::string, 2> sbPrj;  // the step, its state or percentage
  int pbPrjDownStatus = 0;
  int pbPrjDownStatusMax = 100;
  // A download runs: the window's buttons are disabled meanwhile.
  bool DownloadRunning = false;
  // FileLen and Crc32 of the offline project hold the measure of the
  // chosen data file (false after a choice that could not be read).
  bool DataFileMeasured = false;
  // The generator of project IDs, seeded from the clock at its first use.
  std::optional<std::minstd_rand> PrjIdGenerator;

  // Set by the front end: the state changed (re-render), and a line was
  // added to the project log.
  std::function<void()> Changed;
  std::function<void(const LogEntry&)> LineAdded;
};

}  // namespace tessary
