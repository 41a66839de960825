// The simulated programmer: the device side of the USB protocol. It takes the
// bytes the host writes to the OUT pipe, acts on the command frames and raw
// data streams in them, and queues what the host reads from the IN pipe. It
// also models the device's presence on the bus (plugging, unplugging, the
// restarts of a firmware update) and chips put into and taken out of its
// sockets over time. Time comes from the Clock it is given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/usb_link.h"
#include "sim/chip_socket.h"
#include "sim/fault_settings.h"
#include "sim/simulator_config.h"
#include "sim/wire_record.h"

namespace tessary::sim {

// What the host last set with 0x39.
struct ChipParameters {
  std::uint8_t type = 0;
  std::uint8_t volt = 0;
  std::uint8_t para = 0;
  std::uint8_t para1 = 0;
  std::uint16_t page_size = 0;
  std::uint32_t chip_size = 0;
};

// The on-board storage of offline projects: the project file of the last
// 0x44 frame and the data file streamed after it.
struct ProjectStore {
  std::uint32_t declared_length = 0;       // length field of the 0x44 frame
  std::vector<std::uint8_t> project_text;  // its first min(length, 512) bytes
  std::vector<std::uint8_t> data;          // the data file, as long as announced
};

enum class FirmwareMode : std::uint8_t { Application, BootLoader };

class SimulatedProgrammer {
 public:
  SimulatedProgrammer(SimulatorConfig config, Clock& clock);
  // Saves the persistent chips (SaveChips); a failure is told on stderr.
  ~SimulatedProgrammer();
  SimulatedProgrammer(const SimulatedProgrammer&) = delete;
  SimulatedProgrammer& operator=(const SimulatedProgrammer&) = delete;

  // --- the bus, as the link sees it ---------------------------------------

  [[nodiscard]] bool plugged() const { return plugged_; }
  // Changes whenever the device leaves the bus: a handle opened in an
  // earlier session is dead.
  [[nodiscard]] std::uint32_t bus_session() const { return bus_session_; }
  // Bytes of one OUT write.
  void ReceiveOut(std::span<const std::uint8_t> bytes);
  // Fills `buffer` with what the device has to send; 0 when it has nothing
  // yet (the host's read then waits, see NextReplyReadyUs).
  [[nodiscard]] std::size_t SendIn(std::span<std::uint8_t> buffer);
  // When the reply at the head of the IN queue can be read, if it is only
  // delayed; nullopt when nothing is coming without a timed-out read.
  [[nodiscard]] std::optional<std::uint64_t> NextReplyReadyUs() const;
  // A read of the host ran into the IN pipe's timeout: replies held back
  // for it (late replies) are now in the pipe.
  void NoteReadTimedOut();
  // Drops what the host could read now; replies the device has not sent
  // yet (delayed or held back) still come.
  void FlushIn();
  // One transfer happened (for the unplug-after-N fault).
  void NoteTransfer();
  // Lets due events happen (the return after a restart, chips put in or
  // taken out).
  void ServiceTime();
  [[nodiscard]] std::vector<PresenceEvent> TakePresenceEvents();

  // --- controls for tests and the demo ----------------------------------

  // Arrival and removal; the events reach the link's handler from its
  // ServiceEvents(). Unplugging is a power cycle: volatile settings reset.
  void Plug();
  void Unplug();
  [[nodiscard]] FaultSettings& faults() { return faults_; }
  [[nodiscard]] WireRecord& wire() { return wire_; }
  // 0 = CH1, 1 = CH2. Chips may be inserted and removed at any time.
  [[nodiscard]] ChipSocket& socket(int index) {
    ApplySocketEvents();
    return sockets_.at(static_cast<std::size_t>(index));
  }
  // The cell kind the chip in a socket behaves as now (it may follow the
  // chip type the host set up, see DefaultCells).
  [[nodiscard]] CellKind cells(int index) {
    return CellsOf(socket(index));
  }
  // Writes every persistent chip back to its image file. False with the
  // problems in `error` when one could not be written.
  [[nodiscard]] bool SaveChips(std::string& error) const;

  // --- observable state ---------------------------------------------------

  [[nodiscard]] const SimulatorConfig& config() const { return config_; }
  [[nodiscard]] FirmwareMode mode() const { return mode_; }
  // What 0x10 answers now ("BOOT..." while the boot loader runs).
  [[nodiscard]] const std::string& firmware_text() const;
  [[nodiscard]] const std::optional<ChipParameters>& chip_parameters() const {
    return chip_parameters_;
  }
  [[nodiscard]] std::uint8_t spi_clock_code() const { return spi_clock_code_; }
  [[nodiscard]] bool spi_dma() const { return spi_dma_; }
  [[nodiscard]] std::optional<std::uint8_t> language() const { return language_; }
  [[nodiscard]] const std::vector<std::uint16_t>& status_indications() const {
    return status_indications_;
  }
  [[nodiscard]] const ProjectStore& project_store() const { return store_; }
  // The firmware image the boot loader collected from 0xF1 blocks.
  [[nodiscard]] const std::vector<std::uint8_t>& received_image() const { return image_; }
  // Frames thrown away for a wrong CRC.
  [[nodiscard]] std::size_t rejected_frames() const { return rejected_frames_; }

 private:
  struct Frame {
    std::uint8_t opcode;
    std::span<const std::uint8_t> payload;
  };
  using Handler = void (SimulatedProgrammer::*)(const Frame&);

