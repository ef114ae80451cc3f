#pragma once
// A platform for unit tests: records every call with its arguments and answers from a script.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/platform.h"

namespace hush::fake {

struct CallLog {
  std::vector<std::string> calls;
  // A call whose text starts with this raises an error once recorded, as a failing system call does.
  std::string failOn;
  void Add(std::string call) {
    const bool fail = !failOn.empty() && call.rfind(failOn, 0) == 0;
    calls.push_back(std::move(call));
    if (fail) throw platform::Failure("Automation error");
  }
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

class FakeAtoms : public platform::IAtomTable {
 public:
  explicit FakeAtoms(CallLog& log) : log_(log) {}
  std::uint16_t GlobalAddAtomA(const std::string& text) override;
  std::map<std::string, std::uint16_t> atoms;

 private:
  CallLog& log_;
};

class FakeMessageLoop;

// Registrations like the window system keeps them; a combination held twice is refused.
class FakeHotkeys : public platform::IHotkeys {
 public:
  FakeHotkeys(CallLog& log, FakeMessageLoop& messages) : log_(log), messages_(messages) {}
  bool RegisterHotKey(platform::WindowHandle window, std::int32_t id, std::uint32_t modifiers,
                      std::uint32_t vk) override;
  bool UnregisterHotKey(platform::WindowHandle window, std::int32_t id) override;
  // A press of the combination: a hotkey message for whoever holds it.
  void Press(std::uint32_t modifiers, std::uint32_t vk);

  struct Key {
    platform::WindowHandle window;
    std::int32_t id;
    std::uint32_t modifiers;
    std::uint32_t vk;
  };
  std::vector<Key> registered;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> heldByOthers;  // modifiers, vk
  bool Holds(std::uint32_t vk) const;

 private:
  CallLog& log_;
  FakeMessageLoop& messages_;
};

class FakeMessageLoop : public platform::IMessageLoop {
 public:
  explicit FakeMessageLoop(CallLog& log) : log_(log) {}
  void WaitMessage() override;
  bool PeekMessageA(platform::Msg* msg, platform::WindowHandle window, std::uint32_t first, std::uint32_t last,
                    std::uint32_t remove) override;
  void DoEvents() override;

  void Post(platform::Msg msg) { queue.push_back(msg); }
  std::vector<platform::Msg> queue;
  int passes = 0;        // waits so far
  int maxPasses = 1000;  // a runaway pump is stopped here
  bool ranAway = false;
  std::function<void(int pass)> onWait;       // runs at the start of each wait
  std::function<void(int pass)> onDoEvents;   // runs inside the event processing, as user handlers do
  std::function<void()> failWait, failPeek, failDoEvents;  // throw to make a line fail
  int dropped = 0;  // hotkey messages dispatched by the event processing, which nothing acts on

 private:
  CallLog& log_;
};

class FakeTimer : public platform::ITimerService {
 public:
  explicit FakeTimer(CallLog& log) : log_(log) {}
  void StartTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
  void StopTimer() override;
  void Tick() {
    if (running && tick) tick();
  }
  bool running = false;
  std::uint32_t interval = 0;
  std::function<void()> tick;

 private:
  CallLog& log_;
};

// Thrown by the fake window where the real one ends the process.
struct ProgramEnded {
  int status;
};

class FakeWindow : public platform::IMainWindow {
 public:
  explicit FakeWindow(CallLog& log) : log_(log) {}
  platform::WindowHandle Handle() override { return handle; }
  void Show() override;
  void Hide() override;
  bool Visible() override { return visible; }
  int WindowState() override { return state; }
  void SetWindowState(int newState) override;
  void SetFocus() override;
  void SetCaption(const std::string& text) override;
  void SetIcon(const platform::PicturePtr& picture) override;
  void SetBackColor(std::uint32_t color) override;
  void SetPointer(int value, const platform::PicturePtr& custom) override;
  void Build(const platform::FormLayout& form, const std::vector<platform::ControlLayout>& controls,
             platform::IWindowEvents* listener) override;
  void SetControlText(int id, const std::string& text) override;
  void SetControlItems(int id, const std::vector<std::string>& items) override;
  void SetControlSelection(int id, int index) override;
  void SetControlChecked(int id, bool checked) override;
  void SetControlVisible(int id, bool shown) override;
  void SetControlColors(int id, std::uint32_t backColor, std::uint32_t foreColor) override;
  void EndProgram(int status) override;

