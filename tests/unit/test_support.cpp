#include "tests/unit/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <locale>
#include <memory>
#include <stdexcept>

#include "app/app_state.h"
#include "platform/file_system.h"
#include "settings/hotkeys.h"

namespace {

FileSystem& PosixFiles() {
  static std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  return *files;
}

}  // namespace

bool FakeRegistrar::Register(int id, uint32_t modifiers, uint32_t keyCode) {
  auto same = [&](uint32_t m, uint32_t k) { return m == modifiers && k == keyCode; };
  for (const auto& taken : refused)
    if (same(taken.first, taken.second)) return false;
  for (const auto& registration : active)
    if (registration.id == id || same(registration.modifiers, registration.keyCode)) return false;
  active.push_back({id, modifiers, keyCode});
  return true;
}

void FakeRegistrar::Unregister(int id) {
  unregisterCalls.push_back(id);
  active.erase(std::remove_if(active.begin(), active.end(),
                              [id](const Registration& r) { return r.id == id; }),
               active.end());
}

CoreFixtureState::CoreFixtureState(const TempDir& dir) {
  ResetApplicationState();
  ResetHotkeyBindings();
  g_app.programDirectory = dir.path() + "/";
  g_platform.files = &PosixFiles();
  g_platform.tray = &tray;
  g_platform.clock = &clock;
  g_platform.hotkeys = &hotkeys;
}

CoreFixtureState::~CoreFixtureState() {
  g_platform = Platform{&PosixFiles(), nullptr, nullptr, nullptr};
}

void LocaleParamTest::SetUp() {
  saved_ = std::locale();
  try {
    // Also sets the C library's locale, since the named locale has a name.
    std::locale::global(std::locale(GetParam()));
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << GetParam() << " is not installed";
  }
}

void LocaleParamTest::TearDown() {
  std::locale::global(saved_);
}
