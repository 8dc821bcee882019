// Screenshots of the virtual display for the window tests (ImageMagick): the whole screen saved as a PNG picture, and
// the pixels of one area of it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace gui_test {

// Saves the screen as path and answers the RGB bytes (three a pixel, row by row) of the area; "" when no picture
// could be taken.
inline std::string ScreenArea(const std::string& path, int x, int y, int width, int height) {
  if (std::system(("import -window root '" + path + "'").c_str()) != 0) return {};
  const std::string crop =
      std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
  std::string rgb;
  if (FILE* pipe = popen(("convert '" + path + "' -crop " + crop + " +repage -depth 8 rgb:-").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) rgb.append(buffer, n);
    pclose(pipe);
  }
  return rgb;
}

}  // namespace gui_test
