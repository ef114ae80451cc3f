#pragma once
#include <cstdint>

#include "platform/core_audio.h"

namespace hush::mIID {

platform::Guid BuildGuid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3, std::uint8_t b0,
                         std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                         std::uint8_t b6, std::uint8_t b7);

// The all-zero GUID, built once on first use and handed out as a copy.
platform::Guid GUID_NULL();

}  // namespace hush::mIID
