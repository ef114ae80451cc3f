#include <windows.h>
#include <commctrl.h>
#include <initguid.h>  // the accessibility identifiers below, defined here
#include <oleacc.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace hush::platform::win32 {

namespace {

constexpr const char* kWindowClass = "HushdialMainWindow";
constexpr UINT kShownMessage = WM_APP + 1;  // the state is reported once the first show is done
constexpr int kFirstControlId = 100;
constexpr int kListDropHeight = 220;  // pixels at 96 dpi of a dropped key list

HWND g_dialog = nullptr;

std::wstring Wide(const std::string& utf8) { return Widen(utf8, CP_UTF8); }

COLORREF Resolve(std::uint32_t color) {
  if (IsSystemColor(color)) return ::GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);  // stored as the system stores it: red in the low byte
}

UINT DpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpi && hwnd) {
    const UINT dpi = getDpi(hwnd);
    if (dpi) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int Px(int twips, UINT dpi) { return ::MulDiv(twips, static_cast<int>(dpi), 1440); }

}  // namespace

struct Win32MainWindow::Impl {
  HWND hwnd = nullptr;
  IWindowEvents* events = nullptr;
  FormLayout form{};
  std::vector<ControlLayout> layouts;
  std::vector<HWND> controls;
  std::map<std::pair<double, bool>, HFONT> fonts;
  std::map<COLORREF, HBRUSH> brushes;
  std::uint32_t backColor = 0xFFFFFF;
  int pointer = kPointerDefault;
  HCURSOR custom = nullptr;
  int state = kStateNormal;  // what the next show gives while hidden
  bool shownOnce = false;
  bool showing = false;
  UINT dpi = 96;
  HWND lastFocus = nullptr;
  HWND focusHolder = nullptr;  // takes the first focus, though no Tab stop
  std::vector<HWND> annotated;  // controls given screen-reader annotations, cleared before they go

  HBRUSH Brush(COLORREF color) {
    auto& brush = brushes[color];
    if (!brush) brush = ::CreateSolidBrush(color);
    return brush;
  }
  HFONT Font(const FontStyle& layout) {
    auto& font = fonts[{layout.points * dpi, layout.bold}];
    if (!font)
      font = ::CreateFontA(-static_cast<int>(layout.points * dpi / 72.0 + 0.5), 0, 0, 0, layout.bold ? FW_BOLD : FW_NORMAL,
                           FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, layout.name.c_str());
    return font;
  }
  int IdOf(HWND control) const {
    for (std::size_t i = 0; i < controls.size(); ++i)
      if (controls[i] == control) return static_cast<int>(i);
    return -1;
  }
  // Position of a control in the window's client area: frames' children are children of the window.
  RECT Place(const ControlLayout& layout) const {
    int left = layout.left, top = layout.top;
    for (int parent = layout.parent; parent >= 0; parent = layouts[static_cast<std::size_t>(parent)].parent) {
      left += layouts[static_cast<std::size_t>(parent)].left;
      top += layouts[static_cast<std::size_t>(parent)].top;
    }
    RECT r{Px(left, dpi), Px(top, dpi), Px(left + layout.width, dpi), Px(top + layout.height, dpi)};
    if (layout.kind == ControlKind::ComboBox) r.bottom += ::MulDiv(kListDropHeight, static_cast<int>(dpi), 96);
    return r;
  }
  void Layout();
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
};

namespace {

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* impl = reinterpret_cast<Win32MainWindow::Impl*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    impl = static_cast<Win32MainWindow::Impl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    impl->hwnd = hwnd;  // before CreateWindowEx returns it: the messages of creation need it
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
  }
  if (!impl) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  try {
    return impl->Handle(message, wParam, lParam);
  } catch (...) {
    return ::DefWindowProcA(hwnd, message, wParam, lParam);  // a failure must not cross the system's call
  }
}

