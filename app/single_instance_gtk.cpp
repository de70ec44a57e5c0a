#include "app/single_instance_gtk.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "app/main_loop_gtk.h"

namespace {

// A start that meets an exiting instance waits this long at most for it to end.
constexpr auto kExitingInstanceWait = std::chrono::seconds(20);
constexpr auto kRetryPause = std::chrono::milliseconds(50);
// Paths are bytes: a Linux name need not be UTF-8, which a D-Bus string must be.
constexpr char kIntrospection[] =
    "<node><interface name='org.tunlark.Tunlark'>"
    "<method name='HandOver'><arg type='ay' name='path' direction='in'/>"
    "<arg type='b' name='taken' direction='out'/></method>"
    "</interface></node>";
// A path longer than any the system can open is not a path.
constexpr size_t kMaxPathBytes = 65536;

bool Timeout(std::chrono::steady_clock::time_point started) {
  return std::chrono::steady_clock::now() - started > kExitingInstanceWait;
}

// --- the session bus -----------------------------------------------------------------------

class BusInstance : public SingleInstance {
 public:
  explicit BusInstance(GDBusConnection* bus) : bus_(bus) {}
  ~BusInstance() override {
    for (GDBusMethodInvocation* call : waiting_)
      g_dbus_method_invocation_return_value(call, g_variant_new("(b)", FALSE));
    if (object_) g_dbus_connection_unregister_object(bus_, object_);
    g_object_unref(bus_);
  }

  // Registers the method, then asks for the name: true once this process owns it.
  bool Register() {
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    if (!node) return false;
    static const GDBusInterfaceVTable vtable = {Call, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus_, kInstanceObjectPath, node->interfaces[0],
                                                &vtable, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    return object_ != 0;
  }

  void Serve(MainLoop& loop, std::function<bool(const std::string&)> take) override {
    loop_ = &loop;
    take_ = std::move(take);
    std::vector<GDBusMethodInvocation*> waiting;
    waiting.swap(waiting_);
    for (GDBusMethodInvocation* call : waiting) Answer(call);
    loop.Wake();
  }

 private:
  static void Call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                   GVariant*, GDBusMethodInvocation* call, gpointer self) {
    auto* instance = static_cast<BusInstance*>(self);
    if (strcmp(method, "HandOver") != 0) {
      g_dbus_method_invocation_return_dbus_error(call, "org.freedesktop.DBus.Error.UnknownMethod",
                                                 "unknown method");
      return;
    }
    if (!instance->take_) {
      instance->waiting_.push_back(call);
      return;
    }
    instance->Answer(call);
    instance->loop_->Wake();
  }

  void Answer(GDBusMethodInvocation* call) {
    GVariant* parameters = g_dbus_method_invocation_get_parameters(call);
    GVariant* bytes = g_variant_get_child_value(parameters, 0);
    gsize size = 0;
    const void* data = g_variant_get_fixed_array(bytes, &size, 1);
    std::string path(static_cast<const char*>(data), size);
    g_variant_unref(bytes);
    // A NUL would cut the path short and name another file.
    bool valid = path.find('\0') == std::string::npos && path.size() <= kMaxPathBytes;
    bool taken = valid ? take_(path) : true;
    g_dbus_method_invocation_return_value(call, g_variant_new("(b)", taken));
  }

  GDBusConnection* bus_;
  guint object_ = 0;
  MainLoop* loop_ = nullptr;
  std::function<bool(const std::string&)> take_;
  std::vector<GDBusMethodInvocation*> waiting_;
};

enum class NameReply { kOwned, kTaken, kFailed };

NameReply RequestName(GDBusConnection* bus) {
  // DO_NOT_QUEUE: a start either is the instance now or is not; it never waits in line.
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", kInstanceBusName, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
      -1, nullptr, nullptr);
  if (!reply) return NameReply::kFailed;
  guint32 code = 0;
  g_variant_get(reply, "(u)", &code);
  g_variant_unref(reply);
  return code == 1 || code == 4 ? NameReply::kOwned : NameReply::kTaken;
}

