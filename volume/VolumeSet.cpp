#include "volume/VolumeSet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/ErrorReport.h"
#include "platform/failure.h"
#include "volume/WinVersion.h"
#include "volume/cAEndpointVolClb.h"
#include "volume/mCoreAudio.h"
#include "volume/mIID.h"

namespace hush::VolumeSet {

platform::MixerHandle32 MixerHandle = 0;
platform::MixerControl SpeakerVolumeControl{};

namespace {

const char* const kObjectNotSet = "Object variable or With block variable not set";

// A zero-filled scratch block, released on every way out of the operation that made it.
class ScratchBlock {
 public:
  explicit ScratchBlock(std::size_t size) : bytes_(size, 0) {}
  void* data() { return bytes_.data(); }
  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }

 private:
  std::vector<std::uint8_t> bytes_;
};

platform::MixerControlDetails DetailsFor(const platform::MixerControl& record, ScratchBlock& block) {
  platform::MixerControlDetails details{};
  details.cbStruct = 24;
  details.dwControlID = record.dwControlID;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = block.size();
  details.paDetails = block.data();
  return details;
}

}  // namespace

std::int32_t RoundToInt32(double value) {
  const double rounded = std::nearbyint(value);  // the default rounding mode takes halves to even
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw platform::Failure("Overflow");
  return static_cast<std::int32_t>(rounded);
}

float NextLevel(float level, bool up) {
  const double current = static_cast<double>(level);
  // A step never goes against its direction: a sound server may hold a level above full (PulseAudio
  // allows it), which a raise leaves as it is and a lower takes down from where it is.
  if (up && current >= 1.0) return level;
  const double next = current + (up ? kLevelStep : -kLevelStep);
  // Full and zero volume must be reachable exactly; nothing goes below zero.
  return static_cast<float>(up ? std::min(next, 1.0) : std::max(next, 0.0));
}

std::int32_t NextMixerValue(std::int32_t percent, bool up, const platform::MixerControl& control) {
  const std::int64_t low = control.lMinimum;
  const std::int64_t high = std::max<std::int64_t>(control.lMaximum, low);
  const double range = static_cast<double>(high - low);
  // On the control's own scale, so that a driver's 0..100 is not read as 0..65535 (a lower would
  // then throw the volume to full); a 0..65535 control steps 1024 as ever. A control with few
  // positions still moves one of them, or the step would round away to nothing.
  // A percent below the range is taken at its bottom. One above it is a sound server's level over
  // full (PulseAudio allows it): a raise leaves it where it is and a lower starts from it, since a
  // step never moves against its direction.
  const double share = std::max(static_cast<double>(percent), 0.0);
  // Halves to even, as everywhere in the step; in 64 bits, since a range may span all of 32.
  const auto rounded = [](double x) { return static_cast<std::int64_t>(std::nearbyint(x)); };
  const std::int64_t base = std::min<std::int64_t>(low + rounded(share * range / 100.0), INT32_MAX);
  if (up && base >= high) return static_cast<std::int32_t>(std::max(base, high));
  const std::int64_t step = std::max<std::int64_t>(1, rounded(static_cast<double>(kMixerStep) * range / 65535.0));
  const std::int64_t next = base + (up ? step : -step);
  // Below the bottom a negative value reads as a huge unsigned one and throws the volume to full.
  return static_cast<std::int32_t>(up ? std::min(next, high) : std::max(next, low));
}

void SetVolume(platform::SoundServices platform, bool up) {
  ErrorReport report(platform.box, ErrorReport::LocationText("VolumeSet", "SetVolume"));
  if (report.Test(100, [&] { return WinVersion::WindowsMajorVersion < 6; })) {
    report.Line(102, [&] { SetVolumeOld(platform, up); });
  } else {
    report.Line(104, [&] { SetVolumeNew(platform, up); });
  }
}

void SetVolumeNew(platform::SoundServices platform, bool up) {
  ErrorReport report(platform.box, ErrorReport::LocationText("VolumeSet", "SetVolumeNew"));
  std::unique_ptr<platform::IMMDeviceEnumerator> enumerator;
  std::unique_ptr<platform::IMMDevice> device;
  std::unique_ptr<platform::IAudioEndpointVolume> endpointVolume;
  std::shared_ptr<cAEndpointVolClb> sink;
  bool registered = false;
  float level = 0.0f;

  // Released on every way out, in the order sink, enumerator, device, endpoint volume; the sink is
  // unregistered first so that no step leaves a registration behind.
  auto release = [&] {
    try {
      if (registered && endpointVolume && sink) endpointVolume->UnregisterControlChangeNotify(sink);
    } catch (...) {  // the objects go all the same; a failure here is no step's concern
    }
    sink.reset();
    enumerator.reset();
    device.reset();
    endpointVolume.reset();
  };

  report.Line(100, [&] { enumerator = platform.audio.CreateDeviceEnumerator(); });
  report.Line(102, [&] {
    if (!enumerator) throw platform::Failure(kObjectNotSet);
    enumerator->GetDefaultAudioEndpoint(platform::eRender, platform::eMultimedia, &device);
  });
  if (!device) return release();  // line 104
  report.Line(106, [&] {
    const platform::PropVariantI2 params{platform::kVtI2, 0};
    device->Activate(mCoreAudio::IID_IAudioEndpointVolume(), platform::kClsctxInprocServer, &params,
                     &endpointVolume);
  });
  if (!endpointVolume) return release();  // line 108
  report.Line(112, [&] { sink = std::make_shared<cAEndpointVolClb>(); });
  report.Line(114, [&] {
    if (!sink) throw platform::Failure(kObjectNotSet);
    endpointVolume->RegisterControlChangeNotify(sink);
    registered = true;
  });
  report.Line(116, [&] { endpointVolume->GetMasterVolumeLevelScalar(&level); });
  const platform::Guid context = mIID::GUID_NULL();
  if (up) {  // line 118
    report.Line(120, [&] { endpointVolume->SetMasterVolumeLevelScalar(NextLevel(level, true), &context); });
  } else {
    report.Line(122, [&] { endpointVolume->SetMasterVolumeLevelScalar(NextLevel(level, false), &context); });
  }
  release();
}

