// Shared pieces of the core's unit tests: fakes of the platform interfaces that record what the
// core asks of them, and a locale switch for the parsers.
#pragma once

#include <cstdint>
#include <locale>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "temp_dir.h"

class RecordingTray : public TrayIcon {
 public:
  struct Call {
    bool hasText;
    std::string text;
    int iconId;
  };
  void Update(const char* text, int iconId) override {
    calls.push_back({text != nullptr, text ? text : "", iconId});
  }
  void UpdateWide(const std::u16string& text, int iconId) override {
    wideCalls.push_back({text, iconId});
  }
  std::vector<Call> calls;
  std::vector<std::pair<std::u16string, int>> wideCalls;
};

class FakeClock : public Clock {
 public:
  uint32_t TickCount() override { return now; }
  uint32_t now = 1000;
};

class FakeRegistrar : public HotkeyRegistrar {
 public:
  struct Registration {
    int id;
    uint32_t modifiers;
    uint32_t keyCode;
  };
  // Registers unless the combination is taken or listed in refused.
  bool Register(int id, uint32_t modifiers, uint32_t keyCode) override;
  void Unregister(int id) override;
  std::vector<Registration> active;
  std::vector<std::pair<uint32_t, uint32_t>> refused;  // (modifiers, key) taken elsewhere
  std::vector<int> unregisterCalls;
};

// A code page of ASCII and the 64 Cyrillic letters А..я (bytes 0xC0..0xFF, as in Windows-1251),
// and the aliases a volume has for names outside it or names Windows forbids, keyed by the wide
// path up to the name.
// Narrow falls back to '?' for every letter it cannot spell, as the lossy conversion does.
class FakeWidePaths : public WidePaths {
 public:
  std::string Narrow(const std::u16string& path) override;
  std::u16string LongName(const std::string& path) override;
  std::u16string Widen(const std::string& text) override;
  // unixRoot + the Unix path, narrowed; "" without a unixRoot, as the Windows build has none.
  std::string FromUnix(const std::string& unixPath) override;
  static bool Spell(const std::u16string& text, std::string* narrow);
  std::map<std::u16string, std::string> aliases;
  std::map<std::string, std::u16string> longNames;
  std::string unixRoot;
};

// Resets g_app and the hotkey bindings and points g_platform at the POSIX file system and fresh
// fakes; the program directory is dir + "/".
class CoreFixtureState {
 public:
  explicit CoreFixtureState(const TempDir& dir);
  ~CoreFixtureState();
  RecordingTray tray;
  FakeClock clock;
  FakeRegistrar hotkeys;
};

// Runs a parser test under the locale named by its parameter, so that narrow text and number
// handling are shown not to depend on it. Skips when the locale is not installed.
class LocaleParamTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  std::locale saved_;
};

#define TUNLARK_INSTANTIATE_LOCALES(suite) \
  INSTANTIATE_TEST_SUITE_P(Locales, suite, testing::Values("C", "ru_RU.UTF-8"))
