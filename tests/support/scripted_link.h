// A UsbLink that records what the host sends and answers from a script:
// each read takes the next queued reply (an empty reply models a timeout,
// costing the 2000 ms IN timeout on the clock). With no reply queued the
// device is silent.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/device_link.h"
#include "device/usb_link.h"

namespace tessary::testing {

using Bytes = std::vector<std::uint8_t>;

// A reply frame for `opcode` carrying `payload`.
inline Bytes ReplyFrame(std::uint8_t opcode, const Bytes& payload) {
  Bytes frame(payload.size() + kFrameOverhead);
  frame.resize(BuildFrame(opcode, payload, frame));
  return frame;
}
inline Bytes TextReply(std::uint8_t opcode, const std::string& text) {
  return ReplyFrame(opcode, Bytes(text.begin(), text.end()));
}

class ScriptedLink final : public UsbLink {
 public:
  explicit ScriptedLink(Clock& clock) : clock_(clock) {}

  bool OpenDevice(std::uint16_t vendor_id, std::uint16_t product_id) override {
    ++open_calls;
    const bool found =
        present && vendor_id == kProgrammerVendorId && product_id == kProgrammerProductId;
    last_open_ = found ? open_result : UsbOpenResult::NotFound;
    open_ = last_open_ == UsbOpenResult::Opened;
    return open_;
  }
  UsbOpenResult LastOpenResult() const override { return last_open_; }
  void CloseDevice() override { open_ = false; }
  bool HasDevice() const override { return open_; }
  PipeIds Pipes() const override { return {0x01, 0x82}; }
  std::size_t WritePipe(std::span<const std::uint8_t> data) override {
    writes.emplace_back(data.begin(), data.end());
    return data.size();
  }
  std::size_t ReadPipe(std::span<std::uint8_t> buffer) override {
    ++reads;
    if (replies.empty() || replies.front().empty()) {
      if (!replies.empty()) replies.pop_front();
      clock_.SleepFor(kInPipeTimeoutMs * 1000ull);
      return 0;
    }
    Bytes reply = std::move(replies.front());
    replies.pop_front();
    const std::size_t count = std::min(reply.size(), buffer.size());
    std::copy_n(reply.begin(), count, buffer.begin());
    return count;
  }
  void FlushInPipe() override { ++flushes; }
  void SetPresenceHandler(std::function<void(PresenceEvent)> handler) override {
    handler_ = std::move(handler);
  }
  void ServiceEvents() override {}

  // Opcodes of the frames written so far, in order.
  [[nodiscard]] std::vector<std::uint8_t> WrittenOpcodes() const {
    std::vector<std::uint8_t> opcodes;
    for (const Bytes& frame : writes) opcodes.push_back(frame.size() > 1 ? frame[1] : 0);
    return opcodes;
  }

  bool present = true;
  // How an open of the present programmer ends (Opened: it opens).
  UsbOpenResult open_result = UsbOpenResult::Opened;
  int open_calls = 0;
  int reads = 0;
  int flushes = 0;
  std::vector<Bytes> writes;
  std::deque<Bytes> replies;

 private:
  Clock& clock_;
  bool open_ = false;
  UsbOpenResult last_open_ = UsbOpenResult::NotFound;
  std::function<void(PresenceEvent)> handler_;
};

}  // namespace tessary::testing
