// Any text as a stored position: its numeric value is taken without fault, and a position made of
// it is a whole number in range or the overflow the start-up reports.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/Form1.h"
#include "volume/VolumeSet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = hush::Form1::NumericValue(text);
  if (std::isnan(value)) std::abort();
  try {
    const std::int32_t position = hush::VolumeSet::RoundToInt32(value);
    if (static_cast<double>(position) != std::nearbyint(value)) std::abort();
  } catch (const std::exception&) {
    if (std::fabs(value) < 2147483647.0) std::abort();  // only what does not fit may fail
  }
  return 0;
}
