#pragma once
#include <cstddef>
#include <cstdint>

namespace hush::platform {

// Mixer records as Hushdial lays them out; the Windows backend converts them to the SDK's own.
struct MixerLine {
  std::uint32_t cbStruct;
  std::uint32_t dwDestination;
  std::uint32_t dwSource;
  std::uint32_t dwLineID;
  std::uint32_t fdwLine;
  std::uint32_t dwUser;
  std::uint32_t dwComponentType;
  std::uint32_t cChannels;
  std::uint32_t cConnections;
  std::uint32_t cControls;
  char szShortName[16];
  char szName[64];
  std::uint32_t dwType;
  std::uint32_t dwDeviceID;
  std::uint16_t wMid;
  std::uint16_t wPid;
  std::uint32_t vDriverVersion;
  char szPname[32];
};
static_assert(sizeof(MixerLine) == 168);

struct MixerControl {
  std::uint32_t cbStruct;
  std::uint32_t dwControlID;
  std::uint32_t dwControlType;
  std::uint32_t fdwControl;
  std::uint32_t cMultipleItems;
  char szShortName[16];
  char szName[64];
  std::int32_t lMinimum;
  std::int32_t lMaximum;
  std::uint8_t reserved[44];
};
static_assert(sizeof(MixerControl) == 152);
static_assert(offsetof(MixerControl, lMinimum) == 100);

struct MixerLineControls {
  std::uint32_t cbStruct;
  std::uint32_t dwLineID;
  std::uint32_t dwControlType;
  std::uint32_t cControls;
  std::uint32_t cbmxctrl;
  void* pamxctrl;
};

struct MixerControlDetails {
  std::uint32_t cbStruct;
  std::uint32_t dwControlID;
  std::uint32_t cChannels;
  std::uint32_t cMultipleItems;
  std::uint32_t cbDetails;
  void* paDetails;
};

using MixerHandle32 = std::uint32_t;
using MmResult = std::uint32_t;

inline constexpr MmResult kMmSysErrNoError = 0;
inline constexpr MmResult kMmSysErrBadDeviceId = 2;
inline constexpr MmResult kMmSysErrInvalHandle = 5;
inline constexpr MmResult kMmSysErrInvalParam = 11;
inline constexpr MmResult kMixerErrInvalLine = 1024;
inline constexpr MmResult kMixerErrInvalControl = 1025;

inline constexpr std::uint32_t kMixerGetLineInfoComponentType = 3;
inline constexpr std::uint32_t kMixerLineComponentTypeDstSpeakers = 4;
inline constexpr std::uint32_t kMixerGetLineControlsOneByType = 2;
inline constexpr std::uint32_t kMixerControlTypeVolume = 0x50030001;
inline constexpr std::uint32_t kMixerGetControlDetailsValue = 0;
inline constexpr std::uint32_t kMixerSetControlDetailsValue = 0;

// The multimedia mixer, called with the records above; every call returns 0 on success.
class IMixer {
 public:
  virtual ~IMixer() = default;
  virtual MmResult mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback,
                             std::uintptr_t instance, std::uint32_t fdwOpen) = 0;
  virtual MmResult mixerClose(MixerHandle32 handle) = 0;
  virtual MmResult mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) = 0;
  virtual MmResult mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) = 0;
  virtual MmResult mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) = 0;
  virtual MmResult mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) = 0;
};

}  // namespace hush::platform