// Null when this start handed its path over (or had none to hand); the instance otherwise.
std::unique_ptr<SingleInstance> ClaimOnBus(GDBusConnection* bus, const std::string& path,
                                           bool* failed) {
  auto instance = std::make_unique<BusInstance>(bus);
  if (!instance->Register()) {
    *failed = true;
    return nullptr;
  }
  auto started = std::chrono::steady_clock::now();
  std::string refusedBy;
  for (;;) {
    NameReply reply = RequestName(bus);
    if (reply == NameReply::kOwned) return instance;
    if (reply == NameReply::kFailed) {
      *failed = true;
      return nullptr;
    }
    if (path.empty()) return nullptr;
    // An owner that said no is not asked again: it is exiting, and this start waits for it.
    std::string owner = InstanceOwner(bus);
    if (!owner.empty() && owner != refusedBy) {
      if (HandOverOnBus(bus, owner, path)) return nullptr;
      refusedBy = owner;
    }
    if (Timeout(started)) return nullptr;
    std::this_thread::sleep_for(kRetryPause);
  }
}

// --- the lock file and socket --------------------------------------------------------------

class SocketInstance : public SingleInstance {
 public:
  SocketInstance(int lock, int listener) : lock_(lock), listener_(listener) {}
  ~SocketInstance() override {
    for (int client : waiting_) Reply(client, false);
    if (listener_ >= 0) close(listener_);
    // Kept until the process ends: the lock is the instance's mark.
    (void)lock_;
  }

  void Serve(MainLoop& loop, std::function<bool(const std::string&)> take) override {
    take_ = std::move(take);
    if (listener_ >= 0) loop.Watch(listener_, [this] { Accept(); });
    std::vector<int> waiting;
    waiting.swap(waiting_);
    for (int client : waiting) Answer(client);
  }

  // Before Serve nothing reads the socket: the clients wait in its backlog.
  void Accept() {
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    // A sender that never finishes must not hold the player up.
    timeval limit = {2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    Answer(client);
  }

 private:
  void Answer(int client) {
    std::string path;
    char buffer[4096];
    bool complete = false;
    for (;;) {
      ssize_t got = recv(client, buffer, sizeof buffer, 0);
      if (got == 0) {
        complete = true;
        break;
      }
      if (got < 0 || path.size() + got > kMaxPathBytes) break;
      path.append(buffer, static_cast<size_t>(got));
    }
    bool valid = complete && path.find('\0') == std::string::npos;
    Reply(client, valid ? take_(path) : true);
  }

  static void Reply(int client, bool taken) {
    char answer = taken ? '1' : '0';
    (void)!send(client, &answer, 1, MSG_NOSIGNAL);
    close(client);
  }

  int lock_;
  int listener_;
  std::function<bool(const std::string&)> take_;
  std::vector<int> waiting_;
};

int Listen(const std::string& socketPath) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  bool fits = socketPath.size() < sizeof address.sun_path;
  if (fits) memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (!fits || listener < 0) {
    if (listener >= 0) close(listener);
    return -1;
  }
  // The lock is held: a socket file left there is a dead instance's.
  unlink(socketPath.c_str());
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    close(listener);
    return -1;
  }
  return listener;
}

std::unique_ptr<SingleInstance> ClaimBySocket(const std::string& path,
                                              const std::string& runtimeDir) {
  std::string lockPath = runtimeDir + "/tunlark.lock";
  std::string socketPath = HandOverSocketPath(runtimeDir);
  int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // No folder to keep a lock in: the player runs alone rather than not at all.
  if (lock < 0) return std::make_unique<SocketInstance>(-1, -1);
  auto started = std::chrono::steady_clock::now();
  bool refused = false;
  for (;;) {
    if (flock(lock, LOCK_EX | LOCK_NB) == 0)
      return std::make_unique<SocketInstance>(lock, Listen(socketPath));
    if (path.empty()) return nullptr;
    // An instance that said no is exiting: it is not asked again, only waited for.
    if (!refused) {
      char answer = HandOverOnSocket(socketPath, path);
      if (answer == '1') return nullptr;
      refused = answer == '0';
    }
    if (Timeout(started)) return nullptr;
    std::this_thread::sleep_for(kRetryPause);
  }
}

}  // namespace

std::unique_ptr<SingleInstance> ClaimInstance(const std::string& launchPath,
                                              const std::string& runtimeDir) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus) {
    bool failed = false;
    auto instance = ClaimOnBus(bus, launchPath, &failed);
    if (!failed) return instance;
  }
  return ClaimBySocket(launchPath, runtimeDir);
}
