#include "app/toolkit_module_gtk.h"

#include <dlfcn.h>

#include <cstdio>

std::unique_ptr<Toolkit> LoadToolkit(const std::string& programDirectory, ToolkitSetup setup) {
  std::string file = programDirectory + kToolkitModuleFile;
  // Never closed: GTK cannot be unloaded once started.
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry = module ? reinterpret_cast<ToolkitEntry>(dlsym(module, kToolkitEntryName)) : nullptr;
  if (!entry) {
    const char* why = dlerror();
    std::fprintf(stderr,
                 "tunlark: cannot load %s (%s); the player plays on without its windows and "
                 "without the XEmbed tray icon\n",
                 kToolkitModuleFile, why ? why : file.c_str());
    return nullptr;
  }
  return std::unique_ptr<Toolkit>(entry(std::move(setup)));
}

FrontEnd* ToolkitFrontEnd::Windows() {
  if (Toolkit* toolkit = toolkitOf_ ? toolkitOf_() : nullptr) return &toolkit->Windows();
  std::fprintf(stderr, "tunlark: no window can open without %s\n", kToolkitModuleFile);
  return nullptr;
}

void ToolkitFrontEnd::OpenFileChooser() {
  if (FrontEnd* windows = Windows()) windows->OpenFileChooser();
}

bool ToolkitFrontEnd::ChooseFolder() {
  FrontEnd* windows = Windows();
  return windows && windows->ChooseFolder();
}

void ToolkitFrontEnd::ShowHotkeysDialog() {
  if (FrontEnd* windows = Windows()) windows->ShowHotkeysDialog();
}

void ToolkitFrontEnd::ShowOptionsDialog() {
  if (FrontEnd* windows = Windows()) windows->ShowOptionsDialog();
}

void ToolkitFrontEnd::ShowHelp() {
  if (FrontEnd* windows = Windows()) windows->ShowHelp();
}

void ToolkitFrontEnd::ShowAbout() {
  if (FrontEnd* windows = Windows()) windows->ShowAbout();
}
