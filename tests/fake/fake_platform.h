#pragma once
// A platform for unit tests: records every call with its arguments and answers from a script.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace hush::fake {

struct CallLog {
  std::vector<std::string> calls;
  void Add(std::string call) { calls.push_back(std::move(call)); }
  // The calls whose text starts with the prefix, in order.
  std::vector<std::string> Starting(const std::string& prefix) const;
  std::size_t Count(const std::string& prefix) const { return Starting(prefix).size(); }
};

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned style;
};

class FakeMessageBox : public platform::IMessageBox {
 public:
  explicit FakeMessageBox(CallLog& log) : log_(log) {}
  int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override;
  std::vector<ShownBox> shown;

 private:
  CallLog& log_;
};

// Script of the endpoint service.
struct CoreAudioScript {
  bool enumeratorFails = false;
  bool hasDevice = true;
  bool hasEndpointVolume = true;
  platform::HResult getLevelStatus = platform::kOk;
  platform::HResult setLevelStatus = platform::kOk;
  float level = 0.5f;
  bool muted = false;
};

class FakeCoreAudio : public platform::ICoreAudio {
 public:
  explicit FakeCoreAudio(CallLog& log) : log_(log) {}
  std::unique_ptr<platform::IMMDeviceEnumerator> CreateDeviceEnumerator() override;

  CoreAudioScript script;
  std::vector<float> levelsWritten;
  std::vector<platform::Guid> contextsWritten;
  std::optional<platform::PropVariantI2> lastActivationParams;
  platform::Guid lastActivationIid{};
  int registeredSinks = 0;  // registrations still in force

 private:
  CallLog& log_;
};

// Script of the multimedia mixer: a speakers volume control that stores what it is given.
struct MixerScript {
  platform::MmResult openResult = 0;
  bool hasSpeakersLine = true;
  bool hasVolumeControl = true;
  bool getDetailsFails = false;
  std::int32_t lMinimum = 0;
  std::int32_t lMaximum = 65535;
  std::uint32_t value = 0;
  std::uint32_t lineId = 0xFFFF0000u;
  std::uint32_t controlId = 7;
};

class FakeMixer : public platform::IMixer {
 public:
  explicit FakeMixer(CallLog& log) : log_(log) {}
  platform::MmResult mixerOpen(platform::MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback,
                               std::uintptr_t instance, std::uint32_t fdwOpen) override;
  platform::MmResult mixerClose(platform::MixerHandle32 handle) override;
  platform::MmResult mixerGetLineInfoA(platform::MixerHandle32 handle, platform::MixerLine* line,
                                       std::uint32_t flags) override;
  platform::MmResult mixerGetLineControlsA(platform::MixerHandle32 handle, platform::MixerLineControls* controls,
                                           std::uint32_t flags) override;
  platform::MmResult mixerGetControlDetailsA(platform::MixerHandle32 handle, platform::MixerControlDetails* details,
                                             std::uint32_t flags) override;
  platform::MmResult mixerSetControlDetails(platform::MixerHandle32 handle, platform::MixerControlDetails* details,
                                            std::uint32_t flags) override;

  MixerScript script;
  std::vector<std::int32_t> written;  // values as signed 32-bit
  int openHandles = 0;

 private:
  CallLog& log_;
  platform::MixerHandle32 next_ = 0x100;
};

class FakeVersion : public platform::IVersionQuery {
 public:
  explicit FakeVersion(CallLog& log) : log_(log) {}
  std::int32_t RtlGetVersion(platform::OsVersionInfoExW* info) override;
  platform::OsVersionInfoExW answer{};
  std::int32_t status = 0;
  bool missing = false;  // the query itself is not there
  std::uint32_t sizeSeen = 0;

 private:
  CallLog& log_;
};

// All fakes together, with the Platform aggregate the product code takes.
struct FakePlatform {
  CallLog log;
  FakeMessageBox box{log};
  FakeCoreAudio audio{log};
  FakeMixer mixer{log};
  FakeVersion version{log};
  platform::Platform platform{box, audio, mixer, version};

  FakePlatform();  // also resets the product's module state
};

}  // namespace hush::fake
