#include "volume/cAEndpointVolClb.h"

namespace hush {

platform::HResult cAEndpointVolClb::IAudioEndpointVolumeCallback_OnNotify(const void* /*notify*/) {
  return platform::kOk;
}

}  // namespace hush
