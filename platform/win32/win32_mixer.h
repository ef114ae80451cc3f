#pragma once
#include <map>

#include "platform/mixer.h"

namespace hush::platform::win32 {

// The winmm mixer. Hushdial's records are converted to the SDK's own on every call, and the
// handles, pointers on 64-bit Windows, are kept behind small numbers.
class Win32Mixer : public IMixer {
 public:
  ~Win32Mixer() override;
  MmResult mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback, std::uintptr_t instance,
                     std::uint32_t fdwOpen) override;
  MmResult mixerClose(MixerHandle32 handle) override;
  MmResult mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) override;
  MmResult mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) override;
  MmResult mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;
  MmResult mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;

  std::size_t OpenHandles() const { return open_.size(); }

 private:
  void* Native(MixerHandle32 handle) const;
  std::map<MixerHandle32, void*> open_;
  MixerHandle32 next_ = 0;
};

}  // namespace hush::platform::win32
