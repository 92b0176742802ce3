// Writes the system's icons as PNG files for installation:
//   export_icons OUTPUT_FOLDER
// gives korvane-32.png, korvane-16.png and the capture-file type's
// application-x-korvane-capture-32.png and -16.png.
#include <cstdio>
#include <string>

#include "packaging/png_writer.h"
#include "res/icons.h"
#include "res/resource.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: export_icons OUTPUT_FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  const struct {
    UINT id;
    const char* name;
  } icons[] = {{IDR_MAINFRAME, "korvane"}, {IDR_KORVANTYPE, "application-x-korvane-capture"}};
  for (const auto& icon : icons) {
    for (const auto& image : loadSystemIcon(icon.id)) {
      const std::string path =
          folder + "/" + icon.name + "-" + std::to_string(image.width) + ".png";
      if (!packaging::writePng(image, path)) {
        std::fprintf(stderr, "export_icons: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
