#include "tests/unit/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "app/app_state.h"
#include "app/file_system.h"
#include "settings/hotkeys.h"

namespace {

FileSystem& PosixFiles() {
  static std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  return *files;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tunlark-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  path_ = made ? made : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const {
  return path_ + "/" + name;
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(File(name), std::ios::binary);
  out << bytes;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TempDir::Exists(const std::string& name) const {
  return std::filesystem::exists(File(name));
}

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
