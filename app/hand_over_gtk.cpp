#include "app/hand_over_gtk.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

sockaddr_un SocketAddress(const std::string& socketPath, bool* fits) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  *fits = socketPath.size() < sizeof address.sun_path;
  if (*fits) memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  return address;
}

}  // namespace

std::string HandOverSocketPath(const std::string& runtimeDir) {
  return runtimeDir + "/tunlark.socket";
}

bool HandOverOnBus(GDBusConnection* bus, const std::string& owner, const std::string& path) {
  GVariant* bytes =
      g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, path.data(), path.size(), sizeof(char));
  GVariant* reply =
      g_dbus_connection_call_sync(bus, owner.c_str(), kInstanceObjectPath, kInstanceInterface,
                                  "HandOver", g_variant_new_tuple(&bytes, 1), G_VARIANT_TYPE("(b)"),
                                  G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  if (!reply) return false;
  gboolean taken = FALSE;
  g_variant_get(reply, "(b)", &taken);
  g_variant_unref(reply);
  return taken;
}

std::string InstanceOwner(GDBusConnection* bus) {
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner",
      g_variant_new("(s)", kInstanceBusName), G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, -1,
      nullptr, nullptr);
  if (!reply) return "";
  const gchar* owner = nullptr;
  g_variant_get(reply, "(&s)", &owner);
  std::string result = owner ? owner : "";
  g_variant_unref(reply);
  return result;
}

char HandOverOnSocket(const std::string& socketPath, const std::string& path) {
  bool fits = false;
  sockaddr_un address = SocketAddress(socketPath, &fits);
  int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (!fits || client < 0) {
    if (client >= 0) close(client);
    return 0;
  }
  char answer = 0;
  if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    size_t sent = 0;
    while (sent < path.size()) {
      ssize_t n = send(client, path.data() + sent, path.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    shutdown(client, SHUT_WR);
    if (sent == path.size() && recv(client, &answer, 1, 0) != 1) answer = 0;
  }
  close(client);
  return answer;
}

bool HandedToRunningPlayer(const std::string& launchPath, const std::string& runtimeDir) {
  // Kept, not released: the bus connection is the process's, and the player's claim goes on
  // over the same one.
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus) {
    std::string owner = InstanceOwner(bus);
    if (owner.empty()) return false;
    return launchPath.empty() || HandOverOnBus(bus, owner, launchPath);
  }
  // Without a bus only a path can be handed: whether a player runs at all is the lock's to say.
  return !launchPath.empty() && HandOverOnSocket(HandOverSocketPath(runtimeDir), launchPath) == '1';
}