// Mouse moves over buttons and the text box, which keep them to themselves.
LRESULT CALLBACK ControlMoves(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  if (message == WM_MOUSEMOVE) {
    auto* impl = reinterpret_cast<Win32MainWindow::Impl*>(data);
    if (impl->events) {
      try {
        impl->events->MouseMoved(static_cast<int>(id));
      } catch (...) {
      }
    }
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

LRESULT Win32MainWindow::Impl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
      if (!events || id < 0 || static_cast<std::size_t>(id) >= layouts.size()) break;
      const ControlKind kind = layouts[static_cast<std::size_t>(id)].kind;
      HWND control = controls[static_cast<std::size_t>(id)];
      if (kind == ControlKind::ComboBox && HIWORD(wParam) == CBN_SELCHANGE)
        events->ListPicked(id, static_cast<int>(::SendMessageA(control, CB_GETCURSEL, 0, 0)));
      else if (kind == ControlKind::CheckBox && HIWORD(wParam) == BN_CLICKED)
        events->CheckClicked(id, ::SendMessageA(control, BM_GETCHECK, 0, 0) != BST_CHECKED);
      else if (kind == ControlKind::PushButton && HIWORD(wParam) == BN_CLICKED)
        events->ButtonClicked(id);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const int id = IdOf(reinterpret_cast<HWND>(lParam));
      HDC dc = reinterpret_cast<HDC>(wParam);
      std::uint32_t back = backColor, fore = kColorWindowText;
      if (id >= 0 && layouts[static_cast<std::size_t>(id)].kind != ControlKind::PushButton) {
        back = layouts[static_cast<std::size_t>(id)].backColor;
        fore = layouts[static_cast<std::size_t>(id)].foreColor;
      }
      ::SetTextColor(dc, Resolve(fore));
      ::SetBkColor(dc, Resolve(back));
      return reinterpret_cast<LRESULT>(Brush(Resolve(back)));
    }
    case WM_ERASEBKGND: {
      RECT r;
      ::GetClientRect(hwnd, &r);
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, Brush(Resolve(backColor)));
      return 1;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        HCURSOR cursor = ::LoadCursor(nullptr, IDC_ARROW);
        if (pointer == kPointerBusy) cursor = ::LoadCursor(nullptr, IDC_WAIT);
        if (pointer == kPointerCustom && custom) cursor = custom;
        ::SetCursor(cursor);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE: {
      if (!events) break;
      // Frames let the mouse through to the window: the one under the pointer is meant.
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      int id = -1;
      for (std::size_t i = 0; i < layouts.size(); ++i) {
        const RECT r = Place(layouts[i]);
        if (layouts[i].kind == ControlKind::Frame && ::PtInRect(&r, at)) id = static_cast<int>(i);
      }
      events->MouseMoved(id);
      return 0;
    }
    case WM_SIZE:
      if (events && !showing) events->StateChanged();
      return 0;
    case kShownMessage:
      if (events) events->StateChanged();
      return 0;
    case WM_DPICHANGED: {
      dpi = HIWORD(wParam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Layout();
      return 0;
    }
    case WM_ACTIVATE:
      // Not a dialog: the control that had the focus gets it back when the window is active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd, focus)) lastFocus = focus;
      } else if (lastFocus && ::IsWindow(lastFocus)) {
        ::SetFocus(lastFocus);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (events) events->CloseRequested();
      return 0;
    case WM_QUERYENDSESSION:
      if (events) events->CloseRequested();  // the close handling ends the program here and now
      return TRUE;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void Win32MainWindow::Impl::Layout() {
  RECT frame{0, 0, Px(form.clientWidth, dpi), Px(form.clientHeight, dpi)};
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
  // The frame at this window's DPI, where the system can say (Windows 10 1607 on).
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjustForDpi)
    adjustForDpi(&frame, style, FALSE, exStyle, dpi);
  else
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  ::SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const RECT r = Place(layouts[i]);
    ::SetWindowPos(controls[i], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(Font(layouts[i].font)), TRUE);
  }
}

Win32MainWindow::Win32MainWindow() : impl_(std::make_unique<Impl>()) {}

