// The images folder beside the test program, made from the program's own images and
// removed again, for tests of the start-up with and without the skin.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

#include "platform/win32/ProgramFolder.h"

namespace dirsheet::window::test {

class ImagesFolder {
 public:
  ImagesFolder() { Remove(); }
  ~ImagesFolder() { Remove(); }
  std::string Path() const { return platform::win32::ProgramFolder() + "\\images"; }
  void Copy(const char* name) const {
    CreateDirectoryA(Path().c_str(), nullptr);
    std::ifstream in(std::string(DIRSHEET_SOURCE_DIR) + "/images/" + name, std::ios::binary);
    std::ofstream out(Path() + "\\" + name, std::ios::binary);
    out << in.rdbuf();
  }
  void CopyAll() const {
    for (const char* f : kFiles) Copy(f);
  }
  void Remove() const {
    for (const char* f : kFiles) DeleteFileA((Path() + "\\" + f).c_str());
    RemoveDirectoryA(Path().c_str());
  }

 private:
  static constexpr const char* kFiles[5] = {"RAD.Skin", "start.png", "stop.png", "save.png",
                                            "Dirsheet.ico"};
};

}  // namespace dirsheet::window::test