  platform::WindowHandle handle = 0x1234;
  int shows = 0;
  bool visible = false;
  int state = platform::kStateNormal;
  bool focused = false;
  std::string caption;
  platform::PicturePtr icon;
  std::uint32_t backColor = 0;
  int pointer = platform::kPointerDefault;
  platform::PicturePtr pointerPicture;
  std::function<void()> onStateChange;  // the window system's report of a new state
  bool failCaption = false;
  bool failIcon = false;
  platform::FormLayout form{};
  std::vector<platform::ControlLayout> controls;
  platform::IWindowEvents* events = nullptr;

 private:
  CallLog& log_;
};

class FakeSettings : public platform::ISettingsStore {
 public:
  explicit FakeSettings(CallLog& log) : log_(log) {}
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;
  std::map<std::string, std::string> values;  // "app|section|key"
  std::vector<std::string> saves;             // "key=value", in order
  std::optional<std::string> Value(const std::string& key) const;

 private:
  CallLog& log_;
};

// An in-memory registry: keys that exist, whether they may be written, their values.
class FakeRegistry : public platform::IRegistry {
 public:
  explicit FakeRegistry(CallLog& log) : log_(log) {}
  platform::RegStatus RegOpenKeyExA(platform::RegKey32 root, const std::string& path, std::uint32_t options,
                                    std::uint32_t access, platform::RegKey32* handle) override;
  platform::RegStatus RegSetValueExA(platform::RegKey32 key, const std::string& name, std::uint32_t reserved,
                                     std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override;
  platform::RegStatus RegDeleteValueA(platform::RegKey32 key, const std::string& name) override;
  platform::RegStatus RegQueryValueExA(platform::RegKey32 key, const std::string& name, std::uint32_t* type,
                                       std::string* data) override;
  platform::RegStatus RegCloseKey(platform::RegKey32 key) override;

  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::string Text() const;  // REG_SZ data without its terminator
  };
  struct KeyData {
    bool writable = true;
    std::map<std::string, Value> values;
  };
  // Keys by "root|PATH" (upper case, without a trailing backslash).
  std::map<std::string, KeyData> keys;
  KeyData& AddKey(platform::RegKey32 root, const std::string& path, bool writable = true);
  KeyData* Find(platform::RegKey32 root, const std::string& path);
  std::map<platform::RegKey32, std::string> open;  // handle -> key

