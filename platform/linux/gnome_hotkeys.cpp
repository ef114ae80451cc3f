#include "platform/linux/gnome_hotkeys.h"

#include <gio/gio.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

namespace hush::platform::linux_backend {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool GnomeDesktop() {
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");  // "GNOME", "ubuntu:GNOME", ...
  if (!desktops) return false;
  const std::string all = Lower(desktops);
  std::size_t start = 0;
  while (start <= all.size()) {
    const std::size_t end = std::min(all.find(':', start), all.size());
    if (all.compare(start, end - start, "gnome") == 0) return true;
    start = end + 1;
  }
  return false;
}

bool SchemaInstalled(const char* id, const char* key) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
  if (!schema) return false;
  const bool has = !key || g_settings_schema_has_key(schema, key);
  g_settings_schema_unref(schema);
  return has;
}

// The settings daemon's media-keys service, which runs the custom shortcuts.
bool MediaKeysRunning() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner",
                                                g_variant_new("(s)", "org.gnome.SettingsDaemon.MediaKeys"),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  g_object_unref(bus);
  return owned != FALSE;
}

struct Settings {
  explicit Settings(const char* schema) : s(g_settings_new(schema)) {}
  Settings(const char* schema, const std::string& path) : s(g_settings_new_with_path(schema, path.c_str())) {}
  ~Settings() { g_object_unref(s); }
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;
  std::string Get(const char* key) const {
    gchar* value = g_settings_get_string(s, key);
    std::string text = value ? value : "";
    g_free(value);
    return text;
  }
  GSettings* s;
};

bool Own(const std::string& path) { return path.rfind(GnomeHotkeys::kOwnPrefix, 0) == 0; }

}  // namespace

GnomeHotkeys::GnomeHotkeys(ShortcutNamer namer, std::string program, const ShortcutClaims* claims)
    : namer_(std::move(namer)), program_(std::move(program)), claims_(claims) {}

GnomeHotkeys::~GnomeHotkeys() { RemoveAll(); }

int GnomeHotkeys::ShellMajorVersion() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return 0;
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.gnome.Shell", "/org/gnome/Shell",
                                                "org.freedesktop.DBus.Properties", "Get",
                                                g_variant_new("(ss)", "org.gnome.Shell", "ShellVersion"),
                                                G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000, nullptr,
                                                nullptr);
  int major = 0;
  if (reply) {
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    if (value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING))
      major = std::atoi(g_variant_get_string(value, nullptr));
    if (value) g_variant_unref(value);
    g_variant_unref(reply);
  }
  g_object_unref(bus);
  return major;
}

bool GnomeHotkeys::Offered() {
  return GnomeDesktop() && SchemaInstalled(kListSchema, kListKey) && SchemaInstalled(kEntrySchema, "binding") &&
         MediaKeysRunning();
}

std::string GnomeHotkeys::Binding(std::uint32_t modifiers, std::uint32_t vk) {
  std::string binding;
  if (modifiers & kModControl) binding += "<Control>";
  if (modifiers & kModShift) binding += "<Shift>";
  if (modifiers & kModAlt) binding += "<Alt>";
  if (modifiers & kModWin) binding += "<Super>";
  return binding + static_cast<char>(std::tolower(static_cast<int>(vk)));
}

std::string GnomeHotkeys::Command(const std::string& program, const std::string& option) {
  gchar* quoted = g_shell_quote(program.c_str());
  std::string command = std::string(quoted) + " " + option;
  g_free(quoted);
  return command;
}

bool GnomeHotkeys::SameCombination(const std::string& a, const std::string& b) {
  const auto parse = [](const std::string& accelerator, std::set<std::string>& modifiers, std::string& key) {
    std::size_t at = 0;
    while (at < accelerator.size() && accelerator[at] == '<') {
      const std::size_t end = accelerator.find('>', at);
      if (end == std::string::npos) return false;
      std::string name = Lower(accelerator.substr(at + 1, end - at - 1));
      if (name == "ctrl" || name == "primary" || name == "control") name = "control";
      if (name == "mod1") name = "alt";
      if (name == "mod4") name = "super";
      modifiers.insert(name);
      at = end + 1;
    }
    key = Lower(accelerator.substr(at));
    return !key.empty();
  };
  std::set<std::string> ma, mb;
  std::string ka, kb;
  return parse(a, ma, ka) && parse(b, mb, kb) && ma == mb && ka == kb;
}

std::vector<std::string> GnomeHotkeys::List() const {
  Settings list(kListSchema);
  gchar** paths = g_settings_get_strv(list.s, kListKey);
  std::vector<std::string> all;
  for (gchar** p = paths; p && *p; ++p) all.emplace_back(*p);
  g_strfreev(paths);
  return all;
}

bool GnomeHotkeys::WriteList(const std::vector<std::string>& paths) {
  std::vector<const gchar*> raw;
  for (const std::string& p : paths) raw.push_back(p.c_str());
  raw.push_back(nullptr);
  Settings list(kListSchema);
  return g_settings_is_writable(list.s, kListKey) && g_settings_set_strv(list.s, kListKey, raw.data());
}

// Out of the list first, so the daemon never runs a half-cleared entry; then the entry's own keys.
void GnomeHotkeys::Forget(const std::string& path) {
  const ShortcutClaims::Turn turn = TakeTurn();
  ForgetHeld(path);
}

