// Pure helpers of the USB transport: endpoint classification and the
// hardware-ID parser.
#include "device/usb_link.h"

namespace tessary {

std::optional<PipeIds> ClassifyEndpoints(std::span<const EndpointDescriptor> endpoints) {
  PipeIds pipes;
  for (const EndpointDescriptor& endpoint : endpoints) {
    switch (endpoint.type) {
      case EndpointType::Bulk:
        if (endpoint.address & 0x80) {
          pipes.in = endpoint.address;
        } else {
          pipes.out = endpoint.address;
        }
        break;
      case EndpointType::Interrupt:
        pipes.out = endpoint.address;
        break;
      case EndpointType::Control:
      case EndpointType::Isochronous:
        return std::nullopt;
    }
  }
  return pipes;
}

namespace {
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::uint16_t ParseHardwareIdField(std::string_view text, std::string_view tag) {
  const std::size_t at = text.find(tag);
  if (tag.empty() || at == std::string_view::npos || at + tag.size() + 4 > text.size()) return 0;
  std::uint16_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const int digit = HexDigitValue(text[at + tag.size() + i]);
    if (digit < 0) return 0;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace tessary