 private:
  static std::string Name(platform::RegKey32 root, const std::string& path);
  CallLog& log_;
  platform::RegKey32 next_ = 0x40;
};

class FakeFiles : public platform::IFileSystem {
 public:
  std::string ProgramFolder() override { return folder; }
  std::string ProgramFileName() override { return fileName; }
  char PathSeparator() override { return separator; }
  std::int64_t FileDateTime(const std::string& path) override;
  std::string Dir(const std::string& path) override;
  std::map<std::string, bool> entries;  // path -> whether it is a folder
  std::vector<std::string> unreadable;  // listed, but their time can't be read
  std::string folder = "C:\\Program Files\\Hushdial";
  std::string fileName = "Hushdial.exe";
  char separator = '\\';
};

// The notification area and the window-procedure chain: every record sent is kept whole, every
// window has its own procedure (a scripted one until replaced) and user data.
class FakeTray : public platform::ITray {
 public:
  explicit FakeTray(CallLog& log) : log_(log) {}
  platform::WindowHandle CreateTrayWindow() override;
  void DestroyTrayWindow(platform::WindowHandle window) override;
  bool Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconDataA* data) override;
  std::intptr_t SetWindowLongA(platform::WindowHandle window, int index, std::intptr_t value) override;
  std::intptr_t GetWindowLongA(platform::WindowHandle window, int index) override;
  std::intptr_t CallWindowProcA(std::intptr_t proc, platform::WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override;
  bool TrayAvailable() override { return available; }
  void SetTrayHostHandler(platform::WindowHandle window, std::function<void(bool)> handler) override;

  // The shell (or anyone) sending a message to the window: its current procedure runs.
  std::intptr_t Send(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam);
  // A notification area starting or going away.
  void HostChanged(bool nowAvailable);

  struct Sent {
    std::uint32_t message;
    platform::NotifyIconDataA data;
  };
  std::vector<Sent> sent;
  struct Window {
    std::intptr_t proc = 0;
    std::intptr_t userData = 0;
    std::function<void(bool)> host;
    bool destroyed = false;
  };
  std::map<platform::WindowHandle, Window> windows;
  // The window's own procedure, until replaced: records what reaches it and answers this.
  static constexpr std::intptr_t kOwnProc = 0x0DEF;
  std::vector<platform::Msg> reachedOwnProc;
  std::function<std::intptr_t(const platform::Msg&)> ownProcResult;
  bool available = true;
  bool answer = true;  // what Shell_NotifyIconA returns

 private:
  CallLog& log_;
  platform::WindowHandle next_ = 0x7700;
};

// Scripted time: every wait moves the clock on by what it was allowed (or by step, when set).
class FakeClock : public platform::IClock {
 public:
  explicit FakeClock(CallLog& log) : log_(log) {}
  std::int64_t MonotonicMs() override { return now; }
  void WaitForEvents(std::uint32_t maxMs) override;
  std::int64_t now = 1'000'000;
  std::int64_t step = 0;
  std::vector<std::uint32_t> waits;
  std::function<void(int wait)> onWait;  // runs inside each wait, before the time moves

 private:
  CallLog& log_;
};

// The code page is UTF-8: a character is one to four bytes.
class FakeCodePage : public platform::ICodePage {
 public:
  std::vector<std::string> ToSystemCodePage(const std::string& utf8) override;
};

class FakePictures : public platform::IPictures {
 public:
  platform::PicturePtr ProgramIcon() override { return icon; }
  platform::PicturePtr LoadPicture(const std::string& path) override;
  std::map<std::string, platform::PicturePtr> files;  // what loads
  platform::PicturePtr icon = std::make_shared<platform::Picture>(platform::Picture{platform::kPicTypeIcon, 0x1C0});
};

// All fakes together, with the Platform aggregate the product code takes.
struct FakePlatform {
  CallLog log;
  FakeMessageBox box{log};
  FakeCoreAudio audio{log};
  FakeMixer mixer{log};
  FakeVersion version{log};
  FakeAtoms atoms{log};
  FakeMessageLoop messages{log};
  FakeHotkeys hotkeys{log, messages};
  FakeTimer timer{log};
  FakeWindow window{log};
  FakeSettings settings{log};
  FakeRegistry registry{log};
  FakeFiles files;
  FakeTray tray{log};
  FakeClock clock{log};
  FakeCodePage codepage;
  FakePictures pictures;
  platform::Platform platform{box,      audio,    mixer, version, atoms, hotkeys,  messages, timer,
                              window,   settings, registry, files, tray,  clock,   codepage, pictures};

  FakePlatform();  // also resets the product's module state
  // The same services with real (or other) audio services in place of the fakes.
  platform::Platform With(platform::ICoreAudio& otherAudio, platform::IMixer& otherMixer) {
    return {box,      otherAudio, otherMixer, version, atoms, hotkeys,  messages, timer,
            window,   settings,   registry,   files,   tray,  clock,   codepage, pictures};
  }
};

}  // namespace hush::fake
