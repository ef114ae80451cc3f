#include "platform/linux/qt_window.h"

#include "platform/linux/linux_message_box.h"
#include "platform/linux/qt_tray.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QSessionManager>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <thread>

namespace hush::platform::linux_backend {

QtTimerService::~QtTimerService() = default;

void QtTimerService::StartTimer(std::uint32_t intervalMs, std::function<void()> tick) {
  tick_ = std::move(tick);
  if (!timer_) {
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
      try {
        if (tick_) tick_();
      } catch (...) {
        // a Qt slot is the end of the line for a failure
      }
    });
  }
  timer_->start(static_cast<int>(intervalMs));
}

void QtTimerService::StopTimer() {
  if (timer_) timer_->stop();
}

std::int64_t QtClock::MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void QtClock::WaitForEvents(std::uint32_t maxMs) {
  const int ms = static_cast<int>(std::min<std::uint32_t>(maxMs, 0x7FFFFFFF));
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 50)));
    return;
  }
  QTimer wake;  // an event of its own, so the wait can't outlast maxMs
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(ms);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct QtMainWindow::Impl {
  std::unique_ptr<QWidget> widget;
  IWindowEvents* events = nullptr;
  std::vector<QWidget*> controls;
  std::vector<ControlLayout> layouts;
  int state = kStateNormal;  // asked for before the widget exists
  bool shownOnce = false;
  bool pendingMinimized = false;  // shown minimised at start, not mapped yet
  std::string caption;
  QIcon icon;
};

namespace {

constexpr double kTwipsPerPixel = 15.0;
int Px(int twips) { return static_cast<int>(twips / kTwipsPerPixel + 0.5); }

QString Text(const std::string& text) { return QString::fromUtf8(QtMessageBox::DisplayText(text).c_str()); }

QFont FontOf(const FontStyle& layout) {
  QFont font(QString::fromStdString(layout.name));
  font.setPointSizeF(layout.points);
  font.setBold(layout.bold);
  return font;
}

void Paint(QWidget* widget, std::uint32_t back, std::uint32_t fore) {
  if (qobject_cast<QGroupBox*>(widget)) {
    // The style would shade a frame's inside; the design fills it with its own colour.
    const QString frame = QApplication::palette().color(QPalette::Mid).name();
    widget->setStyleSheet(
        QStringLiteral("QGroupBox { background-color: %1; color: %2; border: 1px solid %3; margin-top: 7px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0 2px; "
                       "background-color: %4; }")
            .arg(QtMainWindow::Resolve(back).name(), QtMainWindow::Resolve(fore).name(), frame,
                 QtMainWindow::Resolve(back).name()));
  } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QLabel*>(widget)) {
    // Inside a frame the frame's style sheet reaches these too; their own colours must win.
    widget->setStyleSheet(QStringLiteral("background-color: %1; color: %2;")
                              .arg(QtMainWindow::Resolve(back).name(), QtMainWindow::Resolve(fore).name()));
  }
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, QtMainWindow::Resolve(back));
  palette.setColor(QPalette::WindowText, QtMainWindow::Resolve(fore));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// The window itself: closing, state changes and mouse moves go to the product's handlers.
class MainWidget : public QWidget {
 public:
  explicit MainWidget(QtMainWindow::Impl* impl) : impl_(impl) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();  // the close handling ends the program itself
    if (impl_->events) impl_->events->CloseRequested();
  }
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Report();
  }

 public:
  // Queued, so that a handler sees the window as the window system left it.
  void Report() {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (impl_->events) impl_->events->StateChanged();
          if (impl_->pendingMinimized) {  // nothing hid it: it goes to the taskbar minimised
            impl_->pendingMinimized = false;
            showMinimized();
          }
        },
        Qt::QueuedConnection);
  }

 private:
  QtMainWindow::Impl* impl_;
};

// Mouse moves over the controls that have a handler for them.
class MoveFilter : public QObject {
 public:
  MoveFilter(QtMainWindow::Impl* impl, int id, QObject* parent) : QObject(parent), impl_(impl), id_(id) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && impl_->events) {
      try {
        impl_->events->MouseMoved(id_);
      } catch (...) {
      }
    }
    return false;
  }

 private:
  QtMainWindow::Impl* impl_;
  int id_;
};

