#include "tests/fake/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/failure.h"
#include "platform/utf8.h"
#include "app/Form1.h"
#include "hotkeys/ShortCuts.h"
#include "tray/mSysTray.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush::fake {

std::vector<std::string> CallLog::Starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& call : calls)
    if (call.rfind(prefix, 0) == 0) out.push_back(call);
  return out;
}

int FakeMessageBox::MessageBoxA(const std::string& text, const std::string& caption, unsigned style) {
  log_.Add("MessageBoxA " + caption);
  shown.push_back({text, caption, style});
  return 1;
}

namespace {

class FakeEndpointVolume : public platform::IAudioEndpointVolume {
 public:
  FakeEndpointVolume(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeEndpointVolume() override { log_.Add("Release endpoint volume"); }
  platform::HResult RegisterControlChangeNotify(std::shared_ptr<platform::IAudioEndpointVolumeCallback> sink) override {
    log_.Add("RegisterControlChangeNotify");
    if (sink) {
      ++audio_.registeredSinks;
      sinks_.push_back(std::move(sink));
    }
    return platform::kOk;
  }
  platform::HResult UnregisterControlChangeNotify(
      const std::shared_ptr<platform::IAudioEndpointVolumeCallback>& sink) override {
    log_.Add("UnregisterControlChangeNotify");
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it)
      if (*it == sink) {
        sinks_.erase(it);
        --audio_.registeredSinks;
        return platform::kOk;
      }
    return platform::kInvalidArg;
  }
  platform::HResult GetMasterVolumeLevelScalar(float* level) override {
    log_.Add("GetMasterVolumeLevelScalar");
    if (audio_.script.getLevelStatus != platform::kOk) return audio_.script.getLevelStatus;
    *level = audio_.script.level;
    return platform::kOk;
  }
  platform::HResult SetMasterVolumeLevelScalar(float level, const platform::Guid* context) override {
    log_.Add("SetMasterVolumeLevelScalar");
    audio_.levelsWritten.push_back(level);
    audio_.contextsWritten.push_back(context ? *context : platform::Guid{0xFFFFFFFF, 0, 0, {}});
    if (audio_.script.setLevelStatus != platform::kOk) return audio_.script.setLevelStatus;
    if (level < 0.0f || level > 1.0f) return platform::kInvalidArg;  // as the real endpoint does
    audio_.script.level = level;
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
  std::vector<std::shared_ptr<platform::IAudioEndpointVolumeCallback>> sinks_;
};

class FakeDevice : public platform::IMMDevice {
 public:
  FakeDevice(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeDevice() override { log_.Add("Release device"); }
  platform::HResult Activate(const platform::Guid& iid, std::uint32_t clsctx, const platform::PropVariantI2* params,
                             std::unique_ptr<platform::IAudioEndpointVolume>* out) override {
    log_.Add("Activate clsctx=" + std::to_string(clsctx));
    audio_.lastActivationIid = iid;
    if (params) audio_.lastActivationParams = *params;
    if (!audio_.script.hasEndpointVolume) return platform::kNoInterface;
    *out = std::make_unique<FakeEndpointVolume>(audio_, log_);
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
};

class FakeEnumerator : public platform::IMMDeviceEnumerator {
 public:
  FakeEnumerator(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeEnumerator() override { log_.Add("Release enumerator"); }
  platform::HResult GetDefaultAudioEndpoint(std::int32_t flow, std::int32_t role,
                                            std::unique_ptr<platform::IMMDevice>* device) override {
    log_.Add("GetDefaultAudioEndpoint " + std::to_string(flow) + " " + std::to_string(role));
    if (!audio_.script.hasDevice) return platform::kNotFound;
    *device = std::make_unique<FakeDevice>(audio_, log_);
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
};

}  // namespace

std::unique_ptr<platform::IMMDeviceEnumerator> FakeCoreAudio::CreateDeviceEnumerator() {
  log_.Add("CreateDeviceEnumerator");
  if (script.enumeratorFails) throw platform::Failure("Class not registered");
  return std::make_unique<FakeEnumerator>(*this, log_);
}

platform::MmResult FakeMixer::mixerOpen(platform::MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t,
                                        std::uintptr_t, std::uint32_t fdwOpen) {
  log_.Add("mixerOpen " + std::to_string(deviceId) + " " + std::to_string(fdwOpen));
  if (script.openResult != 0) return script.openResult;
  *handle = ++next_;
  ++openHandles;
  return 0;
}

platform::MmResult FakeMixer::mixerClose(platform::MixerHandle32 handle) {
  log_.Add("mixerClose " + std::to_string(handle));
  --openHandles;
  return 0;
}

platform::MmResult FakeMixer::mixerGetLineInfoA(platform::MixerHandle32, platform::MixerLine* line,
                                                std::uint32_t flags) {
  log_.Add("mixerGetLineInfoA cb=" + std::to_string(line->cbStruct) + " type=" +
           std::to_string(line->dwComponentType) + " flags=" + std::to_string(flags));
  if (!script.hasSpeakersLine || line->dwComponentType != platform::kMixerLineComponentTypeDstSpeakers)
    return platform::kMixerErrInvalLine;
  line->dwLineID = script.lineId;
  line->cControls = 1;
  return 0;
}

platform::MmResult FakeMixer::mixerGetLineControlsA(platform::MixerHandle32, platform::MixerLineControls* controls,
                                                    std::uint32_t flags) {
  log_.Add("mixerGetLineControlsA cb=" + std::to_string(controls->cbStruct) + " line=" +
           std::to_string(controls->dwLineID) + " type=" + std::to_string(controls->dwControlType) +
           " n=" + std::to_string(controls->cControls) + " size=" + std::to_string(controls->cbmxctrl) +
           " flags=" + std::to_string(flags));
  if (!script.hasVolumeControl || controls->dwLineID != script.lineId ||
      controls->dwControlType != platform::kMixerControlTypeVolume)
    return platform::kMixerErrInvalControl;
  platform::MixerControl control{};
  control.cbStruct = 152;
  control.dwControlID = script.controlId;
  control.dwControlType = platform::kMixerControlTypeVolume;
  control.lMinimum = script.lMinimum;
  control.lMaximum = script.lMaximum;
  std::memcpy(controls->pamxctrl, &control, sizeof control);
  return 0;
}

platform::MmResult FakeMixer::mixerGetControlDetailsA(platform::MixerHandle32, platform::MixerControlDetails* details,
                                                      std::uint32_t flags) {
  log_.Add("mixerGetControlDetailsA id=" + std::to_string(details->dwControlID) + " ch=" +
           std::to_string(details->cChannels) + " size=" + std::to_string(details->cbDetails) +
           " flags=" + std::to_string(flags));
  if (script.getDetailsFails) return platform::kMixerErrInvalControl;
  std::memcpy(details->paDetails, &script.value, 4);
  return 0;
}

platform::MmResult FakeMixer::mixerSetControlDetails(platform::MixerHandle32, platform::MixerControlDetails* details,
                                                     std::uint32_t flags) {
  std::int32_t value = 0;
  std::memcpy(&value, details->paDetails, 4);
  log_.Add("mixerSetControlDetails id=" + std::to_string(details->dwControlID) + " value=" + std::to_string(value) +
           " flags=" + std::to_string(flags));
  written.push_back(value);
  script.value = static_cast<std::uint32_t>(value);
  return 0;
}

std::int32_t FakeVersion::RtlGetVersion(platform::OsVersionInfoExW* info) {
  log_.Add("RtlGetVersion");
  if (missing) throw platform::Failure("Can't find DLL entry point RtlGetVersion in ntdll");
  sizeSeen = info->dwOSVersionInfoSize;
  if (status != 0) return status;
  const auto size = info->dwOSVersionInfoSize;
  *info = answer;
  info->dwOSVersionInfoSize = size;
  return 0;
}

std::uint16_t FakeAtoms::GlobalAddAtomA(const std::string& text) {
  log_.Add("GlobalAddAtomA " + text);
  auto it = atoms.find(text);
  if (it == atoms.end()) it = atoms.emplace(text, static_cast<std::uint16_t>(0xC000 + atoms.size())).first;
  return it->second;
}

bool FakeHotkeys::Holds(std::uint32_t vk) const {
  return std::any_of(registered.begin(), registered.end(), [&](const Key& k) { return k.vk == vk; });
}

bool FakeHotkeys::RegisterHotKey(platform::WindowHandle window, std::int32_t id, std::uint32_t modifiers,
                                 std::uint32_t vk) {
  log_.Add("RegisterHotKey " + std::to_string(window) + " " + std::to_string(id) + " " + std::to_string(modifiers) +
           " " + std::to_string(vk));
  for (const auto& other : heldByOthers)
    if (other.first == modifiers && other.second == vk) return false;
  for (const auto& key : registered)
    if (key.modifiers == modifiers && key.vk == vk) return false;
  registered.push_back({window, id, modifiers, vk});
  return true;
}

bool FakeHotkeys::UnregisterHotKey(platform::WindowHandle window, std::int32_t id) {
  log_.Add("UnregisterHotKey " + std::to_string(window) + " " + std::to_string(id));
  const auto it = std::find_if(registered.begin(), registered.end(),
                               [&](const Key& k) { return k.window == window && k.id == id; });
  if (it == registered.end()) return false;
  registered.erase(it);
  return true;
}

void FakeHotkeys::Press(std::uint32_t modifiers, std::uint32_t vk) {
  for (const auto& key : registered)
    if (key.modifiers == modifiers && key.vk == vk)
      messages_.Post({key.window, platform::kWmHotkey, static_cast<std::uintptr_t>(key.id),
                      static_cast<std::intptr_t>(modifiers | (vk << 16)), 0, 0, 0});
}

void FakeMessageLoop::WaitMessage() {
  ++passes;
  log_.Add("WaitMessage");
  if (passes > maxPasses) {  // keep a broken pump from hanging the test run
    ranAway = true;
    ShortCuts::StopProcessing = true;
  }
  if (onWait) onWait(passes);
  if (failWait) failWait();
}

bool FakeMessageLoop::PeekMessageA(platform::Msg* msg, platform::WindowHandle window, std::uint32_t first,
                                   std::uint32_t last, std::uint32_t remove) {
  log_.Add("PeekMessageA " + std::to_string(window) + " " + std::to_string(first) + " " + std::to_string(last) +
           " " + std::to_string(remove));
  if (failPeek) failPeek();
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (it->hwnd != window || it->message < first || it->message > last) continue;
    *msg = *it;
    if (remove & platform::kPmRemove) queue.erase(it);
    return true;
  }
  return false;
}

void FakeMessageLoop::DoEvents() {
  log_.Add("DoEvents");
  if (failDoEvents) failDoEvents();
  if (onDoEvents) onDoEvents(passes);
  // Everything pending is dispatched; a hotkey message reaches the window, which does nothing with it.
  dropped += static_cast<int>(queue.size());
  queue.clear();
}

void FakeTimer::StartTimer(std::uint32_t intervalMs, std::function<void()> callback) {
  log_.Add("StartTimer " + std::to_string(intervalMs));
  running = true;
  interval = intervalMs;
  tick = std::move(callback);
}

void FakeTimer::StopTimer() {
  log_.Add("StopTimer");
  running = false;
}

std::string FakeSettings::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                     const std::string& fallback) {
  log_.Add("GetSetting " + key);
  const auto it = values.find(app + "|" + section + "|" + key);
  return it == values.end() ? fallback : it->second;
}

void FakeSettings::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                               const std::string& value) {
  log_.Add("SaveSetting " + key + "=" + value);
  saves.push_back(key + "=" + value);
  values[app + "|" + section + "|" + key] = value;
}

std::optional<std::string> FakeSettings::Value(const std::string& key) const {
  for (const auto& [name, value] : values)
    if (name.size() > key.size() && name.compare(name.size() - key.size() - 1, std::string::npos, "|" + key) == 0)
      return value;
  return std::nullopt;
}

std::string FakeRegistry::Value::Text() const {
  std::string text(data.begin(), data.end());
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::string FakeRegistry::Name(platform::RegKey32 root, const std::string& path) {
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (!upper.empty() && upper.back() == '\\') upper.pop_back();
  return std::to_string(root) + "|" + upper;
}

FakeRegistry::KeyData& FakeRegistry::AddKey(platform::RegKey32 root, const std::string& path, bool writable) {
  KeyData& key = keys[Name(root, path)];
  key.writable = writable;
  return key;
}

FakeRegistry::KeyData* FakeRegistry::Find(platform::RegKey32 root, const std::string& path) {
  const auto it = keys.find(Name(root, path));
  return it == keys.end() ? nullptr : &it->second;
}

platform::RegStatus FakeRegistry::RegOpenKeyExA(platform::RegKey32 root, const std::string& path,
                                                std::uint32_t options, std::uint32_t access,
                                                platform::RegKey32* handle) {
  log_.Add("RegOpenKeyExA " + std::to_string(root) + " " + path + " " + std::to_string(options) + " " +
           std::to_string(access));
  KeyData* key = Find(root, path);
  if (!key) return platform::kErrorFileNotFound;
  if (!key->writable && (access & 0x6)) return platform::kErrorAccessDenied;
  *handle = ++next_;
  open[*handle] = Name(root, path);
  return platform::kErrorSuccess;
}

platform::RegStatus FakeRegistry::RegSetValueExA(platform::RegKey32 key, const std::string& name, std::uint32_t,
                                                 std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  log_.Add("RegSetValueExA " + std::to_string(key) + " " + name + " " + std::to_string(type) + " " +
           std::to_string(size));
  const auto it = open.find(key);
  if (it == open.end()) return platform::kErrorInvalidHandle;
  keys[it->second].values[name] = Value{type, std::vector<std::uint8_t>(data, data + size)};
  return platform::kErrorSuccess;
}

platform::RegStatus FakeRegistry::RegDeleteValueA(platform::RegKey32 key, const std::string& name) {
  log_.Add("RegDeleteValueA " + std::to_string(key) + " " + name);
  const auto it = open.find(key);
  if (it == open.end()) return platform::kErrorInvalidHandle;
  return keys[it->second].values.erase(name) ? platform::kErrorSuccess : platform::kErrorFileNotFound;
}

platform::RegStatus FakeRegistry::RegQueryValueExA(platform::RegKey32 key, const std::string& name,
                                                   std::uint32_t* type, std::string* data) {
  log_.Add("RegQueryValueExA " + std::to_string(key) + " " + name);
  const auto it = open.find(key);
  if (it == open.end()) return platform::kErrorInvalidHandle;
  const auto& values = keys[it->second].values;
  const auto value = values.find(name);
  if (value == values.end()) return platform::kErrorFileNotFound;
  if (type) *type = value->second.type;
  if (data) *data = value->second.Text();
  return platform::kErrorSuccess;
}

platform::RegStatus FakeRegistry::RegCloseKey(platform::RegKey32 key) {
  log_.Add("RegCloseKey " + std::to_string(key));
  return open.erase(key) ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
}

platform::WindowHandle FakeTray::CreateTrayWindow() {
  const platform::WindowHandle window = next_++;
  windows[window].proc = kOwnProc;
  log_.Add("CreateTrayWindow " + std::to_string(window));
  return window;
}

void FakeTray::DestroyTrayWindow(platform::WindowHandle window) {
  log_.Add("DestroyTrayWindow " + std::to_string(window));
  windows.at(window).destroyed = true;
}

bool FakeTray::Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconDataA* data) {
  log_.Add("Shell_NotifyIconA " + std::to_string(message) + " flags=" + std::to_string(data->uFlags));
  sent.push_back({message, *data});
  return answer;
}

std::intptr_t FakeTray::SetWindowLongA(platform::WindowHandle window, int index, std::intptr_t value) {
  log_.Add("SetWindowLongA " + std::string(index == platform::kGwlpWndProc ? "proc" : "userdata"));
  Window& w = windows.at(window);
  std::intptr_t& slot = index == platform::kGwlpWndProc ? w.proc : w.userData;
  const std::intptr_t previous = slot;
  slot = value;
  return previous;
}

std::intptr_t FakeTray::GetWindowLongA(platform::WindowHandle window, int index) {
  const Window& w = windows.at(window);
  return index == platform::kGwlpWndProc ? w.proc : w.userData;
}

std::intptr_t FakeTray::CallWindowProcA(std::intptr_t proc, platform::WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
  if (proc == kOwnProc) {
    const platform::Msg msg{window, message, wParam, lParam, 0, 0, 0};
    reachedOwnProc.push_back(msg);
    return ownProcResult ? ownProcResult(msg) : 0;
  }
  return reinterpret_cast<platform::WindowProc>(proc)(window, message, wParam, lParam);
}

void FakeTray::SetTrayHostHandler(platform::WindowHandle window, std::function<void(bool)> handler) {
  windows.at(window).host = std::move(handler);
}

std::intptr_t FakeTray::Send(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  return CallWindowProcA(windows.at(window).proc, window, message, wParam, lParam);
}

void FakeTray::HostChanged(bool nowAvailable) {
  available = nowAvailable;
  for (auto& [handle, w] : windows)
    if (w.host && !w.destroyed) w.host(nowAvailable);
}

void FakeClock::WaitForEvents(std::uint32_t maxMs) {
  log_.Add("WaitForEvents " + std::to_string(maxMs));
  waits.push_back(maxMs);
  if (onWait) onWait(static_cast<int>(waits.size()));
  now += step > 0 ? step : static_cast<std::int64_t>(maxMs);
}

std::vector<std::string> FakeCodePage::ToSystemCodePage(const std::string& utf8) {
  return platform::SplitUtf8(utf8);
}

void FakeWindow::Show() {
  log_.Add("Show");
  ++shows;
  if (visible) return;  // a shown window keeps the state it has
  visible = true;
}

void FakeWindow::Hide() {
  log_.Add("Hide");
  visible = false;
}

void FakeWindow::SetWindowState(int newState) {
  log_.Add("SetWindowState " + std::to_string(newState));
  if (newState == state) return;
  state = newState;
  if (visible && onStateChange) onStateChange();  // a hidden window only keeps it for its next show
}

void FakeWindow::SetFocus() {
  log_.Add("SetFocus");
  focused = true;
}

void FakeWindow::SetCaption(const std::string& text) {
  log_.Add("SetCaption " + text);
  if (failCaption) throw platform::Failure("Out of memory");
  caption = text;
}

void FakeWindow::SetIcon(const platform::PicturePtr& picture) {
  log_.Add("SetIcon");
  if (failIcon) throw platform::Failure("Invalid picture");
  icon = picture;
}

void FakeWindow::SetBackColor(std::uint32_t color) {
  log_.Add("SetBackColor " + std::to_string(color));
  backColor = color;
}

void FakeWindow::SetPointer(int value, const platform::PicturePtr& custom) {
  log_.Add("SetPointer " + std::to_string(value));
  pointer = value;
  pointerPicture = custom;
}

void FakeWindow::Build(const platform::FormLayout& formLayout, const std::vector<platform::ControlLayout>& layouts,
                       platform::IWindowEvents* listener) {
  log_.Add("Build");
  form = formLayout;
  controls = layouts;
  events = listener;
}

void FakeWindow::SetControlText(int id, const std::string& text) {
  log_.Add("SetControlText " + std::to_string(id));
  controls.at(static_cast<std::size_t>(id)).caption = text;
}

void FakeWindow::SetControlItems(int id, const std::vector<std::string>& items) {
  controls.at(static_cast<std::size_t>(id)).items = items;
}

void FakeWindow::SetControlSelection(int id, int index) {
  log_.Add("SetControlSelection " + std::to_string(id) + " " + std::to_string(index));
  controls.at(static_cast<std::size_t>(id)).selected = index;
}

void FakeWindow::SetControlChecked(int id, bool checked) {
  controls.at(static_cast<std::size_t>(id)).checked = checked;
}

void FakeWindow::SetControlVisible(int id, bool shown) { controls.at(static_cast<std::size_t>(id)).visible = shown; }

void FakeWindow::SetControlColors(int id, std::uint32_t back, std::uint32_t fore) {
  controls.at(static_cast<std::size_t>(id)).backColor = back;
  controls.at(static_cast<std::size_t>(id)).foreColor = fore;
}

void FakeWindow::EndProgram(int status) {
  log_.Add("EndProgram " + std::to_string(status));
  throw ProgramEnded{status};
}

std::int64_t FakeFiles::FileDateTime(const std::string& path) {
  const auto it = entries.find(path);
  if (it == entries.end() || std::find(unreadable.begin(), unreadable.end(), path) != unreadable.end())
    throw platform::Failure("File not found");
  return 1700000000;
}

std::string FakeFiles::Dir(const std::string& path) {
  const auto it = entries.find(path);
  if (it == entries.end() || it->second) return "";
  const std::size_t cut = path.find_last_of(separator);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

platform::PicturePtr FakePictures::LoadPicture(const std::string& path) {
  const auto it = files.find(path);
  if (it == files.end()) throw platform::Failure("Invalid picture");
  return it->second;
}

FakePlatform::FakePlatform() {
  HiddenInTray = false;
  mSysTray::PreviousWndProc = 0;
  mSysTray::Shell = nullptr;
  VolumeSet::MixerHandle = 0;
  VolumeSet::SpeakerVolumeControl = {};
  WinVersion::WindowsMajorVersion = 0;
  ShortCuts::StopProcessing = false;
  ShortCuts::IncreaseHotkeyId = 0;
  ShortCuts::DecreaseHotkeyId = 0;
}

}  // namespace hush::fake
