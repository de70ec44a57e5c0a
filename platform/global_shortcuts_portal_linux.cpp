#include "platform/global_shortcuts_portal_linux.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char kRegistryInterface[] = "org.freedesktop.host.portal.Registry";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr char kSessionInterface[] = "org.freedesktop.portal.Session";
// Told when the portal starts or ends, after the program.
constexpr char kOwnerMatch[] =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.freedesktop.portal.Desktop'";
// The portal asks the user nothing for a session, but may for the binding: a dialog waits.
constexpr uint64_t kCallTimeoutUs = 10000000;

// Where the portal puts the Request object of a call with this handle_token, so that its Response
// is subscribed to before the call goes out.
std::string RequestPath(sd_bus* bus, const std::string& token) {
  const char* unique = nullptr;
  if (sd_bus_get_unique_name(bus, &unique) < 0 || !unique) return "";
  std::string sender = unique[0] == ':' ? unique + 1 : unique;
  for (char& c : sender)
    if (c == '.') c = '_';
  return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

// The string (or object path) under key in an a{sv} the message stands at; the rest is skipped.
int ReadDictString(sd_bus_message* m, const char* key, std::string* value) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  while (r > 0) {
    r = sd_bus_message_enter_container(m, 'e', "sv");
    if (r <= 0) break;
    const char* name = nullptr;
    r = sd_bus_message_read(m, "s", &name);
    const char* contents = nullptr;
    if (r >= 0) r = sd_bus_message_peek_type(m, nullptr, &contents);
    bool wanted = r >= 0 && strcmp(name, key) == 0 && contents &&
                  (strcmp(contents, "s") == 0 || strcmp(contents, "o") == 0);
    if (wanted) {
      const char* text = nullptr;
      r = sd_bus_message_read(m, "v", contents, &text);
      if (r >= 0) *value = text;
    } else if (r >= 0) {
      r = sd_bus_message_skip(m, "v");
    }
    if (r >= 0) r = sd_bus_message_exit_container(m);
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// a(sa{sv}): each shortcut's id and its trigger_description.
int ReadShortcuts(sd_bus_message* m, std::vector<BoundShortcut>* shortcuts) {
  int r = sd_bus_message_enter_container(m, 'a', "(sa{sv})");
  while (r > 0) {
    r = sd_bus_message_enter_container(m, 'r', "sa{sv}");
    if (r <= 0) break;
    const char* id = nullptr;
    BoundShortcut shortcut;
    r = sd_bus_message_read(m, "s", &id);
    if (r >= 0) shortcut.id = id;
    if (r >= 0) r = ReadDictString(m, "trigger_description", &shortcut.trigger);
    if (r >= 0) r = sd_bus_message_exit_container(m);
    if (r >= 0) shortcuts->push_back(shortcut);
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// The results of a Request's Response under key "shortcuts"; the other results are skipped.
int ReadResultShortcuts(sd_bus_message* m, std::vector<BoundShortcut>* shortcuts) {
  int r = sd_bus_message_enter_container(m, 'a', "{sv}");
  while (r > 0) {
    r = sd_bus_message_enter_container(m, 'e', "sv");
    if (r <= 0) break;
    const char* name = nullptr;
    r = sd_bus_message_read(m, "s", &name);
    if (r >= 0 && strcmp(name, "shortcuts") == 0) {
      r = sd_bus_message_enter_container(m, 'v', "a(sa{sv})");
      if (r >= 0) r = ReadShortcuts(m, shortcuts);
      if (r >= 0) r = sd_bus_message_exit_container(m);
    } else if (r >= 0) {
      r = sd_bus_message_skip(m, "v");
    }
    if (r >= 0) r = sd_bus_message_exit_container(m);
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

// A Request's Response: whether the portal granted it, with its "shortcuts" result.
bool ReadShortcutsResponse(sd_bus_message* signal, std::vector<BoundShortcut>* shortcuts) {
  uint32_t response = 2;
  int r = sd_bus_message_read(signal, "u", &response);
  if (r >= 0) r = ReadResultShortcuts(signal, shortcuts);
  return r >= 0 && response == 0;
}

}  // namespace

struct GlobalShortcutsPortal::Impl {
  explicit Impl(GlobalShortcutsSetup setup) : setup_(std::move(setup)) {}

  void Attach(sd_bus* bus);
  void Detach(sd_bus* bus);
  void Start();
  void Rebind(std::vector<PortalShortcut> shortcuts);
  void List();
  void CreateSession();
  bool BindShortcuts();
  void Report(const std::vector<BoundShortcut>& bound);
  void CloseSession();
  // Sends a portal call whose answer comes as the Response of a Request; false when it could not
  // be sent.
  bool CallWithResponse(const char* member, sd_bus_message_handler_t onResponse,
                        const std::function<int(sd_bus_message*)>& append);
  void Unavailable();
  void Forget();

  static int OnRegistered(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnCallReply(sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnSessionResponse(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnBindResponse(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnListResponse(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnActivated(sd_bus_message* signal, void* self, sd_bus_error* error);
  static int OnShortcutsChanged(sd_bus_message* signal, void* self, sd_bus_error* error);

  GlobalShortcutsSetup setup_;
  // The bus thread's own.
  sd_bus* bus_ = nullptr;
  sd_bus_slot* call_ = nullptr;      // the call under way
  sd_bus_slot* response_ = nullptr;  // its Request's Response
  sd_bus_slot* activated_ = nullptr;
  sd_bus_slot* changed_ = nullptr;
  sd_bus_slot* owner_ = nullptr;
  std::string session_;                  // the session's object path once created
  std::string member_;                   // the method of the call under way
  std::vector<BoundShortcut> reported_;  // what bound was last told
  int tokens_ = 0;
  bool told_ = false;       // bound has been called
  bool rebinding_ = false;  // a BindShortcuts of a session already bound is under way
};

GlobalShortcutsPortal::GlobalShortcutsPortal(GlobalShortcutsSetup setup)
    : impl_(std::make_unique<Impl>(std::move(setup))) {}

GlobalShortcutsPortal::~GlobalShortcutsPortal() = default;

void GlobalShortcutsPortal::Attach(sd_bus* bus) {
  impl_->Attach(bus);
}

void GlobalShortcutsPortal::Refresh() {}

void GlobalShortcutsPortal::Detach(sd_bus* bus) {
  impl_->Detach(bus);
}

void GlobalShortcutsPortal::Start() {
  impl_->Start();
}

void GlobalShortcutsPortal::Rebind(std::vector<PortalShortcut> shortcuts) {
  impl_->Rebind(std::move(shortcuts));
}

void GlobalShortcutsPortal::List() {
  impl_->List();
}

void GlobalShortcutsPortal::Impl::Attach(sd_bus* bus) {
  bus_ = bus;
  told_ = false;
  int r = sd_bus_match_signal_async(bus_, &activated_, kPortalName, kPortalPath,
                                    kShortcutsInterface, "Activated", OnActivated, nullptr, this);
  if (r >= 0)
    r = sd_bus_match_signal_async(bus_, &changed_, kPortalName, kPortalPath, kShortcutsInterface,
                                  "ShortcutsChanged", OnShortcutsChanged, nullptr, this);
  if (r >= 0) r = sd_bus_add_match_async(bus_, &owner_, kOwnerMatch, OnOwnerChanged, nullptr, this);
  if (r < 0) {
    Unavailable();
    return;
  }
  Start();
}

void GlobalShortcutsPortal::Impl::Start() {
  if (!bus_) return;
  told_ = false;
  rebinding_ = false;
  call_ = sd_bus_slot_unref(call_);
  member_ = "Register";
  // A portal without the host registry answers with an error: the session is made all the same.
  int r =
      sd_bus_call_method_async(bus_, &call_, kPortalName, kPortalPath, kRegistryInterface,
                               "Register", OnRegistered, this, "sa{sv}", setup_.appId.c_str(), 0);
  if (r < 0) Unavailable();
}

// Only a name that comes or goes while nothing is under way: a start under way hears of it itself.
int GlobalShortcutsPortal::Impl::OnOwnerChanged(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  const char* name = nullptr;
  const char* before = nullptr;
  const char* after = nullptr;
  if (sd_bus_message_read(signal, "sss", &name, &before, &after) < 0) return 0;
  if (strcmp(name, kPortalName) != 0) return 0;
  bool idle = portal->session_.empty() && !portal->call_ && !portal->response_;
  if (after[0] && idle) {
    if (portal->setup_.appeared) portal->setup_.appeared();
  } else if (!after[0] && (!portal->session_.empty() || portal->response_)) {
    // Its sessions and requests ended with it: the hotkeys are the caller's own again.
    portal->told_ = false;
    portal->Unavailable();
  }
  return 0;
}

int GlobalShortcutsPortal::Impl::OnRegistered(sd_bus_message*, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  portal->call_ = sd_bus_slot_unref(portal->call_);
  portal->CreateSession();
  return 0;
}

bool GlobalShortcutsPortal::Impl::CallWithResponse(
    const char* member, sd_bus_message_handler_t onResponse,
    const std::function<int(sd_bus_message*)>& append) {
  std::string token = "tunlark" + std::to_string(++tokens_);
  member_ = member;
  std::string path = RequestPath(bus_, token);
  if (path.empty()) return false;
  response_ = sd_bus_slot_unref(response_);
  // Asked before the call goes out, so that no Response can come first.
  int r = sd_bus_match_signal_async(bus_, &response_, kPortalName, path.c_str(), kRequestInterface,
                                    "Response", onResponse, nullptr, this);
  sd_bus_message* call = nullptr;
  if (r >= 0)
    r = sd_bus_message_new_method_call(bus_, &call, kPortalName, kPortalPath, kShortcutsInterface,
                                       member);
  if (r >= 0) r = append(call);
  // The options, last of every call: the handle_token, and for a new session its own token.
  if (r >= 0) r = sd_bus_message_open_container(call, 'a', "{sv}");
  if (r >= 0) r = sd_bus_message_append(call, "{sv}", "handle_token", "s", token.c_str());
  if (r >= 0 && strcmp(member, "CreateSession") == 0)
    r = sd_bus_message_append(call, "{sv}", "session_handle_token", "s", token.c_str());
  if (r >= 0) r = sd_bus_message_close_container(call);
  call_ = sd_bus_slot_unref(call_);
  if (r >= 0) r = sd_bus_call_async(bus_, &call_, call, OnCallReply, this, kCallTimeoutUs);
  sd_bus_message_unref(call);
  return r >= 0;
}

void GlobalShortcutsPortal::Impl::CreateSession() {
  if (!CallWithResponse("CreateSession", OnSessionResponse, [](sd_bus_message*) { return 0; }))
    Unavailable();
}

// The call's own answer only says where the Response will come; an error says there is no portal
// or no GlobalShortcuts in it, or that it lists or re-binds nothing for an existing session.
int GlobalShortcutsPortal::Impl::OnCallReply(sd_bus_message* reply, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  portal->call_ = sd_bus_slot_unref(portal->call_);
  if (!sd_bus_message_is_method_error(reply, nullptr)) return 0;
  portal->response_ = sd_bus_slot_unref(portal->response_);
  if (portal->member_ == "ListShortcuts") {
    // What was bound stands; the caller waits for an answer.
    portal->Report(portal->reported_);
  } else if (portal->member_ == "BindShortcuts" && portal->rebinding_) {
    // A portal that binds once per session: a new session takes the new shortcuts; should that
    // fail too, the hotkeys are the caller's own again.
    portal->CloseSession();
    portal->rebinding_ = false;
    portal->told_ = false;
    portal->CreateSession();
  } else {
    portal->Unavailable();
  }
  return 0;
}

int GlobalShortcutsPortal::Impl::OnSessionResponse(sd_bus_message* signal, void* self,
                                                   sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  portal->response_ = sd_bus_slot_unref(portal->response_);
  uint32_t response = 2;
  std::string session;
  int r = sd_bus_message_read(signal, "u", &response);
  if (r >= 0) r = ReadDictString(signal, "session_handle", &session);
  if (r < 0 || response != 0 || session.empty()) {
    portal->Unavailable();
    return 0;
  }
  portal->session_ = session;
  if (!portal->BindShortcuts()) portal->Unavailable();
  return 0;
}

bool GlobalShortcutsPortal::Impl::BindShortcuts() {
  auto append = [this](sd_bus_message* call) {
    int r = sd_bus_message_append(call, "o", session_.c_str());
    if (r >= 0) r = sd_bus_message_open_container(call, 'a', "(sa{sv})");
    for (const PortalShortcut& shortcut : setup_.shortcuts) {
      if (r >= 0) r = sd_bus_message_open_container(call, 'r', "sa{sv}");
      if (r >= 0) r = sd_bus_message_append(call, "s", shortcut.id.c_str());
      if (r >= 0) r = sd_bus_message_open_container(call, 'a', "{sv}");
      if (r >= 0)
        r = sd_bus_message_append(call, "{sv}", "description", "s", shortcut.description.c_str());
      if (r >= 0 && !shortcut.preferredTrigger.empty())
        r = sd_bus_message_append(call, "{sv}", "preferred_trigger", "s",
                                  shortcut.preferredTrigger.c_str());
      if (r >= 0) r = sd_bus_message_close_container(call);
      if (r >= 0) r = sd_bus_message_close_container(call);
    }
    if (r >= 0) r = sd_bus_message_close_container(call);
    // No parent window: a tray player has none to show a dialog over.
    if (r >= 0) r = sd_bus_message_append(call, "s", "");
    return r;
  };
  return CallWithResponse("BindShortcuts", OnBindResponse, append);
}

int GlobalShortcutsPortal::Impl::OnBindResponse(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  portal->response_ = sd_bus_slot_unref(portal->response_);
  std::vector<BoundShortcut> bound;
  bool granted = ReadShortcutsResponse(signal, &bound);
  bool rebinding = portal->rebinding_;
  portal->rebinding_ = false;
  // Refused (the user cancelled the desktop's dialog): nothing bound, as without a portal; a
  // session already bound keeps what it had.
  if (!granted) {
    if (rebinding) {
      portal->List();
    } else {
      portal->Unavailable();
    }
    return 0;
  }
  portal->Report(bound);
  // The answer may leave out what the desktop's settings already held: the list is the whole.
  portal->List();
  return 0;
}

void GlobalShortcutsPortal::Impl::Rebind(std::vector<PortalShortcut> shortcuts) {
  setup_.shortcuts = std::move(shortcuts);
  // A session on its way binds the new ones itself.
  if (session_.empty()) return;
  rebinding_ = true;
  if (!BindShortcuts()) {
    rebinding_ = false;
    Report(reported_);
  }
}

void GlobalShortcutsPortal::Impl::List() {
  if (session_.empty()) return;
  auto append = [this](sd_bus_message* call) {
    return sd_bus_message_append(call, "o", session_.c_str());
  };
  if (!CallWithResponse("ListShortcuts", OnListResponse, append)) Report(reported_);
}

int GlobalShortcutsPortal::Impl::OnListResponse(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  portal->response_ = sd_bus_slot_unref(portal->response_);
  std::vector<BoundShortcut> bound;
  portal->Report(ReadShortcutsResponse(signal, &bound) ? bound : portal->reported_);
  return 0;
}

void GlobalShortcutsPortal::Impl::Report(const std::vector<BoundShortcut>& bound) {
  std::vector<BoundShortcut> copied = bound;
  reported_ = copied;
  told_ = true;
  if (setup_.bound) setup_.bound(true, copied);
}

int GlobalShortcutsPortal::Impl::OnActivated(sd_bus_message* signal, void* self, sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  const char* session = nullptr;
  const char* id = nullptr;
  if (sd_bus_message_read(signal, "os", &session, &id) < 0) return 0;
  if (portal->session_ != session) return 0;
  if (portal->setup_.activated) portal->setup_.activated(id);
  return 0;
}

int GlobalShortcutsPortal::Impl::OnShortcutsChanged(sd_bus_message* signal, void* self,
                                                    sd_bus_error*) {
  auto* portal = static_cast<Impl*>(self);
  const char* session = nullptr;
  std::vector<BoundShortcut> bound;
  if (sd_bus_message_read(signal, "o", &session) < 0 || portal->session_ != session) return 0;
  if (ReadShortcuts(signal, &bound) < 0) return 0;
  portal->Report(bound);
  return 0;
}

void GlobalShortcutsPortal::Impl::Unavailable() {
  Forget();
  if (told_) return;
  told_ = true;
  if (setup_.bound) setup_.bound(false, {});
}

void GlobalShortcutsPortal::Impl::Forget() {
  call_ = sd_bus_slot_unref(call_);
  response_ = sd_bus_slot_unref(response_);
  session_.clear();
  reported_.clear();
  rebinding_ = false;
}

// Sent without waiting for an answer; the connection is flushed as it closes.
void GlobalShortcutsPortal::Impl::CloseSession() {
  if (bus_ && !session_.empty())
    sd_bus_call_method_async(bus_, nullptr, kPortalName, session_.c_str(), kSessionInterface,
                             "Close", nullptr, nullptr, "");
  session_.clear();
}

void GlobalShortcutsPortal::Impl::Detach(sd_bus* bus) {
  bus_ = bus;
  CloseSession();
  Forget();
  activated_ = sd_bus_slot_unref(activated_);
  changed_ = sd_bus_slot_unref(changed_);
  owner_ = sd_bus_slot_unref(owner_);
  bus_ = nullptr;
}