static void ClearAnnotations(std::vector<HWND>& annotated);

Win32MainWindow::~Win32MainWindow() {
  ClearAnnotations(impl_->annotated);
  if (impl_->hwnd) {
    if (g_dialog == impl_->hwnd) g_dialog = nullptr;
    ::DestroyWindow(impl_->hwnd);
  }
  for (auto& [key, font] : impl_->fonts) ::DeleteObject(font);
  for (auto& [key, brush] : impl_->brushes) ::DeleteObject(brush);
}

WindowHandle DialogWindow() { return reinterpret_cast<WindowHandle>(g_dialog); }

WindowHandle Win32MainWindow::Handle() {
  if (!impl_->hwnd) {
    static bool registered = false;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!registered) {
      INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
      ::InitCommonControlsEx(&common);
      WNDCLASSEXA wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = MainWindowProc;
      wc.hInstance = instance;
      wc.hIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
      wc.hCursor = nullptr;  // the window sets its pointer itself
      wc.lpszClassName = kWindowClass;
      registered = ::RegisterClassExA(&wc) != 0;
    }
    impl_->hwnd = ::CreateWindowExA(WS_EX_CONTROLPARENT, kWindowClass, "",
                                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 560, 340, nullptr, nullptr, instance, impl_.get());
    impl_->dpi = DpiOf(impl_->hwnd);
    g_dialog = impl_->hwnd;
  }
  return reinterpret_cast<WindowHandle>(impl_->hwnd);
}

WindowHandle Win32MainWindow::Control(int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= impl_->controls.size()) return 0;
  return reinterpret_cast<WindowHandle>(impl_->controls[static_cast<std::size_t>(id)]);
}

// What a screen reader needs beyond the controls' own texts, through the system's annotations of
// standard controls (Active Accessibility): the description of "?", the status line's role, and the
// focus holder kept out of sight. Where the system has no annotation service, the controls stay as
// they are.
static void Annotate(const std::vector<ControlLayout>& controls, const std::vector<HWND>& handles,
                     std::vector<HWND>& annotated) {
  IAccPropServices* services = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services))) ||
      !services)
    return;
  for (const ControlLayout& layout : controls) {
    HWND control = handles[static_cast<std::size_t>(layout.id)];
    if (!control) continue;
    if (!layout.description.empty() || layout.status || layout.focusHolder) annotated.push_back(control);
    if (!layout.description.empty())
      services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_DESCRIPTION,
                               Wide(layout.description).c_str());
    VARIANT value{};  // zeroed, as VariantInit leaves it, without oleaut32.dll
    value.vt = VT_I4;
    if (layout.status) {
      value.lVal = ROLE_SYSTEM_STATUSBAR;
      services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, value);
    }
    if (layout.focusHolder) {
      value.lVal = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
      services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_STATE, value);
    }
  }
  services->Release();
}

// The system keeps annotations apart from the windows they describe: they are taken back before the
// windows are destroyed, or they would outlast them.
static void ClearAnnotations(std::vector<HWND>& annotated) {
  if (annotated.empty()) return;
  IAccPropServices* services = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   reinterpret_cast<void**>(&services))) &&
      services) {
    MSAAPROPID props[] = {PROPID_ACC_DESCRIPTION, PROPID_ACC_ROLE, PROPID_ACC_STATE};
    for (HWND control : annotated)
      services->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props,
                               static_cast<int>(sizeof props / sizeof props[0]));
    services->Release();
  }
  annotated.clear();
}

