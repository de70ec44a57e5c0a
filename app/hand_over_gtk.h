// The sending side of a hand-over to the running player: a method call on the session bus, or,
// without a bus, the fallback's Unix socket. Needs GIO only, so that a later start can hand its
// path over before it loads the player and its toolkit.
#pragma once

#include <gio/gio.h>

#include <string>

// The well-known name the instance owns, and where its method lives.
constexpr char kInstanceBusName[] = "org.tunlark.Tunlark";
constexpr char kInstanceObjectPath[] = "/org/tunlark/Tunlark";
constexpr char kInstanceInterface[] = "org.tunlark.Tunlark";

// The fallback's socket in runtimeDir ($XDG_RUNTIME_DIR). The bytes of a hand-over on it: the
// path, unchanged, up to its end; the answer is one byte, '1' taken, '0' refused.
std::string HandOverSocketPath(const std::string& runtimeDir);

// True when owner (a unique bus name) took the path; false when it refused or went away before
// answering.
bool HandOverOnBus(GDBusConnection* bus, const std::string& owner, const std::string& path);

// The unique name that owns the instance's name; "" for none.
std::string InstanceOwner(GDBusConnection* bus);

// '1' taken, '0' refused, 0 when no instance answered.
char HandOverOnSocket(const std::string& socketPath, const std::string& path);

// A later start's quick way out: true when a running player took launchPath, or when one runs
// and there is no path to hand it. False sends the start on to claim the instance in full, which
// also settles the races (two first starts at once, a player that is exiting).
bool HandedToRunningPlayer(const std::string& launchPath, const std::string& runtimeDir);
