#include "tests/fuzz/fuzz_state.h"

#include "core/app_state.h"
#include "platform/platform.h"
#include "settings/hotkeys.h"

FuzzState::FuzzState() {
  ResetApplicationState();
  ResetHotkeyBindings();
  g_app.programDirectory = "mem/";
  g_platform.files = &files;
}

FuzzState::~FuzzState() {
  g_platform.files = nullptr;
}

std::string FuzzState::Put(const std::string& name, const void* data, size_t size) {
  std::string path = g_app.programDirectory + name;
  files.files[path].assign(static_cast<const char*>(data), size);
  return path;
}
