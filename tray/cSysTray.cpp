#include "tray/cSysTray.h"

#include <cstring>
#include <limits>

#include "platform/failure.h"

namespace hush {

cSysTray::cSysTray(platform::Platform& platform, IControlContainer& container)
    : platform_(platform), container_(container) {
  m_InTray = false;
  IconShown = false;
  IconId = 0;
  ControlWindow = platform_.tray.CreateTrayWindow();
  platform_.tray.SetTrayHostHandler(ControlWindow, [this](bool available) { OnTrayHost(available); });
}

cSysTray::~cSysTray() {
  *alive_ = false;
  try {
    if (m_InTray) SetInTray(false);
  } catch (...) {
    // a destructor reports nothing; the icon goes with the window below
  }
  platform_.tray.SetTrayHostHandler(ControlWindow, nullptr);
  platform_.tray.DestroyTrayWindow(ControlWindow);
}

platform::NotifyIconDataA cSysTray::Record() const {
  platform::NotifyIconDataA record;
  std::memset(&record, 0, sizeof record);  // padding too: the shell sees every byte
  record.cbSize = platform::kNotifyIconDataSize;
  record.hWnd = ControlWindow;
  record.uID = IconId;
  return record;
}

void cSysTray::PutText(char* field, std::size_t size, const std::string& text) const {
  // At most size - 1 characters, and only whole characters of the converted bytes.
  std::size_t used = 0;
  std::size_t characters = 0;
  for (const std::string& character : platform_.codepage.ToSystemCodePage(text)) {
    if (characters == size - 1 || used + character.size() > size - 1) break;
    std::memcpy(field + used, character.data(), character.size());
    used += character.size();
    ++characters;
  }
  field[used] = '\0';
  std::memset(field + used + 1, ' ', size - used - 1);
}

void cSysTray::Notify(std::uint32_t message, const platform::NotifyIconDataA& record) {
  platform_.tray.Shell_NotifyIconA(message, &record);  // the shell's answer changes nothing here
}

void cSysTray::SetTrayIcon(const platform::PicturePtr& Icon) {
  if (!Icon) return;
  if (Icon->Type != platform::kPicTypeIcon) return;
  if (IconShown) {
    platform::NotifyIconDataA record = Record();
    record.uFlags = platform::kNifIcon;
    record.hIcon = Icon->Handle;
    Notify(platform::kNimModify, record);
  }
  m_TrayIcon = Icon;
  backgroundPicture_ = Icon;
  container_.PropertyChanged("TrayIcon");
}

void cSysTray::SetTrayTip(const std::string& Tip) {
  if (IconShown) {
    platform::NotifyIconDataA record = Record();
    record.uFlags = platform::kNifTip;
    PutText(record.szTip, sizeof record.szTip, Tip);
    Notify(platform::kNimModify, record);
  }
  m_TrayTip = Tip;
  container_.PropertyChanged("TrayTip");
}

void cSysTray::SetInTray(bool Show) {
  if (Show == m_InTray) return;
  if (Show) {
    if (container_.UserMode()) {
      mSysTray::Shell = &platform_.tray;
      mSysTray::PreviousWndProc = platform_.tray.SetWindowLongA(
          ControlWindow, platform::kGwlpWndProc, reinterpret_cast<std::intptr_t>(&mSysTray::TrayWindowProc));
      platform_.tray.SetWindowLongA(ControlWindow, platform::kGwlpUserData, reinterpret_cast<std::intptr_t>(this));
      AddTrayIcon(ControlWindow, IconId, m_TrayTip, m_TrayIcon);
      IconShown = true;
    }
  } else if (IconShown) {
    RemoveTrayIcon(ControlWindow, IconId);
    platform_.tray.SetWindowLongA(ControlWindow, platform::kGwlpWndProc, mSysTray::PreviousWndProc);
    IconShown = false;
  }
  m_InTray = Show;
  container_.PropertyChanged("InTray");
}

void cSysTray::AddTrayIcon(platform::WindowHandle hwnd, std::uint32_t id, const std::string& tip,
                           const platform::PicturePtr& icon) {
  platform::NotifyIconDataA record = Record();
  record.hWnd = hwnd;
  record.uID = id;
  record.uFlags = platform::kNifMessage;
  record.uCallbackMessage = mSysTray::TrayCallbackMessage;
  if (icon) {
    record.hIcon = icon->Handle;
    record.uFlags |= platform::kNifIcon;
    m_TrayIcon = icon;
  }
  if (!tip.empty()) {
    PutText(record.szTip, sizeof record.szTip, tip);
    record.uFlags |= platform::kNifTip;
    m_TrayTip = tip;
  }
  Notify(platform::kNimAdd, record);
}

void cSysTray::RemoveTrayIcon(platform::WindowHandle hwnd, std::uint32_t id) {
  platform::NotifyIconDataA record = Record();
  record.hWnd = hwnd;
  record.uID = id;
  Notify(platform::kNimDelete, record);
}

void cSysTray::ShowBalloon(const std::string& Tip, const std::string& sTitle, std::int32_t ShowTimer,
                           bool ShowOnce) {
  if (ShowOnce && OnceBalloonCount >= 1) return;
  std::int64_t timeoutMs = 0;
  if (ShowTimer > 0) {
    timeoutMs = static_cast<std::int64_t>(ShowTimer) * 1000;
    if (timeoutMs > std::numeric_limits<std::int32_t>::max()) throw platform::Failure("Overflow");
  }
  platform::NotifyIconDataA record = Record();
  record.uFlags = platform::kNifInfo;
  PutText(record.szInfoTitle, sizeof record.szInfoTitle, sTitle);
  PutText(record.szInfo, sizeof record.szInfo, Tip);
  record.uTimeout = static_cast<std::uint32_t>(timeoutMs);
  Notify(platform::kNimModify, record);  // also when the icon is not in the tray
  m_BalloonShowing = true;
  if (ShowOnce) ++OnceBalloonCount;
  if (ShowTimer <= 0) return;

  // Everything of the program keeps running meanwhile; the shell's report of the balloon closing
  // arrives through the window hook and ends the wait.
  const std::int64_t start = platform_.clock.MonotonicMs();
  const std::shared_ptr<bool> alive = alive_;  // a handler run meanwhile may end this control
  while (m_BalloonShowing) {
    platform_.messages.DoEvents();
    if (!*alive) return;
    if (!m_BalloonShowing) break;
    const std::int64_t elapsed = platform_.clock.MonotonicMs() - start;
    if (elapsed >= timeoutMs) break;
    platform_.clock.WaitForEvents(static_cast<std::uint32_t>(timeoutMs - elapsed));
    if (!*alive) return;
  }
  if (m_BalloonShowing) {
    platform::NotifyIconDataA hide = Record();
    hide.uFlags = platform::kNifInfo;
    PutText(hide.szInfoTitle, sizeof hide.szInfoTitle, "");
    PutText(hide.szInfo, sizeof hide.szInfo, "");
    hide.uTimeout = static_cast<std::uint32_t>(timeoutMs);
    Notify(platform::kNimModify, hide);
  }
}

void cSysTray::DispatchTrayMessage(std::int32_t& lMsg, std::int32_t& Id) {
  const std::int32_t id = Id;  // what a handler writes into its arguments has no effect here
  switch (lMsg) {
    case 512:
      if (MouseMove) MouseMove(id);
      break;
    case 513:
      if (MouseDown) MouseDown(1, id);
      break;
    case 514:
      if (MouseUp) MouseUp(1, id);
      break;
    case 515:
      if (MouseDblClick) MouseDblClick(1, id);
      break;
    case 516:
      if (MouseDown) MouseDown(2, id);
      break;
    case 517:
      if (MouseUp) MouseUp(2, id);
      break;
    case 518:
      if (MouseDblClick) MouseDblClick(2, id);
      break;
    case 1027:  // balloon hidden
    case 1028:  // balloon timed out
    case 1029:  // balloon clicked
      m_BalloonShowing = false;
      break;
    default:
      break;
  }
}

void cSysTray::OnTrayHost(bool available) {
  // A notification area that starts again has no icons: put ours back from the same values.
  if (available && IconShown) AddTrayIcon(ControlWindow, IconId, m_TrayTip, m_TrayIcon);
  if (TrayHostChanged) TrayHostChanged(available);
}

void cSysTray::InitProperties() {
  SetInTray(false);
  SetTrayTip(kDefaultTip);
  SetTrayIcon(backgroundPicture_);
}

namespace {
bool AsBoolean(const PropertyBag::Value& value) {
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  throw platform::Failure("Type mismatch");
}
std::string AsText(const PropertyBag::Value& value) {
  if (const std::string* s = std::get_if<std::string>(&value)) return *s;
  if (const bool* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
  throw platform::Failure("Type mismatch");
}
platform::PicturePtr AsPicture(const PropertyBag::Value& value) {
  if (const platform::PicturePtr* p = std::get_if<platform::PicturePtr>(&value)) return *p;
  throw platform::Failure("Type mismatch");
}
}  // namespace

void cSysTray::ReadProperties(const PropertyBag& PropBag) {
  SetInTray(AsBoolean(PropBag.ReadProperty("InTray", false)));
  SetTrayIcon(AsPicture(PropBag.ReadProperty("TrayIcon", backgroundPicture_)));
  SetTrayTip(AsText(PropBag.ReadProperty("TrayTip", std::string(kDefaultTip))));
}

void cSysTray::WriteProperties(PropertyBag& PropBag) const {
  PropBag.WriteProperty("InTray", m_InTray);
  PropBag.WriteProperty("TrayIcon", m_TrayIcon);
  PropBag.WriteProperty("TrayTip", m_TrayTip);
}

void cSysTray::UserControl_Resize() {
  width_ = kSizeTwips;
  height_ = kSizeTwips;
}

void cSysTray::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
  UserControl_Resize();
}

}  // namespace hush
