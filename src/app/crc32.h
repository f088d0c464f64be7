// CRC-32 (the polynomial of zip and PNG, reflected 0xEDB88320), the checksum
// of a package's payload.
#pragma once

#include <cstdint>
#include <string_view>

namespace ferrovello {

uint32_t crc32(std::string_view bytes);

}  // namespace ferrovello