void Win32MainWindow::Build(const FormLayout& form, const std::vector<ControlLayout>& controls, IWindowEvents* events) {
  HWND hwnd = reinterpret_cast<HWND>(Handle());
  Impl& w = *impl_;
  w.form = form;
  w.layouts = controls;
  w.backColor = form.backColor;
  ::SetWindowTextW(hwnd, Wide(form.caption).c_str());
  // Created in tab order, each after the one before it, so Tab follows the design. A list comes right
  // after its label: a screen reader names a combo box by the static text before it, and labels take
  // no Tab stop, so the Tab order stays the design's.
  std::vector<const ControlLayout*> byTab;
  for (const ControlLayout& layout : controls) byTab.push_back(&layout);
  std::stable_sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  for (const ControlLayout& list : controls) {
    if (list.label < 0) continue;
    const ControlLayout* label = &controls[static_cast<std::size_t>(list.label)];
    byTab.erase(std::find(byTab.begin(), byTab.end(), label));
    byTab.insert(std::find(byTab.begin(), byTab.end(), &list), label);
  }
  w.controls.assign(controls.size(), nullptr);
  HWND previous = HWND_TOP;
  for (const ControlLayout* layout : byTab) {
    const char* cls = "STATIC";
    DWORD style = WS_CHILD;
    switch (layout->kind) {
      case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY;  // takes the mouse: no frame or window handler runs
        break;
      case ControlKind::Frame:
        cls = "BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::ComboBox:
        cls = "COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        break;
      case ControlKind::CheckBox:
        cls = "BUTTON";
        style |= BS_CHECKBOX | WS_TABSTOP;  // not automatic: the program decides the value
        break;
      case ControlKind::PushButton:
        cls = "BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
      case ControlKind::TextBox:
        cls = "EDIT";
        style |= ES_AUTOHSCROLL | WS_BORDER | (layout->focusHolder ? 0 : WS_TABSTOP);
        break;
    }
    if (layout->visible) style |= WS_VISIBLE;
    HWND control = ::CreateWindowExW(0, Wide(cls).c_str(), Wide(layout->caption).c_str(), style, 0, 0, 0, 0, hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + layout->id)),
                                     ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control;
    w.controls[static_cast<std::size_t>(layout->id)] = control;
    if (layout->kind == ControlKind::ComboBox) {
      for (const std::string& item : layout->items) ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(layout->selected), 0);
    }
    if (layout->kind == ControlKind::CheckBox) ::SendMessageA(control, BM_SETCHECK, layout->checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (layout->kind == ControlKind::PushButton || layout->kind == ControlKind::TextBox)
      ::SetWindowSubclass(control, ControlMoves, static_cast<UINT_PTR>(layout->id), reinterpret_cast<DWORD_PTR>(impl_.get()));
    if (layout->focusHolder) w.focusHolder = control;
  }
  Annotate(controls, w.controls, w.annotated);
  w.Layout();
  w.events = events;
}

