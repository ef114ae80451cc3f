#include "volume/mIID.h"

namespace hush::mIID {

platform::Guid BuildGuid(std::uint32_t data1, std::uint16_t data2, std::uint16_t data3, std::uint8_t b0,
                         std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                         std::uint8_t b6, std::uint8_t b7) {
  return platform::Guid{data1, data2, data3, {b0, b1, b2, b3, b4, b5, b6, b7}};
}

platform::Guid GUID_NULL() {
  static const platform::Guid null = BuildGuid(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  return null;
}

}  // namespace hush::mIID