// What assistive technologies (AT-SPI, read by screen readers such as Orca) see of the window.
constexpr const char* kAccessibleProperty = "hushdial-accessible";

// The part a widget plays for them beyond its kind: "window", "hidden", "status" or "letters" (a list
// of shortcut letters); "" for none.
QString AccessiblePart(const QWidget* widget) { return widget->property(kAccessibleProperty).toString(); }

// The main window: a frame named by its caption, without the focus holder among its children.
class WindowAccessible : public QAccessibleWidget {
 public:
  explicit WindowAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Window) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return widget()->windowTitle();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return static_cast<int>(Children().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> children = Children();
    return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() ? static_cast<int>(Children().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
  }

 private:
  QList<QWidget*> Children() const {
    QList<QWidget*> children;
    for (QObject* object : widget()->children())
      if (auto* w = qobject_cast<QWidget*>(object); w && !w->isWindow() && AccessiblePart(w) != QLatin1String("hidden"))
        children.append(w);
    return children;
  }
};

// The focus holder: present for the keyboard focus only, nothing for a screen reader to show.
class HiddenAccessible : public QAccessibleWidget {
 public:
  explicit HiddenAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
  QAccessible::State state() const override {
    QAccessible::State state;
    state.invisible = true;
    state.offscreen = true;
    return state;
  }
  QAccessibleInterface* parent() const override { return nullptr; }
};

// What the status line says, as a notification within it: screen readers (Orca) read out a
// notification that shows, wherever the focus is, where a status bar's new name is read only when it
// has the focus itself.
class StatusNote : public QAccessibleInterface {
 public:
  explicit StatusNote(QLabel* label) : label_(label) {}
  bool isValid() const override { return !label_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return label_ ? label_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return label_ ? QAccessible::queryAccessibleInterface(label_) : nullptr; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name && label_ ? label_->text() : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    return label_ ? QRect(label_->mapToGlobal(QPoint(0, 0)), label_->size()) : QRect();
  }
  QAccessible::Role role() const override { return QAccessible::Notification; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.invisible = !label_ || !label_->isVisible();
    return state;
  }

 private:
  QPointer<QLabel> label_;
};

// The status line: a status bar whose name is its text, with the notification of its text inside.
class StatusAccessible : public QAccessibleWidget {
 public:
  explicit StatusAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::StatusBar) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      note_ = new StatusNote(label);
      QAccessible::registerAccessibleInterface(note_);
    }
  }
  ~StatusAccessible() override {
    if (note_) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(note_));
  }
  StatusAccessible(const StatusAccessible&) = delete;
  StatusAccessible& operator=(const StatusAccessible&) = delete;
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name)
      if (auto* label = qobject_cast<QLabel*>(widget())) return label->text();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return note_ ? 1 : 0; }
  QAccessibleInterface* child(int index) const override { return index == 0 ? note_ : nullptr; }
  int indexOfChild(const QAccessibleInterface* child) const override { return child && child == note_ ? 0 : -1; }
  QAccessibleInterface* Note() const { return note_; }

 private:
  StatusNote* note_ = nullptr;
};

// A list of letters: a combo box whose value, the chosen letter, is also its text. Orca 43 reads a
// combo box's value from its text (Qt 6.4 offers no selection of the closed list, which Orca would
// take instead) and speaks a change of that text as the new value; the name stays the letter, as Qt
// names combo boxes, and the open list is Qt's own.
class LetterListAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit LetterListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}
  QComboBox* List() const { return static_cast<QComboBox*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return List()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == List()->view() ? 0 : -1;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) List()->showPopup();
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

  // The text: the chosen letter, read-only, all of it selected (Orca speaks inserted text that is the
  // selection).
  void selection(int index, int* start, int* end) const override {
    *start = 0;
    *end = index == 0 ? characterCount() : 0;
  }
  int selectionCount() const override { return characterCount() > 0 ? 1 : 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return List()->currentText().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(List()->currentText().size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }
};

// Qt makes a widget's accessible interface as the widget is made, before its part is known: drops
// it, so that the next one asked for comes from AccessibleFor.
void Reinterpret(QWidget* widget) {
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

QAccessibleInterface* AccessibleFor(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  const QString kind = AccessiblePart(widget);
  if (kind == QLatin1String("window")) return new WindowAccessible(widget);
  if (kind == QLatin1String("hidden")) return new HiddenAccessible(widget);
  if (kind == QLatin1String("status")) return new StatusAccessible(widget);
  if (kind == QLatin1String("letters"))
    if (auto* list = qobject_cast<QComboBox*>(widget)) return new LetterListAccessible(list);
  return nullptr;
}

}  // namespace