void GnomeHotkeys::ForgetHeld(const std::string& path) {
  std::vector<std::string> paths = List();
  const auto kept = std::remove(paths.begin(), paths.end(), path);
  if (kept != paths.end()) {
    paths.erase(kept, paths.end());
    WriteList(paths);
  }
  {
    Settings entry(kEntrySchema, path);
    for (const char* key : {"name", "command", "binding"}) g_settings_reset(entry.s, key);
  }
  g_settings_sync();
}

// An entry of ours that no running copy holds: what a killed run left. One whose combination another
// copy claims is that copy's, and stays. The combination is read from the entry's name, which the
// user cannot change, not from its binding, which they can; an entry named otherwise (an earlier
// release's) is a killed run's. Where claims cannot be had, nothing is taken for left.
bool GnomeHotkeys::Left(const std::string& path) const {
  for (const auto& [key, entry] : entries_)
    if (entry.path == path) return false;
  if (!claims_) return true;
  if (!claims_->Usable()) return false;
  const std::string name = ClaimOf(path);
  return name.empty() || !claims_->HeldElsewhere(name);
}

std::string GnomeHotkeys::ClaimOf(const std::string& path) {
  // "...-raise-volume-ctrl-shift-q/": the key, and the modifiers before it.
  if (path.size() < 3 || path.back() != '/') return "";
  std::size_t end = path.size() - 1;
  const std::size_t keyAt = path.rfind('-', end);
  if (keyAt == std::string::npos || end - keyAt != 2 || !std::isalnum(static_cast<unsigned char>(path[keyAt + 1])))
    return "";
  std::size_t start = keyAt;
  for (;;) {
    const std::size_t before = path.rfind('-', start - 1);
    if (before == std::string::npos) break;
    const std::string word = path.substr(before + 1, start - before - 1);
    if (word != "ctrl" && word != "shift" && word != "alt" && word != "super") break;
    start = before;
  }
  if (start == keyAt) return "";  // no modifier: never one of ours
  return path.substr(start + 1, end - start - 1);
}

void GnomeHotkeys::ForgetLeft() {
  const ShortcutClaims::Turn turn = TakeTurn();
  for (const std::string& path : List())
    if (Own(path) && Left(path)) ForgetHeld(path);
}

ShortcutClaims::Turn GnomeHotkeys::TakeTurn() const { return claims_ ? claims_->TakeTurn() : ShortcutClaims::Turn(-1); }

bool GnomeHotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!(vk >= 'A' && vk <= 'Z') && !(vk >= '0' && vk <= '9')) return false;
  if (entries_.count({window, id})) return false;  // as Windows: the identifier is taken
  const std::string binding = Binding(modifiers, vk);
  for (const auto& [key, entry] : entries_)
    if (entry.binding == binding) return false;  // already held by this program
  const ShortcutNaming naming = namer_ ? namer_(id) : ShortcutNaming{};
  // Nothing a press could run (no path to run it by: no plain link could be made).
  if (naming.id.empty() || naming.option.empty() || program_.empty()) return false;
  const std::string command = Command(program_, naming.option);
  // GSettings takes UTF-8 only; anything else would leave the entry with no command.
  if (!g_utf8_validate(command.c_str(), -1, nullptr) || !g_utf8_validate(naming.description.c_str(), -1, nullptr))
    return false;
  // Each copy's entries are its own: named by their combination, which only one running copy claims.
  const std::string path = kOwnPrefix + naming.id + "-" + ShortcutClaims::Name(modifiers, vk) + "/";
  for (const std::string& other : List())
    if (!Own(other) && SameCombination(Settings(kEntrySchema, other).Get("binding"), binding)) return false;
  ForgetLeft();
  // Another copy's list change between this one's read and write would be lost: one at a time.
  const ShortcutClaims::Turn turn = TakeTurn();
  {
    Settings entry(kEntrySchema, path);
    bool written = true;
    // A key an administrator locked, or a store that refuses: not armed, and said so by the caller.
    for (const char* key : {"name", "command", "binding"}) written = written && g_settings_is_writable(entry.s, key);
    written = written && g_settings_set_string(entry.s, "name", naming.description.c_str()) &&
              g_settings_set_string(entry.s, "command", command.c_str()) &&
              g_settings_set_string(entry.s, "binding", binding.c_str());
    if (!written) {
      for (const char* key : {"name", "command", "binding"}) g_settings_reset(entry.s, key);
      return false;
    }
  }
  std::vector<std::string> paths = List();
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
    paths.push_back(path);
    if (!WriteList(paths)) {
      Settings entry(kEntrySchema, path);
      for (const char* key : {"name", "command", "binding"}) g_settings_reset(entry.s, key);
      return false;
    }
  }
  g_settings_sync();  // in the store before the next copy takes its turn
  entries_[{window, id}] = Entry{path, binding};
  return true;
}

bool GnomeHotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const auto found = entries_.find({window, id});
  if (found != entries_.end()) {
    Forget(found->second.path);
    entries_.erase(found);
    return true;
  }
  // Entries a killed run left must not keep firing with an old letter, whatever this run arms.
  ForgetLeft();
  return false;
}

void GnomeHotkeys::RemoveAll() {
  for (const auto& [key, entry] : entries_) Forget(entry.path);
  entries_.clear();
  ForgetLeft();
  g_settings_sync();  // the store takes writes in the background; the program may be about to end
}

}  // namespace hush::platform::linux_backend
