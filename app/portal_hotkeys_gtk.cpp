#include "app/portal_hotkeys_gtk.h"

#include "app/main_loop_gtk.h"
#include "platform/global_shortcuts_portal_linux.h"
#include "platform/key_symbols.h"
#include "platform/tag_text.h"

namespace {

// The desktop file's name.
constexpr char kAppId[] = "tunlark";

// The dialog's label without its trailing colon, in UTF-8 for the desktop's settings.
std::string DescriptionOf(const HotkeyAction& action) {
  std::string label = action.dialogLabel;
  if (!label.empty() && label.back() == ':') label.pop_back();
  return Windows1251ToUtf8(label);
}

std::vector<PortalShortcut> ShortcutsOfBindings() {
  std::vector<PortalShortcut> shortcuts;
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    const HotkeyBinding& binding = HotkeyBindings[k];
    PortalShortcut shortcut;
    shortcut.id = HotkeyActions[k].configPrefix;
    shortcut.description = DescriptionOf(HotkeyActions[k]);
    // A binding the portal cannot spell is asked for without a trigger; the desktop may give one.
    if (!HotkeyToTrigger(static_cast<uint32_t>(binding.Id1 | binding.Id2),
                         static_cast<uint32_t>(binding.Id3), &shortcut.preferredTrigger))
      shortcut.preferredTrigger.clear();
    shortcuts.push_back(shortcut);
  }
  return shortcuts;
}

}  // namespace

PortalHotkeys::PortalHotkeys(MainLoop& loop, PortalHotkeyHooks hooks)
    : loop_(loop), hooks_(std::move(hooks)) {}

PortalHotkeys::~PortalHotkeys() = default;

void PortalHotkeys::Arm() {
  GlobalShortcutsSetup setup;
  setup.appId = kAppId;
  setup.shortcuts = ShortcutsOfBindings();
  // On the bus thread: copied and posted, touching nothing of the loop's side there.
  setup.bound = [this](bool available, const std::vector<BoundShortcut>& bound) {
    std::vector<std::pair<std::string, std::string>> copied;
    for (const BoundShortcut& shortcut : bound) copied.emplace_back(shortcut.id, shortcut.trigger);
    loop_.Post([this, available, copied] { TakeBound(available, copied); });
  };
  setup.activated = [this](const std::string& id) {
    loop_.Post([this, id] {
      int action = HotkeyActionForConfigPrefix(id);
      if (action >= 0) hooks_.pressed(static_cast<HotkeyActionIndex>(action));
    });
  };
  setup.appeared = [this] { loop_.Post([this] { TakeOver(); }); };
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (portal_) return;
    portal_ = std::make_unique<GlobalShortcutsPortal>(std::move(setup));
  }
  armed_ = true;
  if (unavailable_) TellUnavailable();
}

bool PortalHotkeys::Bound() const {
  return bound_;
}

std::string PortalHotkeys::TriggerOf(HotkeyActionIndex action) const {
  return triggers_[action];
}

void PortalHotkeys::Reread() {
  Ask([](Requests& requests) { requests.list = true; });
}

void PortalHotkeys::Rebind() {
  std::vector<PortalShortcut> shortcuts = ShortcutsOfBindings();
  Ask([&shortcuts](Requests& requests) {
    requests.rebind = true;
    requests.shortcuts = std::move(shortcuts);
  });
}

void PortalHotkeys::Listen(std::function<void()> reported) {
  reported_ = std::move(reported);
}

void PortalHotkeys::Ask(const std::function<void(Requests&)>& change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    change(requests_);
  }
  hooks_.wakeBus();
}

// Only after the keys were grabbed here: a portal already bound needs nobody to let go.
void PortalHotkeys::TakeOver() {
  if (!unavailable_ || !armed_) return;
  hooks_.takeOver();
  unavailable_ = false;
  told_unavailable_ = false;
  Ask([](Requests& requests) { requests.start = true; });
}

void PortalHotkeys::Attach(sd_bus* bus) {
  bus_ = bus;
  Refresh();
}

void PortalHotkeys::Refresh() {
  if (!bus_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!portal_) return;
  Requests requests = std::move(requests_);
  requests_ = Requests();
  if (!attached_) {
    // Attaching starts the session and binds the shortcuts of the bindings as they are now.
    portal_->Attach(bus_);
    attached_ = true;
    requests.start = false;
  }
  if (requests.start) portal_->Start();
  if (requests.rebind) portal_->Rebind(std::move(requests.shortcuts));
  if (requests.list) portal_->List();
}

void PortalHotkeys::Detach(sd_bus* bus) {
  if (attached_) {
    std::lock_guard<std::mutex> lock(mutex_);
    portal_->Detach(bus);
  }
  attached_ = false;
  bus_ = nullptr;
  // Never connected: no session bus, so no portal either.
  if (!bus) loop_.Post([this] { TakeBound(false, {}); });
}

void PortalHotkeys::TakeBound(bool available,
                              const std::vector<std::pair<std::string, std::string>>& bound) {
  // Each report is the full list: an action left out, or reported without a trigger, is no
  // longer bound.
  for (std::string& trigger : triggers_) trigger.clear();
  bound_ = available;
  if (!available) {
    unavailable_ = true;
    if (armed_) TellUnavailable();
    return;
  }
  for (const auto& shortcut : bound) {
    int action = HotkeyActionForConfigPrefix(shortcut.first);
    if (action >= 0) triggers_[action] = shortcut.second;
  }
  // Copied: the listener may replace itself.
  std::function<void()> reported = reported_;
  if (reported) reported();
}

// A bus that comes back may report it again; the keys are grabbed once.
void PortalHotkeys::TellUnavailable() {
  if (told_unavailable_) return;
  told_unavailable_ = true;
  hooks_.unavailable();
}