QtMainWindow::QtMainWindow() : impl_(std::make_unique<Impl>()) {}
QtMainWindow::~QtMainWindow() = default;

QColor QtMainWindow::Resolve(std::uint32_t color) {
  if (IsSystemColor(color)) {
    const QPalette palette = QApplication::palette();
    switch (color) {
      case kColorWindowBackground:
        return palette.color(QPalette::Base);
      case kColorWindowText:
        return palette.color(QPalette::WindowText);
      case kColorButtonFace:
        return palette.color(QPalette::Button);
      default:
        return palette.color(QPalette::Window);
    }
  }
  // Stored as blue, green, red from the high byte down.
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

QWidget* QtMainWindow::Widget() {
  if (!impl_->widget && qobject_cast<QApplication*>(QCoreApplication::instance())) {
    auto widget = std::make_unique<MainWidget>(impl_.get());
    widget->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    impl_->widget = std::move(widget);
  }
  return impl_->widget.get();
}

QWidget* QtMainWindow::Control(int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= impl_->controls.size()) return nullptr;
  return impl_->controls[static_cast<std::size_t>(id)];
}

void QtMainWindow::Build(const FormLayout& form, const std::vector<ControlLayout>& controls, IWindowEvents* events) {
  QWidget* window = Widget();
  if (!window) return;
  impl_->events = events;
  impl_->layouts = controls;
  window->setWindowTitle(QString::fromUtf8(form.caption.c_str()));
  window->setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
  window->setFont(FontOf(form.font));
  Paint(window, form.backColor, kColorWindowText);
  window->setMouseTracking(true);
  window->installEventFilter(new MoveFilter(impl_.get(), -1, window));
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(&AccessibleFor);
    return true;
  }();
  (void)factoryInstalled;
  window->setProperty(kAccessibleProperty, QStringLiteral("window"));
  Reinterpret(window);

  impl_->controls.assign(controls.size(), nullptr);
  for (const ControlLayout& layout : controls) {
    QWidget* parent = layout.parent >= 0 ? Control(layout.parent) : window;
    if (!parent) parent = window;
    QWidget* widget = nullptr;
    const int id = layout.id;
    switch (layout.kind) {
      case ControlKind::Label: {
        auto* label = new QLabel(Text(layout.caption), parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        widget = label;
        break;
      }
      case ControlKind::Frame:
        widget = new QGroupBox(Text(layout.caption), parent);
        break;
      case ControlKind::ComboBox: {
        auto* list = new QComboBox(parent);
        // Announced as "Increase:, combo box, Ctrl+Shift+Q": labelled by its label (the design
        // makes the label first), named by its letter as Qt names lists on Linux.
        if (auto* label = qobject_cast<QLabel*>(Control(layout.label))) label->setBuddy(list);
        for (const std::string& item : layout.items) list->addItem(QString::fromUtf8(item.c_str()));
        list->setCurrentIndex(layout.selected);
        QObject::connect(list, &QComboBox::activated, [this, id](int index) {
          if (impl_->events) impl_->events->ListPicked(id, index);
        });
        // The new letter as text put in the list, for screen readers. Only the insertion: Orca reads
        // the removal of the old letter, which was all selected, as "Selection deleted".
        list->setProperty("hushdial-shown", list->currentText());
        QObject::connect(list, &QComboBox::currentIndexChanged, list, [list] {
          const QString before = list->property("hushdial-shown").toString();
          const QString now = list->currentText();
          list->setProperty("hushdial-shown", now);
          if (before == now || !QAccessible::isActive()) return;
          QAccessibleTextInsertEvent event(list, 0, now);
          QAccessible::updateAccessibility(&event);
        });
        list->setProperty(kAccessibleProperty, QStringLiteral("letters"));
        Reinterpret(list);
        widget = list;
        break;
      }
      case ControlKind::CheckBox: {
        auto* check = new QCheckBox(Text(layout.caption), parent);
        check->setChecked(layout.checked);
        QObject::connect(check, &QCheckBox::clicked, [this, id](bool checked) {
          if (impl_->events) impl_->events->CheckClicked(id, checked);
        });
        widget = check;
        break;
      }
      case ControlKind::PushButton: {
        auto* button = new QPushButton(Text(layout.caption), parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, [this, id] {
          if (impl_->events) impl_->events->ButtonClicked(id);
        });
        widget = button;
        break;
      }
      case ControlKind::TextBox:
        widget = new QLineEdit(Text(layout.caption), parent);
        break;
    }
    widget->setObjectName(QString::number(id));
    if (!layout.description.empty()) widget->setAccessibleDescription(Text(layout.description));
    if (layout.status) widget->setProperty(kAccessibleProperty, QStringLiteral("status"));
    if (layout.focusHolder) {
      // It takes the first focus (below) but no Tab stop, and no screen reader shows it.
      widget->setProperty(kAccessibleProperty, QStringLiteral("hidden"));
      widget->setFocusPolicy(Qt::ClickFocus);
    }
    if (layout.status || layout.focusHolder) Reinterpret(widget);
    widget->setGeometry(Px(layout.left), Px(layout.top), Px(layout.width), Px(layout.height));
    widget->setFont(FontOf(layout.font));
    if (layout.kind == ControlKind::Label || layout.kind == ControlKind::Frame || layout.kind == ControlKind::CheckBox)
      Paint(widget, layout.backColor, layout.foreColor);
    if (layout.kind == ControlKind::Label || layout.kind == ControlKind::Frame) widget->setFocusPolicy(Qt::NoFocus);
    // A control keeps its mouse moves to itself, so the pointer of a button is not undone by the
    // frame or window behind it; labels, lists and check boxes have no handler and change nothing.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    if (layout.kind == ControlKind::Frame || layout.kind == ControlKind::PushButton || layout.kind == ControlKind::TextBox) {
      widget->setMouseTracking(true);
      widget->installEventFilter(new MoveFilter(impl_.get(), id, widget));
    }
    widget->setVisible(layout.visible);
    impl_->controls[static_cast<std::size_t>(id)] = widget;
  }
  // Tab order as designed; labels and frames take no focus.
  std::vector<const ControlLayout*> byTab;
  for (const ControlLayout& layout : controls) byTab.push_back(&layout);
  std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  QWidget* previous = nullptr;
  for (const ControlLayout* layout : byTab) {
    QWidget* widget = Control(layout->id);
    if (!widget || !(widget->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
  if (!byTab.empty()) Control(byTab.front()->id)->setFocus();  // the focus holder, first in the design
  // Logging off or shutting down closes the window like any other way.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, window, [this](QSessionManager&) {
    if (impl_->events) impl_->events->CloseRequested();
  });
}

