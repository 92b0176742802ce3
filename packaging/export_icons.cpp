// Writes the system's icons as PNG files for installation:
//   export_icons OUTPUT_FOLDER
// gives korvane-SIZE.png and the capture-file type's
// application-x-korvane-capture-SIZE.png for every hicolor size.
#include <cstdio>
#include <string>
#include <vector>

#include "packaging/icon_sizes.h"
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
  const std::vector<int> sizes(packaging::kHicolorSizes.begin(), packaging::kHicolorSizes.end());
  for (const auto& icon : icons) {
    const auto images = packaging::iconAtSizes(loadSystemIcon(icon.id), sizes);
    if (images.size() != sizes.size()) {
      std::fprintf(stderr, "export_icons: %s is not drawn at a size dividing every size\n",
                   icon.name);
      return 1;
    }
    for (const auto& image : images) {
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
