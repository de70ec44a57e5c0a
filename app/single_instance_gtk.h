// One running player per user. The instance owns a name on the session bus, and a later start
// hands its path over by a method call and ends. Without a session bus a lock file and a Unix
// socket in $XDG_RUNTIME_DIR do the same. An exiting instance refuses the path: the newcomer
// waits for it to end and becomes the instance, so that the path is not lost with it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/hand_over_gtk.h"

class MainLoop;

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // From now on a hand-over runs take on the loop's thread (false refuses it); the ones that
  // came before wait until then.
  virtual void Serve(MainLoop& loop, std::function<bool(const std::string& path)> take) = 0;
};

// Becomes the instance (non-null), or hands launchPath over to the running one and returns null
// (nothing to hand over: just null). runtimeDir is the fallback's folder ($XDG_RUNTIME_DIR).
std::unique_ptr<SingleInstance> ClaimInstance(const std::string& launchPath,
                                              const std::string& runtimeDir);
