// The player's side of the toolkit module: loading it, and the front end the commands use, which
// opens the toolkit's windows once it is there.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/front_end.h"
#include "app/toolkit.h"

// The module from the program's folder, not yet started; null, having said on stderr what is
// missing, when it is missing or does not load. The player plays on without it.
std::unique_ptr<Toolkit> LoadToolkit(const std::string& programDirectory, ToolkitSetup setup);

// The toolkit is loaded by the first window asked for; when it never is, a window asked for is
// refused with a line on stderr. Quit works all the same.
class ToolkitFrontEnd : public FrontEnd {
 public:
  explicit ToolkitFrontEnd(std::function<void()> quit) : quit_(std::move(quit)) {}

  // Loads the toolkit on first need and keeps it; null where the module is missing.
  void Use(std::function<Toolkit*()> toolkitOf) { toolkitOf_ = std::move(toolkitOf); }

  void OpenFileChooser() override;
  bool ChooseFolder() override;
  void ShowHotkeysDialog() override;
  void ShowOptionsDialog() override;
  void ShowHelp() override;
  void ShowAbout() override;
  void Quit() override { quit_(); }

 private:
  // The toolkit's windows, or null having said why there are none.
  FrontEnd* Windows();

  std::function<void()> quit_;
  std::function<Toolkit*()> toolkitOf_;
};