void Win32MainWindow::Show() {
  HWND hwnd = reinterpret_cast<HWND>(Handle());
  Impl& w = *impl_;
  if (!w.shownOnce) {
    w.shownOnce = true;
    RECT window, work;
    ::GetWindowRect(hwnd, &window);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = window.right - window.left, height = window.bottom - window.top;
    ::SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    w.showing = true;
    ::ShowWindow(hwnd, w.state == kStateMinimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    w.showing = false;
    // The focus holder, else the first in the tab order, holds the focus, as in a dialog.
    HWND first = w.focusHolder ? w.focusHolder : ::GetNextDlgTabItem(hwnd, nullptr, FALSE);
    if (first) {
      w.lastFocus = first;  // also when the window is not active yet: it gets the focus on activation
      ::SetFocus(first);
    }
    ::PostMessageA(hwnd, kShownMessage, 0, 0);
    return;
  }
  if (::IsWindowVisible(hwnd)) return;  // a shown window's state is the user's until the program sets it
  if (w.state == kStateMinimized)
    ::ShowWindow(hwnd, SW_SHOWMINIMIZED);
  else
    ::ShowWindow(hwnd, ::IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
}

void Win32MainWindow::Hide() {
  HWND hwnd = reinterpret_cast<HWND>(Handle());
  impl_->state = WindowState();
  ::ShowWindow(hwnd, SW_HIDE);
}

bool Win32MainWindow::Visible() { return impl_->hwnd && ::IsWindowVisible(impl_->hwnd); }

int Win32MainWindow::WindowState() {
  if (!impl_->hwnd || !::IsWindowVisible(impl_->hwnd)) return impl_->state;
  return ::IsIconic(impl_->hwnd) ? kStateMinimized : kStateNormal;
}

void Win32MainWindow::SetWindowState(int state) {
  const bool visible = Visible();
  const int before = WindowState();
  impl_->state = state;
  if (!visible || before == state) return;  // a hidden window keeps it for its next show
  ::ShowWindow(impl_->hwnd, state == kStateMinimized ? SW_MINIMIZE : SW_RESTORE);
}

void Win32MainWindow::SetFocus() {
  HWND hwnd = reinterpret_cast<HWND>(Handle());
  ::SetForegroundWindow(hwnd);
  HWND focus = ::GetFocus();
  if (!focus || !::IsChild(hwnd, focus)) {
    HWND first = ::GetNextDlgTabItem(hwnd, nullptr, FALSE);
    ::SetFocus(first ? first : hwnd);
  }
}

void Win32MainWindow::SetCaption(const std::string& caption) {
  ::SetWindowTextW(reinterpret_cast<HWND>(Handle()), Wide(caption).c_str());
}

void Win32MainWindow::SetIcon(const PicturePtr& icon) {
  if (!icon) return;
  HWND hwnd = reinterpret_cast<HWND>(Handle());
  ::SendMessageA(hwnd, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(icon->Handle));
  HANDLE big = ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON,
                            ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED);
  ::SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big : reinterpret_cast<HANDLE>(icon->Handle)));
}

void Win32MainWindow::SetBackColor(std::uint32_t color) {
  impl_->backColor = color;
  if (impl_->hwnd) ::InvalidateRect(impl_->hwnd, nullptr, TRUE);
}

void Win32MainWindow::SetPointer(int pointer, const PicturePtr& custom) {
  impl_->pointer = pointer;
  impl_->custom = custom ? reinterpret_cast<HCURSOR>(custom->Handle) : nullptr;
  POINT at;
  if (!impl_->hwnd || !::GetCursorPos(&at)) return;
  HWND under = ::WindowFromPoint(at);
  if (under == impl_->hwnd || ::IsChild(impl_->hwnd, under))  // the new pointer shows at once
    ::SendMessageA(impl_->hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(impl_->hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void Win32MainWindow::SetControlText(int id, const std::string& text) {
  if (HWND control = reinterpret_cast<HWND>(Control(id))) ::SetWindowTextW(control, Wide(text).c_str());
}

void Win32MainWindow::SetControlItems(int id, const std::vector<std::string>& items) {
  HWND control = reinterpret_cast<HWND>(Control(id));
  if (!control) return;
  if (::SendMessageA(control, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(items.size())) return;
  const LRESULT selected = ::SendMessageA(control, CB_GETCURSEL, 0, 0);
  ::SendMessageA(control, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void Win32MainWindow::SetControlSelection(int id, int index) {
  if (HWND control = reinterpret_cast<HWND>(Control(id))) ::SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32MainWindow::SetControlChecked(int id, bool checked) {
  if (HWND control = reinterpret_cast<HWND>(Control(id)))
    ::SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32MainWindow::SetControlVisible(int id, bool visible) {
  if (HWND control = reinterpret_cast<HWND>(Control(id))) ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

void Win32MainWindow::SetControlColors(int id, std::uint32_t backColor, std::uint32_t foreColor) {
  HWND control = reinterpret_cast<HWND>(Control(id));
  if (!control) return;
  impl_->layouts[static_cast<std::size_t>(id)].backColor = backColor;
  impl_->layouts[static_cast<std::size_t>(id)].foreColor = foreColor;
  ::InvalidateRect(control, nullptr, TRUE);
}

void Win32MainWindow::EndProgram(int status) {
  ClearAnnotations(impl_->annotated);
  ::ExitProcess(static_cast<UINT>(status));
}

}  // namespace hush::platform::win32
