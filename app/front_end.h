// What a command needs of the front end that runs it: the windows it opens and the end of the
// program. Each front end (the Win32 program, a native one) draws these its own way; the
// commands themselves stay portable.
#pragma once

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // Chooses a file, replaces the playlist with what it stands for and plays it.
  virtual void OpenFileChooser() = 0;
  // Chooses a folder and fills the playlist with its tracks; false when nothing was listed.
  virtual bool ChooseFolder() = 0;
  virtual void ShowHotkeysDialog() = 0;
  virtual void ShowOptionsDialog() = 0;
  virtual void ShowHelp() = 0;
  virtual void ShowAbout() = 0;
  // Ends the main loop; shut-down follows.
  virtual void Quit() = 0;
};