void QtMainWindow::Show() {
  QWidget* window = Widget();
  if (!window) return;
  if (!impl_->shownOnce) {
    impl_->shownOnce = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame(QPoint(0, 0), window->size());
      frame.moveCenter(screen->availableGeometry().center());
      window->move(frame.topLeft());
    }
    if (impl_->state == kStateMinimized) {
      // Shown minimised as far as the handlers know; mapped iconic only if the state handler keeps
      // it that way: on X11 a window hidden right after mapping it iconic can't be mapped again.
      impl_->pendingMinimized = true;
    } else {
      window->show();
    }
    // The handler of the state sees the window shown first, also when Qt reported nothing.
    static_cast<MainWidget*>(window)->Report();
    return;
  }
  if (Visible()) return;  // a shown window's state is the user's until the program sets it
  if (impl_->state == kStateMinimized)
    window->showMinimized();
  else
    window->showNormal();
}

void QtMainWindow::Hide() {
  if (!impl_->widget) return;
  impl_->state = WindowState();
  impl_->pendingMinimized = false;
  impl_->widget->hide();
}

bool QtMainWindow::Visible() { return impl_->widget && (impl_->widget->isVisible() || impl_->pendingMinimized); }

int QtMainWindow::WindowState() {
  // Qt's own state of a hidden window is what it was when hidden; ours is what the next Show gives.
  if (!impl_->widget || !impl_->widget->isVisible()) return impl_->state;
  return (impl_->widget->windowState() & Qt::WindowMinimized) ? kStateMinimized : kStateNormal;
}