  // A 0x35 frame with exactly this payload length sets up a raw stream.
  static constexpr std::size_t kBulkSetupLength = 12;
  // The project download addresses the on-board storage as channel 1 with
  // chip type 1. The same pair also names a 25 FLASH in CH2, so the storage
  // is meant only while a download runs: from its 0x44 frame on, as long
  // as only storage commands follow.
  [[nodiscard]] static bool IsStoreTarget(std::uint8_t channel, std::uint8_t type) {
    return channel == 1 && type == 1;
  }
  static constexpr std::size_t kStoreCapacity = 0x1000000;

  // A raw data stream the host writes after a bulk-write set-up.
  struct BulkWrite {
    bool to_store = false;
    std::uint8_t channel = 0;
    std::uint32_t address = 0;
    std::uint64_t received = 0;
    std::uint64_t expected = 0;  // whole blocks covering the announced total
  };
  // A raw data stream the host reads after a bulk-read set-up.
  struct BulkRead {
    bool from_store = false;
    std::uint8_t channel = 0;
    std::uint32_t address = 0;
    std::uint64_t remaining = 0;
  };
  struct EraseJob {
    std::uint8_t channel = 0;
    std::uint32_t busy_polls_left = 0;
  };
  struct Restart {
    std::uint64_t return_at_us = 0;
    FirmwareMode mode = FirmwareMode::Application;
  };
  struct PendingReply {
    std::vector<std::uint8_t> bytes;
    std::uint64_t ready_at_us = 0;  // readable from then on
    bool held = false;              // readable only after a timed-out read
  };

  // Frames and replies (simulated_programmer.cpp).
  void TakeFrames();
  void Dispatch(const Frame& frame);
  [[nodiscard]] Handler HandlerFor(std::uint8_t opcode) const;
  // Queues a reply frame, damaged as the fault settings say. `header_byte`
  // replaces the opcode at frame offset 1 (the image check reports there).
  void Reply(std::uint8_t opcode, std::span<const std::uint8_t> payload,
             std::optional<std::uint8_t> header_byte = std::nullopt);
  void ReplyByte(std::uint8_t opcode, std::uint8_t value) { Reply(opcode, std::span(&value, 1)); }
  void PowerCycle();
  void ApplySocketEvents();
  [[nodiscard]] bool ReplyReadyNow() const;
  void LeaveBus(std::optional<Restart> restart);
  void AfterReplyCollected();

  // Identity and status (identity_commands.cpp).
  void OnFirmwareVersion(const Frame& frame);
  void OnHardwareVersion(const Frame& frame);
  void OnSerialNumber(const Frame& frame);
  void OnDeviceModel(const Frame& frame);
  void OnSetLanguage(const Frame& frame);
  void OnStatusIndication(const Frame& frame);

  // Chip commands (chip_commands.cpp).
  void OnReadChipId(const Frame& frame);
  void OnChipErase(const Frame& frame);
  void OnNandBlockErase(const Frame& frame);
  void OnBulkRead(const Frame& frame);
  void OnDataWrite(const Frame& frame);
  void OnSocketStatus(const Frame& frame);
  void OnChipParameters(const Frame& frame);
  void OnSpiClock(const Frame& frame);
  void OnBadBlockScan(const Frame& frame);
  void OnSpiDma(const Frame& frame);
  void FinishErase();
  [[nodiscard]] std::vector<ChipSocket*> SocketsOf(std::uint8_t channel);
  [[nodiscard]] CellKind CellsOf(const ChipSocket& socket) const;

  // Raw streams and project storage (storage_commands.cpp).
  void OnProjectFile(const Frame& frame);
  void StartBulkWrite(const Frame& frame);
  std::size_t TakeBulkWrite(std::span<const std::uint8_t> bytes);
  std::size_t StreamBulkRead(std::span<std::uint8_t> buffer);

  // Boot loader (boot_loader.cpp).
  void OnEnterBootLoader(const Frame& frame);
  void OnImageBlock(const Frame& frame);
  void OnImageFinish(const Frame& frame);
  void OnImageCheck(const Frame& frame);

  SimulatorConfig config_;
  Clock& clock_;
  FaultSettings faults_;
  WireRecord wire_;
  std::array<ChipSocket, 2> sockets_;
  std::uint64_t started_us_;  // origin of the socket events
  std::array<std::vector<SocketEvent>, 2> socket_events_;  // each sorted by time
  std::array<std::size_t, 2> next_socket_event_{};

  // Bus presence.
  bool plugged_;
  std::uint32_t bus_session_ = 0;
  std::deque<PresenceEvent> events_;
  std::optional<Restart> restart_;            // off the bus until return_at_us
  std::optional<Restart> leave_after_reply_;  // restart once the reply is read

  // Pipes.
  std::vector<std::uint8_t> assembly_;  // OUT bytes not yet a whole frame
  std::deque<PendingReply> replies_;
  std::size_t reply_offset_ = 0;  // bytes of replies_.front() already read
  std::optional<BulkWrite> bulk_write_;
  std::optional<BulkRead> bulk_read_;
  std::vector<std::uint8_t> dual_read_scratch_;  // CH2's bytes of a dual-socket read
  std::size_t rejected_frames_ = 0;

  // Device state.
  FirmwareMode mode_;
  std::string application_firmware_;
  std::optional<ChipParameters> chip_parameters_;
  std::uint8_t spi_clock_code_;
  bool spi_dma_ = false;
  std::optional<std::uint8_t> language_;
  std::vector<std::uint16_t> status_indications_;
  std::optional<EraseJob> erase_;
  ProjectStore store_;
  bool store_session_ = false;  // the last command belonged to a project download
  std::vector<std::uint8_t> image_;
  std::uint32_t image_blocks_received_ = 0;  // since the last restart request
  bool image_verified_ = false;
};

}  // namespace tessary::sim