bool FindMixerControl(platform::IMixer& mixer, platform::MixerHandle32 handle, std::uint32_t componentType,
                      std::uint32_t controlType, platform::MixerControl& record) {
  platform::MixerLine line{};
  line.cbStruct = 168;
  line.dwComponentType = componentType;
  if (mixer.mixerGetLineInfoA(handle, &line, platform::kMixerGetLineInfoComponentType) != 0) return false;

  ScratchBlock block(152);
  platform::MixerLineControls controls{};
  controls.cbStruct = 24;
  controls.dwLineID = line.dwLineID;
  controls.dwControlType = controlType;
  controls.cControls = 1;
  controls.cbmxctrl = 152;
  controls.pamxctrl = block.data();
  if (mixer.mixerGetLineControlsA(handle, &controls, platform::kMixerGetLineControlsOneByType) != 0) return false;
  std::memcpy(&record, block.data(), sizeof record);
  return true;
}

std::int32_t CurrentVolumePercent(platform::IMixer& mixer) {
  return ReadControlPercent(mixer, MixerHandle, SpeakerVolumeControl);
}

std::int32_t ReadControlPercent(platform::IMixer& mixer, platform::MixerHandle32 handle,
                                const platform::MixerControl& record) {
  ScratchBlock block(4);
  platform::MixerControlDetails details = DetailsFor(record, block);
  mixer.mixerGetControlDetailsA(handle, &details, platform::kMixerGetControlDetailsValue);
  std::int32_t value = 0;
  std::memcpy(&value, block.data(), sizeof value);
  // The share of the control's own range, x 100 in double: a large range must not overflow.
  const double range = static_cast<double>(record.lMaximum) - record.lMinimum;
  if (range <= 0) return 0;
  return RoundToInt32((static_cast<double>(value) - record.lMinimum) * 100.0 / range);
}

bool WriteControlValue(platform::IMixer& mixer, platform::MixerHandle32 handle, const platform::MixerControl& record,
                       std::int32_t value) {
  ScratchBlock block(4);
  std::memcpy(block.data(), &value, sizeof value);
  platform::MixerControlDetails details = DetailsFor(record, block);
  return mixer.mixerSetControlDetails(handle, &details, platform::kMixerSetControlDetailsValue) == 0;
}

void SetVolumeOld(platform::SoundServices platform, bool up) {
  ErrorReport report(platform.box, ErrorReport::LocationText("VolumeSet", "SetVolumeOld"));
  platform::IMixer& mixer = platform.mixer;
  bool opened = false;
  platform::MmResult openResult = 1;
  const bool openRan = report.Line(100, [&] {
    openResult = mixer.mixerOpen(&MixerHandle, 0, 0, 0, 0);
    opened = openResult == 0;
  });
  if (!openRan || !opened) return;

  // The handle is closed at the end of every step rather than left open.
  struct CloseAtEnd {
    platform::IMixer& mixer;
    ~CloseAtEnd() {
      try {
        mixer.mixerClose(MixerHandle);
      } catch (...) {  // a close that fails leaves nothing more to do; it must not end the program
      }
    }
  } closeAtEnd{mixer};

  bool found = true;
  if (report.Line(104, [&] {
        found = FindMixerControl(mixer, MixerHandle, platform::kMixerLineComponentTypeDstSpeakers,
                                 platform::kMixerControlTypeVolume, SpeakerVolumeControl);
      }) &&
      !found) {
    return;
  }
  std::int32_t percent = 0;
  report.Line(102, [&] { percent = CurrentVolumePercent(mixer); });
  if (up) {  // line 106
    report.Line(108, [&] { WriteControlValue(mixer, MixerHandle, SpeakerVolumeControl, NextMixerValue(percent, true, SpeakerVolumeControl)); });
  } else {
    report.Line(110, [&] { WriteControlValue(mixer, MixerHandle, SpeakerVolumeControl, NextMixerValue(percent, false, SpeakerVolumeControl)); });
  }
}

}  // namespace hush::VolumeSet
