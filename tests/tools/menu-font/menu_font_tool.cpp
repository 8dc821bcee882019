// menu-font: prints the font of a new owner-drawn menu as "name|height|size|styles|colour|system", styles being
// b(old), i(talic), u(nderline) and s(trike-out) or "-", the colour in hexadecimal and system 1 while the menu
// keeps the system menu font.
#include <cstdio>

#include "components/od_menu.h"
#include "platform/graphics/fonts.h"

int main() {
  components::TodMenu menu(nullptr);
  const pf::TFont& font = menu.Font();
  std::string styles;
  for (const auto& [flag, letter] :
       {std::pair{pf::fsBold, 'b'}, {pf::fsItalic, 'i'}, {pf::fsUnderline, 'u'}, {pf::fsStrikeOut, 's'}})
    if ((font.Style() & flag) != 0) styles += letter;
  std::printf("%s|%d|%d|%s|%X|%d\n", font.Name().c_str(), font.Height(), font.Size(),
              styles.empty() ? "-" : styles.c_str(), font.Color(), menu.Data().SystemFont() ? 1 : 0);
  std::fflush(stdout);
  // The toolkit's font list is filled in the background from its start; asking it waits for that, so that the
  // process does not end while the toolkit is still at work.
  pf::FontService().HasFamily(font.Name());
  return 0;
}
