#include "platform/status_notifier_linux.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kMenuPath[] = "/MenuBar";
constexpr char kMenuInterface[] = "com.canonical.dbusmenu";
constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
// A watcher that answers nothing within this is taken as none until it says it took the item.
constexpr uint64_t kRegisterTimeoutUs = 3000000;

#define TUNLARK_ITEM_PROPERTY(name, signature) \
  SD_BUS_PROPERTY(name, signature, GetItemProperty, 0, 0)
#define TUNLARK_MENU_PROPERTY(name, signature) \
  SD_BUS_PROPERTY(name, signature, GetMenuProperty, 0, SD_BUS_VTABLE_PROPERTY_CONST)

bool Wanted(const std::vector<std::string>& names, const char* name) {
  if (names.empty()) return true;
  for (const std::string& wanted : names)
    if (wanted == name) return true;
  return false;
}

// The properties of a menu entry, a{sv}; the root has only children-display.
int AppendMenuProperties(sd_bus_message* m, const DesktopMenuEntry* entry,
                         const std::vector<std::string>& names) {
  int r = sd_bus_message_open_container(m, 'a', "{sv}");
  bool submenu = !entry || entry->kind == DesktopMenuEntry::kSubmenu;
  if (r >= 0 && submenu && Wanted(names, "children-display"))
    r = sd_bus_message_append(m, "{sv}", "children-display", "s", "submenu");
  if (entry && entry->kind == DesktopMenuEntry::kSeparator) {
    if (r >= 0 && Wanted(names, "type"))
      r = sd_bus_message_append(m, "{sv}", "type", "s", "separator");
  } else if (entry) {
    if (r >= 0 && Wanted(names, "label"))
      r = sd_bus_message_append(m, "{sv}", "label", "s", entry->label.c_str());
    if (r >= 0 && !entry->enabled && Wanted(names, "enabled"))
      r = sd_bus_message_append(m, "{sv}", "enabled", "b", 0);
    if (r >= 0 && entry->checked && Wanted(names, "toggle-type"))
      r = sd_bus_message_append(m, "{sv}", "toggle-type", "s", "checkmark");
    if (r >= 0 && entry->checked && Wanted(names, "toggle-state"))
      r = sd_bus_message_append(m, "{sv}", "toggle-state", "i", 1);
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r;
}

// (ia{sv}av): the entry (null for the root) with its children down to depth (-1: all).
int AppendLayout(sd_bus_message* m, const DesktopMenuEntry* entry,
                 const std::vector<DesktopMenuEntry>& children, int depth,
                 const std::vector<std::string>& names) {
  int r = sd_bus_message_open_container(m, 'r', "ia{sv}av");
  if (r >= 0) r = sd_bus_message_append(m, "i", entry ? entry->id : 0);
  if (r >= 0) r = AppendMenuProperties(m, entry, names);
  if (r >= 0) r = sd_bus_message_open_container(m, 'a', "v");
  if (depth != 0) {
    for (const DesktopMenuEntry& child : children) {
      if (r >= 0) r = sd_bus_message_open_container(m, 'v', "(ia{sv}av)");
      if (r >= 0) r = AppendLayout(m, &child, child.children, depth < 0 ? -1 : depth - 1, names);
      if (r >= 0) r = sd_bus_message_close_container(m);
    }
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r;
}

int ReadStrings(sd_bus_message* m, std::vector<std::string>* strings) {
  char** list = nullptr;
  int r = sd_bus_message_read_strv(m, &list);
  if (r < 0) return r;
  for (char** s = list; s && *s; ++s) {
    strings->push_back(*s);
    free(*s);
  }
  free(list);
  return r;
}

}  // namespace

struct StatusNotifierBus::Impl {
  explicit Impl(StatusNotifierSetup setup) : setup_(std::move(setup)) {}

  void Attach(sd_bus* bus);
  void Refresh();
  void Detach(sd_bus* bus);
  void Register();
  void SetRegistered(bool registered);
  const std::vector<TrayPixmap>& PixmapsOf(int iconId);
  int AppendPixmaps(sd_bus_message* m, int iconId);
  int Post(const TrayRequest& request, sd_bus_error* error);
  const std::vector<DesktopMenuEntry>* ChildrenOf(int32_t id, const DesktopMenuEntry** entry);

  void QueryHost();
  void MenuOpened();
  // Emits NewToolTip when the tooltip shown changed.
  void SendToolTip(bool changed);

  static int OnRegistered(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnHostAnswer(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnWatcherSignal(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnItemMethod(sd_bus_message* call, void* self, sd_bus_error* error);
  static int GetItemProperty(sd_bus* bus, const char* path, const char* interfaceName,
                             const char* property, sd_bus_message* reply, void* self,
                             sd_bus_error* error);
  static int OnGetLayout(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnGetGroupProperties(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnGetProperty(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnEvent(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnEventGroup(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnAboutToShow(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnAboutToShowGroup(sd_bus_message* call, void* self, sd_bus_error* error);
  static int GetMenuProperty(sd_bus* bus, const char* path, const char* interfaceName,
                             const char* property, sd_bus_message* reply, void* self,
                             sd_bus_error* error);
  // Carries out one menu event: a command is posted, the menu's opening and closing hold the
  // tooltip. False for an id no entry has.
  bool HandleEvent(int32_t id, const char* eventId, sd_bus_error* error, int* result);

  StatusNotifierSetup setup_;

  std::mutex mutex_;  // guards the published picture and tooltip
  int publishedIcon_ = -1;
  std::u16string publishedTip_;
  bool hasPublished_ = false;

  // The bus thread's own.
  sd_bus* bus_ = nullptr;
  std::string busName_;
  sd_bus_slot* registerCall_ = nullptr;
  sd_bus_slot* hostQuery_ = nullptr;
  int iconId_ = -1;
  HeldToolTip tip_;
  ScrollSteps scroll_;
  std::map<int, std::vector<TrayPixmap>> pixmaps_;
  bool registered_ = false;
  bool told_ = false;  // hostChanged has been called at least once
};

StatusNotifierBus::StatusNotifierBus(StatusNotifierSetup setup)
    : impl_(std::make_unique<Impl>(std::move(setup))) {}

StatusNotifierBus::~StatusNotifierBus() = default;

void StatusNotifierBus::Publish(int iconId, const std::u16string& tip) {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex_);
    impl_->publishedIcon_ = iconId;
    impl_->publishedTip_ = tip;
    impl_->hasPublished_ = true;
  }
  if (impl_->setup_.wake) impl_->setup_.wake();
}

void StatusNotifierBus::Attach(sd_bus* bus) {
  impl_->Attach(bus);
}

void StatusNotifierBus::Refresh() {
  impl_->Refresh();
}

void StatusNotifierBus::Detach(sd_bus* bus) {
  impl_->Detach(bus);
}

void StatusNotifierBus::Impl::Attach(sd_bus* bus) {
  static const sd_bus_vtable kItemVtable[] = {
      SD_BUS_VTABLE_START(0),
      TUNLARK_ITEM_PROPERTY("Category", "s"),
      TUNLARK_ITEM_PROPERTY("Id", "s"),
      TUNLARK_ITEM_PROPERTY("Title", "s"),
      TUNLARK_ITEM_PROPERTY("Status", "s"),
      TUNLARK_ITEM_PROPERTY("WindowId", "i"),
      TUNLARK_ITEM_PROPERTY("IconThemePath", "s"),
      TUNLARK_ITEM_PROPERTY("IconName", "s"),
      TUNLARK_ITEM_PROPERTY("IconPixmap", "a(iiay)"),
      TUNLARK_ITEM_PROPERTY("OverlayIconName", "s"),
      TUNLARK_ITEM_PROPERTY("OverlayIconPixmap", "a(iiay)"),
      TUNLARK_ITEM_PROPERTY("AttentionIconName", "s"),
      TUNLARK_ITEM_PROPERTY("AttentionIconPixmap", "a(iiay)"),
      TUNLARK_ITEM_PROPERTY("AttentionMovieName", "s"),
      TUNLARK_ITEM_PROPERTY("ToolTip", "(sa(iiay)ss)"),
      TUNLARK_ITEM_PROPERTY("ItemIsMenu", "b"),
      TUNLARK_ITEM_PROPERTY("Menu", "o"),
      SD_BUS_METHOD_WITH_NAMES("ContextMenu", "ii", SD_BUS_PARAM(x) SD_BUS_PARAM(y), "", ,
                               OnItemMethod, 0),
      SD_BUS_METHOD_WITH_NAMES("Activate", "ii", SD_BUS_PARAM(x) SD_BUS_PARAM(y), "", ,
                               OnItemMethod, 0),
      SD_BUS_METHOD_WITH_NAMES("SecondaryActivate", "ii", SD_BUS_PARAM(x) SD_BUS_PARAM(y), "", ,
                               OnItemMethod, 0),
      SD_BUS_METHOD_WITH_NAMES("Scroll", "is", SD_BUS_PARAM(delta) SD_BUS_PARAM(orientation), "", ,
                               OnItemMethod, 0),
      SD_BUS_SIGNAL("NewTitle", "", 0),
      SD_BUS_SIGNAL("NewIcon", "", 0),
      SD_BUS_SIGNAL("NewAttentionIcon", "", 0),
      SD_BUS_SIGNAL("NewOverlayIcon", "", 0),
      SD_BUS_SIGNAL("NewToolTip", "", 0),
      SD_BUS_SIGNAL_WITH_NAMES("NewStatus", "s", SD_BUS_PARAM(status), 0),
      SD_BUS_VTABLE_END,
  };
  static const sd_bus_vtable kMenuVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD_WITH_NAMES(
          "GetLayout", "iias",
          SD_BUS_PARAM(parentId) SD_BUS_PARAM(recursionDepth) SD_BUS_PARAM(propertyNames),
          "u(ia{sv}av)", SD_BUS_PARAM(revision) SD_BUS_PARAM(layout), OnGetLayout, 0),
      SD_BUS_METHOD_WITH_NAMES("GetGroupProperties", "aias",
                               SD_BUS_PARAM(ids) SD_BUS_PARAM(propertyNames), "a(ia{sv})",
                               SD_BUS_PARAM(properties), OnGetGroupProperties, 0),
      SD_BUS_METHOD_WITH_NAMES("GetProperty", "is", SD_BUS_PARAM(id) SD_BUS_PARAM(name), "v",
                               SD_BUS_PARAM(value), OnGetProperty, 0),
      SD_BUS_METHOD_WITH_NAMES("Event", "isvu",
                               SD_BUS_PARAM(id) SD_BUS_PARAM(eventId) SD_BUS_PARAM(data)
                                   SD_BUS_PARAM(timestamp),
                               "", , OnEvent, 0),
      SD_BUS_METHOD_WITH_NAMES("EventGroup", "a(isvu)", SD_BUS_PARAM(events), "ai",
                               SD_BUS_PARAM(idErrors), OnEventGroup, 0),
      SD_BUS_METHOD_WITH_NAMES("AboutToShow", "i", SD_BUS_PARAM(id), "b", SD_BUS_PARAM(needUpdate),
                               OnAboutToShow, 0),
      SD_BUS_METHOD_WITH_NAMES("AboutToShowGroup", "ai", SD_BUS_PARAM(ids), "aiai",
                               SD_BUS_PARAM(updatesNeeded) SD_BUS_PARAM(idErrors),
                               OnAboutToShowGroup, 0),
      TUNLARK_MENU_PROPERTY("Version", "u"),
      TUNLARK_MENU_PROPERTY("TextDirection", "s"),
      TUNLARK_MENU_PROPERTY("Status", "s"),
      TUNLARK_MENU_PROPERTY("IconThemePath", "as"),
      SD_BUS_SIGNAL_WITH_NAMES("ItemsPropertiesUpdated", "a(ia{sv})a(ias)",
                               SD_BUS_PARAM(updatedProps) SD_BUS_PARAM(removedProps), 0),
      SD_BUS_SIGNAL_WITH_NAMES("LayoutUpdated", "ui", SD_BUS_PARAM(revision) SD_BUS_PARAM(parent),
                               0),
      SD_BUS_SIGNAL_WITH_NAMES("ItemActivationRequested", "iu",
                               SD_BUS_PARAM(id) SD_BUS_PARAM(timestamp), 0),
      SD_BUS_VTABLE_END,
  };

  bus_ = bus;
  Refresh();
  busName_ = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1";
  bool ready =
      sd_bus_add_object_vtable(bus, nullptr, kItemPath, kItemInterface, kItemVtable, this) >= 0 &&
      sd_bus_add_object_vtable(bus, nullptr, kMenuPath, kMenuInterface, kMenuVtable, this) >= 0 &&
      sd_bus_request_name(bus, busName_.c_str(), 0) >= 0;
  // A watcher that starts, restarts or leaves later: told by the bus itself.
  if (ready) {
    std::string match = std::string(
                            "type='signal',sender='org.freedesktop.DBus',"
                            "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
                        kWatcherName + "'";
    ready = sd_bus_add_match_async(bus, nullptr, match.c_str(), OnOwnerChanged, nullptr, this) >= 0;
  }
  // A late watcher's word that it took the item, and a host that comes or goes.
  if (ready) {
    std::string match =
        std::string("type='signal',path='") + kWatcherPath + "',interface='" + kWatcherName + "'";
    ready =
        sd_bus_add_match_async(bus, nullptr, match.c_str(), OnWatcherSignal, nullptr, this) >= 0;
  }
  if (!ready) return SetRegistered(false);
  Register();
}

void StatusNotifierBus::Impl::Register() {
  registerCall_ = sd_bus_slot_unref(registerCall_);
  sd_bus_message* call = nullptr;
  int r = sd_bus_message_new_method_call(bus_, &call, kWatcherName, kWatcherPath, kWatcherName,
                                         "RegisterStatusNotifierItem");
  if (r >= 0) r = sd_bus_message_append(call, "s", busName_.c_str());
  // Asynchronous: a watcher that answers late or never holds up nothing.
  if (r >= 0)
    r = sd_bus_call_async(bus_, &registerCall_, call, OnRegistered, this, kRegisterTimeoutUs);
  sd_bus_message_unref(call);
  if (r < 0) SetRegistered(false);
}

void StatusNotifierBus::Impl::SetRegistered(bool registered) {
  if (told_ && registered == registered_) return;
  told_ = true;
  registered_ = registered;
  if (setup_.hostChanged) setup_.hostChanged(registered);
}

int StatusNotifierBus::Impl::OnRegistered(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  item->registerCall_ = sd_bus_slot_unref(item->registerCall_);
  // No watcher, one that refused or one that answered nothing in time.
  if (sd_bus_message_is_method_error(reply, nullptr)) {
    item->SetRegistered(false);
  } else {
    item->QueryHost();
  }
  return 0;
}

// A watcher without a host draws no icon: the item counts as shown only where one is.
void StatusNotifierBus::Impl::QueryHost() {
  hostQuery_ = sd_bus_slot_unref(hostQuery_);
  int r = sd_bus_call_method_async(bus_, &hostQuery_, kWatcherName, kWatcherPath,
                                   "org.freedesktop.DBus.Properties", "Get", OnHostAnswer, this,
                                   "ss", kWatcherName, "IsStatusNotifierHostRegistered");
  if (r < 0) SetRegistered(false);
}

int StatusNotifierBus::Impl::OnHostAnswer(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  item->hostQuery_ = sd_bus_slot_unref(item->hostQuery_);
  // A watcher that does not have the property is taken at its word, as before it was asked.
  int host = 1;
  if (!sd_bus_message_is_method_error(reply, nullptr) &&
      sd_bus_message_read(reply, "v", "b", &host) < 0)
    host = 1;
  item->SetRegistered(host != 0);
  return 0;
}

int StatusNotifierBus::Impl::OnWatcherSignal(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  const char* member = sd_bus_message_get_member(signal);
  if (!member) return 0;
  if (strcmp(member, "StatusNotifierHostRegistered") == 0) {
    // The host may have come to a watcher that took the item while it had none, refused it or
    // answered it late.
    if (!item->registered_) item->Register();
  } else if (strcmp(member, "StatusNotifierHostUnregistered") == 0) {
    if (item->registered_) item->QueryHost();
  } else if (strcmp(member, "StatusNotifierItemRegistered") == 0) {
    const char* registered = nullptr;
    const char* unique = nullptr;
    if (sd_bus_message_read(signal, "s", &registered) < 0) return 0;
    sd_bus_get_unique_name(item->bus_, &unique);
    if (WatcherNamesItem(registered, item->busName_, unique ? unique : "")) item->QueryHost();
  }
  return 0;
}

int StatusNotifierBus::Impl::OnOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) < 0) return 0;
  if (strcmp(name, kWatcherName) != 0) return 0;
  if (newOwner[0] == '\0') {
    item->registerCall_ = sd_bus_slot_unref(item->registerCall_);
    item->hostQuery_ = sd_bus_slot_unref(item->hostQuery_);
    item->SetRegistered(false);
  } else {
    // A new or restarted watcher knows nothing of the item.
    item->Register();
  }
  return 0;
}

void StatusNotifierBus::Impl::Refresh() {
  int iconId = 0;
  std::u16string tip;
  bool published = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    published = hasPublished_;
    hasPublished_ = false;
    iconId = publishedIcon_;
    tip = publishedTip_;
  }
  // Without a new tooltip the hold may still have run out.
  if (!published) return SendToolTip(tip_.Flush(MediaClockUs()));
  bool iconChanged = iconId != iconId_;
  iconId_ = iconId;
  if (bus_ && iconChanged) sd_bus_emit_signal(bus_, kItemPath, kItemInterface, "NewIcon", "");
  SendToolTip(tip_.Offer(DesktopToolTipOf(tip), MediaClockUs()));
}

void StatusNotifierBus::Impl::SendToolTip(bool changed) {
  if (bus_ && changed) sd_bus_emit_signal(bus_, kItemPath, kItemInterface, "NewToolTip", "");
}

void StatusNotifierBus::Impl::MenuOpened() {
  tip_.MenuOpened(MediaClockUs());
}

void StatusNotifierBus::Impl::Detach(sd_bus* bus) {
  registerCall_ = sd_bus_slot_unref(registerCall_);
  hostQuery_ = sd_bus_slot_unref(hostQuery_);
  if (bus) sd_bus_release_name(bus, busName_.c_str());
  bus_ = nullptr;
  SetRegistered(false);
}

const std::vector<TrayPixmap>& StatusNotifierBus::Impl::PixmapsOf(int iconId) {
  auto found = pixmaps_.find(iconId);
  if (found != pixmaps_.end()) return found->second;
  std::vector<TrayPixmap>& pixmaps = pixmaps_[iconId];
  if (setup_.pixmapsOf) pixmaps = setup_.pixmapsOf(iconId);
  return pixmaps;
}

int StatusNotifierBus::Impl::AppendPixmaps(sd_bus_message* m, int iconId) {
  int r = sd_bus_message_open_container(m, 'a', "(iiay)");
  if (iconId >= 0) {
    for (const TrayPixmap& pixmap : PixmapsOf(iconId)) {
      if (r >= 0) r = sd_bus_message_open_container(m, 'r', "iiay");
      if (r >= 0) r = sd_bus_message_append(m, "ii", pixmap.size, pixmap.size);
      if (r >= 0) r = sd_bus_message_append_array(m, 'y', pixmap.argb.data(), pixmap.argb.size());
      if (r >= 0) r = sd_bus_message_close_container(m);
    }
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r;
}

int StatusNotifierBus::Impl::GetItemProperty(sd_bus*, const char*, const char*,
                                             const char* property, sd_bus_message* reply,
                                             void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  std::string name = property;
  if (name == "Category") return sd_bus_message_append(reply, "s", "ApplicationStatus");
  if (name == "Id") return sd_bus_message_append(reply, "s", item->setup_.id.c_str());
  if (name == "Title") return sd_bus_message_append(reply, "s", item->setup_.title.c_str());
  if (name == "Status") return sd_bus_message_append(reply, "s", "Active");
  if (name == "WindowId") return sd_bus_message_append(reply, "i", 0);
  if (name == "IconPixmap") return item->AppendPixmaps(reply, item->iconId_);
  if (name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
    return item->AppendPixmaps(reply, -1);
  if (name == "ToolTip") {
    int r = sd_bus_message_open_container(reply, 'r', "sa(iiay)ss");
    if (r >= 0) r = sd_bus_message_append(reply, "s", "");
    if (r >= 0) r = item->AppendPixmaps(reply, -1);
    if (r >= 0)
      r = sd_bus_message_append(reply, "ss", item->tip_.Shown().title.c_str(),
                                item->tip_.Shown().text.c_str());
    if (r >= 0) r = sd_bus_message_close_container(reply);
    return r;
  }
  // The desktop draws the menu on a right click: the item is not only a menu.
  if (name == "ItemIsMenu") return sd_bus_message_append(reply, "b", 0);
  if (name == "Menu") return sd_bus_message_append(reply, "o", kMenuPath);
  return sd_bus_message_append(reply, "s", "");  // the icon names and the movie: none
}

int StatusNotifierBus::Impl::Post(const TrayRequest& request, sd_bus_error* error) {
  if (!setup_.post || !setup_.post(request))
    return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "Too many requests at once");
  return 1;
}

int StatusNotifierBus::Impl::OnItemMethod(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* item = static_cast<Impl*>(self);
  const char* member = sd_bus_message_get_member(call);
  int r = 0;
  if (strcmp(member, "SecondaryActivate") == 0) {
    r = item->Post({TrayRequest::kTogglePause, 0}, error);
  } else if (strcmp(member, "Scroll") == 0) {
    int32_t delta = 0;
    const char* orientation = nullptr;
    r = sd_bus_message_read(call, "is", &delta, &orientation);
    if (r < 0) return r;
    int steps = item->scroll_.Take(delta, orientation, MediaClockUs());
    if (steps != 0) r = item->Post({TrayRequest::kVolumeSteps, steps}, error);
  } else if (strcmp(member, "ContextMenu") == 0) {
    // Asked by a host that draws no dbusmenu: the Win32 menu, where the host says.
    TrayRequest request = {TrayRequest::kContextMenu, 0};
    r = sd_bus_message_read(call, "ii", &request.x, &request.y);
    if (r < 0) return r;
    r = item->Post(request, error);
  }
  // Activate (a left click) does nothing, as on the Win32 icon.
  if (r < 0) return r;
  return sd_bus_reply_method_return(call, nullptr);
}

int StatusNotifierBus::Impl::GetMenuProperty(sd_bus*, const char*, const char*,
                                             const char* property, sd_bus_message* reply, void*,
                                             sd_bus_error*) {
  std::string name = property;
  if (name == "Version") return sd_bus_message_append(reply, "u", 3);
  if (name == "TextDirection") return sd_bus_message_append(reply, "s", "ltr");
  if (name == "Status") return sd_bus_message_append(reply, "s", "normal");
  return sd_bus_message_append(reply, "as", 0);
}

const std::vector<DesktopMenuEntry>* StatusNotifierBus::Impl::ChildrenOf(
    int32_t id, const DesktopMenuEntry** entry) {
  *entry = nullptr;
  if (id == 0) return &setup_.menu.entries;
  *entry = FindDesktopMenuEntry(setup_.menu, id);
  return *entry ? &(*entry)->children : nullptr;
}

// The menu never changes while the program runs: revision 1 throughout.
int StatusNotifierBus::Impl::OnGetLayout(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* item = static_cast<Impl*>(self);
  int32_t parent = 0;
  int32_t depth = 0;
  std::vector<std::string> names;
  int r = sd_bus_message_read(call, "ii", &parent, &depth);
  if (r >= 0) r = ReadStrings(call, &names);
  if (r < 0) return r;
  const DesktopMenuEntry* entry = nullptr;
  const std::vector<DesktopMenuEntry>* children = item->ChildrenOf(parent, &entry);
  if (!children) return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No such menu entry");
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_append(reply, "u", 1);
  if (r >= 0) r = AppendLayout(reply, entry, *children, depth, names);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int StatusNotifierBus::Impl::OnGetGroupProperties(sd_bus_message* call, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  const int32_t* ids = nullptr;
  size_t size = 0;
  std::vector<std::string> names;
  int r = sd_bus_message_read_array(call, 'i', reinterpret_cast<const void**>(&ids), &size);
  std::vector<int32_t> wanted(ids, ids + (r >= 0 ? size / sizeof(int32_t) : 0));
  if (r >= 0) r = ReadStrings(call, &names);
  if (r < 0) return r;
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(ia{sv})");
  for (int32_t id : wanted) {
    const DesktopMenuEntry* entry = nullptr;
    if (!item->ChildrenOf(id, &entry)) continue;  // unknown ids are left out
    if (r >= 0) r = sd_bus_message_open_container(reply, 'r', "ia{sv}");
    if (r >= 0) r = sd_bus_message_append(reply, "i", id);
    if (r >= 0) r = AppendMenuProperties(reply, entry, names);
    if (r >= 0) r = sd_bus_message_close_container(reply);
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int StatusNotifierBus::Impl::OnGetProperty(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* item = static_cast<Impl*>(self);
  int32_t id = 0;
  const char* name = nullptr;
  int r = sd_bus_message_read(call, "is", &id, &name);
  if (r < 0) return r;
  const DesktopMenuEntry* entry = nullptr;
  if (!item->ChildrenOf(id, &entry))
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No such menu entry");
  std::string wanted = name;
  if (wanted == "label" && entry && entry->kind != DesktopMenuEntry::kSeparator)
    return sd_bus_reply_method_return(call, "v", "s", entry->label.c_str());
  if (wanted == "type" && entry && entry->kind == DesktopMenuEntry::kSeparator)
    return sd_bus_reply_method_return(call, "v", "s", "separator");
  if (wanted == "children-display" && (!entry || entry->kind == DesktopMenuEntry::kSubmenu))
    return sd_bus_reply_method_return(call, "v", "s", "submenu");
  if (wanted == "enabled")
    return sd_bus_reply_method_return(call, "v", "b", !entry || entry->enabled);
  return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No such property");
}

bool StatusNotifierBus::Impl::HandleEvent(int32_t id, const char* eventId, sd_bus_error* error,
                                          int* result) {
  *result = 0;
  DesktopMenuEvent event = DesktopMenuEventOf(setup_.menu, id, eventId);
  switch (event.kind) {
    case DesktopMenuEvent::kUnknownId:
      return false;
    case DesktopMenuEvent::kCommand:
      *result = Post({TrayRequest::kCommand, event.command}, error);
      SendToolTip(tip_.MenuClosed(MediaClockUs()));
      break;
    case DesktopMenuEvent::kMenuOpened:
      MenuOpened();
      break;
    case DesktopMenuEvent::kMenuClosed:
      SendToolTip(tip_.MenuClosed(MediaClockUs()));
      break;
    case DesktopMenuEvent::kNothing:
      break;
  }
  return true;
}

int StatusNotifierBus::Impl::OnEvent(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* item = static_cast<Impl*>(self);
  int32_t id = 0;
  const char* eventId = nullptr;
  int r = sd_bus_message_read(call, "is", &id, &eventId);
  if (r < 0) return r;
  std::string event = eventId;
  int result = 0;
  if (!item->HandleEvent(id, event.c_str(), error, &result))
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No such menu entry");
  if (result < 0) return result;
  return sd_bus_reply_method_return(call, nullptr);
}

int StatusNotifierBus::Impl::OnEventGroup(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* item = static_cast<Impl*>(self);
  std::vector<int32_t> unknown;
  size_t events = 0;
  int r = sd_bus_message_enter_container(call, 'a', "(isvu)");
  while (r >= 0) {
    r = sd_bus_message_enter_container(call, 'r', "isvu");
    if (r <= 0) break;
    int32_t id = 0;
    const char* eventId = nullptr;
    r = sd_bus_message_read(call, "is", &id, &eventId);
    std::string event = r >= 0 ? eventId : "";
    if (r >= 0) r = sd_bus_message_skip(call, "vu");
    if (r >= 0) r = sd_bus_message_exit_container(call);
    int result = 0;
    if (r >= 0) ++events;
    if (r >= 0 && !item->HandleEvent(id, event.c_str(), error, &result)) unknown.push_back(id);
    if (result < 0) return result;
  }
  if (r < 0) return r;
  if (DesktopMenuEventGroupFails(events, unknown.size()))
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "No such menu entry");
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(call, &reply);
  if (r >= 0)
    r = sd_bus_message_append_array(reply, 'i', unknown.data(), unknown.size() * sizeof(int32_t));
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

// The host is about to show the menu or a submenu: the menu is open.
int StatusNotifierBus::Impl::OnAboutToShow(sd_bus_message* call, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  item->MenuOpened();
  return sd_bus_reply_method_return(call, "b", 0);
}

int StatusNotifierBus::Impl::OnAboutToShowGroup(sd_bus_message* call, void* self, sd_bus_error*) {
  auto* item = static_cast<Impl*>(self);
  item->MenuOpened();
  return sd_bus_reply_method_return(call, "aiai", 0, 0);
}
