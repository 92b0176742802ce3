// Writes the system's icons as Windows icon files for the program's
// resources:
//   export_ico OUTPUT_FOLDER
// gives korvane.ico (the program) and korvane-document.ico (capture files).
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/icon_file.h"
#include "res/icons.h"
#include "res/resource.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: export_ico OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  const struct {
    UINT id;
    const char* name;
  } icons[] = {{IDR_MAINFRAME, "korvane"}, {IDR_KORVANTYPE, "korvane-document"}};
  for (const auto& icon : icons) {
    std::vector<platform::win32::NativeIcon> images;
    for (const auto& image : loadSystemIcon(icon.id)) {
      images.push_back({image.width, image.height, image.argb});
    }
    const auto bytes = platform::win32::iconFileBytes(images);
    const std::string path = std::string(argv[1]) + "/" + icon.name + ".ico";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (images.empty() || !file.flush()) {
      std::fprintf(stderr, "export_ico: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
