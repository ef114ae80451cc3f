#include "volume/mCoreAudio.h"

#include "volume/mIID.h"

namespace hush::mCoreAudio {

platform::Guid IID_IAudioEndpointVolume() {
  static const platform::Guid iid =
      mIID::BuildGuid(0x5CDF2C82, 0x841E, 0x4546, 0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A);
  return iid;
}

platform::Guid CLSID_MMDeviceEnumerator() {
  static const platform::Guid id =
      mIID::BuildGuid(0xBCDE0395, 0xE52F, 0x467C, 0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E);
  return id;
}

platform::Guid IID_IMMDeviceEnumerator() {
  static const platform::Guid id =
      mIID::BuildGuid(0xA95664D2, 0x9614, 0x4F35, 0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6);
  return id;
}

platform::Guid IID_IAudioEndpointVolumeCallback() {
  static const platform::Guid id =
      mIID::BuildGuid(0x657804FA, 0xD6AD, 0x4496, 0x8A, 0x60, 0x35, 0x27, 0x52, 0xAF, 0x4F, 0x89);
  return id;
}

}  // namespace hush::mCoreAudio
