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

bool FakeWidePaths::Spell(const std::u16string& text, std::string* narrow) {
  std::string result;
  for (char16_t c : text) {
    if (c < 0x80) {
      result += static_cast<char>(c);
    } else if (c >= 0x410 && c <= 0x44F) {
      result += static_cast<char>(0xC0 + (c - 0x410));
    } else {
      return false;
    }
  }
  *narrow = result;
  return true;
}

std::string FakeWidePaths::Narrow(const std::u16string& path) {
  std::string narrow;
  auto alias = [this](const std::u16string& prefix, const std::string&, std::string* name) {
    auto found = aliases.find(prefix);
    if (found == aliases.end()) return false;
    *name = found->second;
    return true;
  };
  if (NarrowByComponents(path, Spell, alias, &narrow)) return narrow;
  narrow.clear();
  for (char16_t c : path) {
    std::string letter;
    narrow += Spell(std::u16string(1, c), &letter) ? letter : "?";
  }
  return narrow;
}

std::u16string FakeWidePaths::LongName(const std::string& path) {
  auto found = longNames.find(path);
  return found == longNames.end() ? u"" : found->second;
}

std::u16string FakeWidePaths::Widen(const std::string& text) {
  std::u16string wide;
  for (unsigned char c : text) wide += c < 0xC0 ? char16_t(c) : char16_t(0x410 + (c - 0xC0));
  return wide;
}

std::string FakeWidePaths::FromUnix(const std::string& unixPath) {
  std::u16string wide;
  if (unixRoot.empty() || !DecodeUtf8(unixRoot + unixPath, &wide)) return "";
  return Narrow(wide);
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