void QtMainWindow::SetWindowState(int state) {
  QWidget* window = impl_->widget.get();
  const bool visible = window && window->isVisible();
  const int before = WindowState();
  impl_->state = state;
  // On X11 a change of state maps the window, so a hidden one only keeps the state for later.
  if (!visible || before == state) return;
  if (state == kStateMinimized)
    window->showMinimized();
  else
    window->showNormal();
}

void QtMainWindow::SetFocus() {
  if (!impl_->widget) return;
  impl_->widget->raise();
  impl_->widget->activateWindow();
}

void QtMainWindow::SetCaption(const std::string& caption) {
  impl_->caption = caption;
  if (QWidget* window = Widget()) window->setWindowTitle(QString::fromUtf8(caption.c_str()));
}

void QtMainWindow::SetIcon(const PicturePtr& icon) {
  if (!icon) return;
  impl_->icon = QtPictures::Lookup(icon->Handle);
  if (QWidget* window = Widget()) window->setWindowIcon(impl_->icon);
}

void QtMainWindow::SetBackColor(std::uint32_t color) {
  if (QWidget* window = Widget()) Paint(window, color, kColorWindowText);
}

void QtMainWindow::SetPointer(int pointer, const PicturePtr& custom) {
  QWidget* window = Widget();
  if (!window) return;
  if (pointer == kPointerBusy) {
    window->setCursor(Qt::WaitCursor);
  } else if (pointer == kPointerCustom && custom) {
    const QCursor cursor = QtPictures::Cursor(custom->Handle);
    if (!cursor.pixmap().isNull()) window->setCursor(cursor);
  } else {
    window->unsetCursor();  // the arrow; 99 without a picture looks the same
  }
}

void QtMainWindow::SetControlText(int id, const std::string& text) {
  QWidget* widget = Control(id);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QString shown = Text(text);
    const bool changed = label->text() != shown;
    label->setText(shown);
    // A screen reader reads out a status bar's new name (when it has the focus), and its note
    // showing anew wherever the focus is.
    if (changed && AccessiblePart(label) == QLatin1String("status")) {
      QAccessibleEvent event(label, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&event);
      if (QAccessible::isActive())
        if (auto* status = dynamic_cast<StatusAccessible*>(QAccessible::queryAccessibleInterface(label)))
          if (QAccessibleInterface* note = status->Note()) {
            QAccessibleEvent appeared(note, QAccessible::ObjectShow);
            QAccessible::updateAccessibility(&appeared);
          }
    }
  }
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) frame->setTitle(Text(text));
  if (auto* check = qobject_cast<QCheckBox*>(widget)) check->setText(Text(text));
  if (auto* button = qobject_cast<QPushButton*>(widget)) button->setText(Text(text));
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(Text(text));
}

void QtMainWindow::SetControlItems(int id, const std::vector<std::string>& items) {
  auto* list = qobject_cast<QComboBox*>(Control(id));
  if (!list) return;
  QStringList texts;
  for (const std::string& item : items) texts << QString::fromUtf8(item.c_str());
  QStringList current;
  for (int i = 0; i < list->count(); ++i) current << list->itemText(i);
  if (current == texts) return;
  const int index = list->currentIndex();
  list->clear();
  list->addItems(texts);
  list->setCurrentIndex(index < texts.size() ? index : -1);
}

void QtMainWindow::SetControlSelection(int id, int index) {
  if (auto* list = qobject_cast<QComboBox*>(Control(id))) list->setCurrentIndex(index);
}

void QtMainWindow::SetControlChecked(int id, bool checked) {
  if (auto* check = qobject_cast<QCheckBox*>(Control(id))) check->setChecked(checked);
}

void QtMainWindow::SetControlVisible(int id, bool visible) {
  if (QWidget* widget = Control(id)) widget->setVisible(visible);
}

void QtMainWindow::SetControlColors(int id, std::uint32_t backColor, std::uint32_t foreColor) {
  if (QWidget* widget = Control(id)) Paint(widget, backColor, foreColor);
}

void QtMainWindow::EndProgram(int status) {
  if (atEnd_) atEnd_();
  // What was sent to the X server (the tray icon leaving) must get there before the process goes.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>())
      if (x11->connection()) xcb_flush(x11->connection());
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace hush::platform::linux_backend
