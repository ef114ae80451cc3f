#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "tray/PropertyBag.h"
#include "tray/mSysTray.h"

namespace hush {

// The tray icon control: one icon in the notification area with its tooltip, balloons, and mouse
// activity on the icon reported to the owner as events.
class cSysTray {
 public:
  static constexpr const char* kDefaultTip = "Telnet Server";
  static constexpr int kSizeTwips = 510;

  // Creation: the control's own window is made and read once here.
  cSysTray(platform::Platform& platform, IControlContainer& container);
  cSysTray(const cSysTray&) = delete;
  cSysTray& operator=(const cSysTray&) = delete;
  // Destruction: an icon in the tray is removed and the window procedure put back.
  ~cSysTray();

  const platform::PicturePtr& TrayIcon() const { return m_TrayIcon; }
  // None, or a picture that is not an icon, leaves the current icon.
  void SetTrayIcon(const platform::PicturePtr& Icon);
  const std::string& TrayTip() const { return m_TrayTip; }
  void SetTrayTip(const std::string& Tip);
  // The control's standard text member is its tooltip.
  const std::string& Text() const { return TrayTip(); }
  void SetText(const std::string& Tip) { SetTrayTip(Tip); }
  bool InTray() const { return m_InTray; }
  void SetInTray(bool Show);

  // Shows a balloon and, with ShowTimer > 0, processes the program's events until ShowTimer seconds
  // have passed or the shell reports the balloon closed. With ShowOnce only the first call shows one.
  void ShowBalloon(const std::string& Tip, const std::string& sTitle, std::int32_t ShowTimer, bool ShowOnce);

  // Events, in the order the owner sees them declared. Button: 1 left, 2 right; Id: the icon's.
  std::function<void(std::int32_t Id)> MouseMove;
  std::function<void(std::int16_t Button, std::int32_t Id)> MouseDown;
  std::function<void(std::int16_t Button, std::int32_t Id)> MouseUp;
  std::function<void(std::int16_t Button, std::int32_t Id)> MouseDblClick;

  // Whether a notification area is there to show the icon, and word when that changes while the icon
  // is meant to be shown (the icon itself is put back by the control).
  bool TrayAvailable() { return platform_.tray.TrayAvailable(); }
  std::function<void(bool available)> TrayHostChanged;

  // Container operations.
  void InitProperties();
  void ReadProperties(const PropertyBag& PropBag);
  void WriteProperties(PropertyBag& PropBag) const;
  void UserControl_Resize();
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);

  platform::WindowHandle hWnd() const { return ControlWindow; }
  bool BalloonShowing() const { return m_BalloonShowing; }

 private:
  friend std::intptr_t mSysTray::TrayWindowProc(platform::WindowHandle, std::uint32_t, std::uintptr_t,
                                                 std::intptr_t);
  // Called by the window hook only: turns a shell notification into an event or ends a balloon wait.
  void DispatchTrayMessage(std::int32_t& lMsg, std::int32_t& Id);

  void AddTrayIcon(platform::WindowHandle hwnd, std::uint32_t id, const std::string& tip,
                   const platform::PicturePtr& icon);
  void RemoveTrayIcon(platform::WindowHandle hwnd, std::uint32_t id);
  void OnTrayHost(bool available);
  // A fresh, zero-filled record addressed to this control's icon.
  platform::NotifyIconDataA Record() const;
  // Writes a text into a record field: the text cut to the field, one NUL, the rest blanks.
  void PutText(char* field, std::size_t size, const std::string& text) const;
  void Notify(std::uint32_t message, const platform::NotifyIconDataA& record);

  platform::Platform& platform_;
  IControlContainer& container_;

  platform::WindowHandle ControlWindow = 0;
  std::uint32_t IconId = 0;
  bool IconShown = false;
  bool m_BalloonShowing = false;
  std::int32_t OnceBalloonCount = 0;
  std::string m_TrayTip;
  platform::PicturePtr m_TrayIcon;
  bool m_InTray = false;
  platform::PicturePtr backgroundPicture_;  // the control's own picture, which the icon also becomes
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int width_ = kSizeTwips;
  int height_ = kSizeTwips;
};

}  // namespace hush
