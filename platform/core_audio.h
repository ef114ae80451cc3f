#pragma once
#include <cstdint>
#include <memory>

namespace hush::platform {

using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kNotFound = static_cast<HResult>(0x80070490u);      // E_NOTFOUND
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);   // E_NOINTERFACE
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);    // E_INVALIDARG
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);          // E_FAIL

struct Guid {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
  friend bool operator==(const Guid&, const Guid&) = default;
};
static_assert(sizeof(Guid) == 16);

// The interface a device is asked for; backends check it before they hand out an endpoint volume.
inline constexpr Guid kIidAudioEndpointVolume{0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};

inline constexpr std::int32_t eRender = 0;
inline constexpr std::int32_t eMultimedia = 1;
inline constexpr std::uint32_t kClsctxInprocServer = 1;
inline constexpr std::uint16_t kVtI2 = 2;

// The activation parameter: a variant of type VT_I2.
struct PropVariantI2 {
  std::uint16_t vt;
  std::int16_t iVal;
};

// The program's notification sink, as the endpoint sees it.
class IAudioEndpointVolumeCallback {
 public:
  virtual ~IAudioEndpointVolumeCallback() = default;
  virtual HResult OnNotify(const void* notify) = 0;
};

class IAudioEndpointVolume {
 public:
  virtual ~IAudioEndpointVolume() = default;  // Release
  virtual HResult RegisterControlChangeNotify(std::shared_ptr<IAudioEndpointVolumeCallback> sink) = 0;
  virtual HResult UnregisterControlChangeNotify(const std::shared_ptr<IAudioEndpointVolumeCallback>& sink) = 0;
  virtual HResult GetMasterVolumeLevelScalar(float* level) = 0;
  virtual HResult SetMasterVolumeLevelScalar(float level, const Guid* eventContext) = 0;
};

class IMMDevice {
 public:
  virtual ~IMMDevice() = default;  // Release
  virtual HResult Activate(const Guid& iid, std::uint32_t clsctx, const PropVariantI2* activationParams,
                           std::unique_ptr<IAudioEndpointVolume>* endpointVolume) = 0;
};

class IMMDeviceEnumerator {
 public:
  virtual ~IMMDeviceEnumerator() = default;  // Release
  virtual HResult GetDefaultAudioEndpoint(std::int32_t dataFlow, std::int32_t role,
                                          std::unique_ptr<IMMDevice>* device) = 0;
};

class ICoreAudio {
 public:
  virtual ~ICoreAudio() = default;
  // Creates an instance of CLSID_MMDeviceEnumerator; throws Failure when it can't be created.
  virtual std::unique_ptr<IMMDeviceEnumerator> CreateDeviceEnumerator() = 0;
};

}  // namespace hush::platform
