// The colour names of style sheets and HTML attributes.
#include <string_view>

#include "platform/graphics/colors.h"
#include "viewer/property_values.h"

namespace viewer {

namespace {

struct NamedColor {
  std::string_view name;
  pf::TColor color;  // 0x00BBGGRR
};

// "transparent", the 16 basic names, the extended names of the CSS colour table and the "grey" spellings.
constexpr NamedColor kColors[] = {
    {"transparent", pf::clNone},
    {"black", 0x000000},
    {"maroon", 0x000080},
    {"green", 0x008000},
    {"olive", 0x008080},
    {"navy", 0x800000},
    {"purple", 0x800080},
    {"teal", 0x808000},
    {"gray", 0x808080},
    {"silver", 0xC0C0C0},
    {"red", 0x0000FF},
    {"lime", 0x00FF00},
    {"yellow", 0x00FFFF},
    {"blue", 0xFF0000},
    {"fuchsia", 0xFF00FF},
    {"aqua", 0xFFFF00},
    {"white", 0xFFFFFF},
    {"aliceblue", 0xFFF8F0},
    {"antiquewhite", 0xD7EBFA},
    {"aquamarine", 0xD4FF7F},
    {"azure", 0xFFFFF0},
    {"beige", 0xDCF5F5},
    {"bisque", 0xC4E4FF},
    {"blanchedalmond", 0xCDEBFF},
    {"blueviolet", 0xE22B8A},
    {"brown", 0x2A2AA5},
    {"burlywood", 0x87B8DE},
    {"cadetblue", 0xA09E5F},
    {"chartreuse", 0x00FF7F},
    {"chocolate", 0x1E69D2},
    {"coral", 0x507FFF},
    {"cornflowerblue", 0xED9564},
    {"cornsilk", 0xDCF8FF},
    {"crimson", 0x3C14DC},
    {"cyan", 0xFFFF00},
    {"darkblue", 0x8B0000},
    {"darkcyan", 0x8B8B00},
    {"darkgoldenrod", 0x0B86B8},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkkhaki", 0x6BB7BD},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x2F6B55},
    {"darkorange", 0x008CFF},
    {"darkorchid", 0xCC3299},
    {"darkred", 0x00008B},
    {"darksalmon", 0x7A96E9},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x8B3D48},
    {"darkslategray", 0x4F4F2F},
    {"darkturquoise", 0xD1CE00},
    {"darkviolet", 0xD30094},
    {"deeppink", 0x9314FF},
    {"deepskyblue", 0xFFBF00},
    {"dimgray", 0x696969},
    {"dodgerblue", 0xFF901E},
    {"firebrick", 0x2222B2},
    {"floralwhite", 0xF0FAFF},
    {"forestgreen", 0x228B22},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xFFF8F8},
    {"gold", 0x00D7FF},
    {"goldenrod", 0x20A5DA},
    {"greenyellow", 0x2FFFAD},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xB469FF},
    {"indianred", 0x5C5CCD},
    {"indigo", 0x82004B},
    {"ivory", 0xF0FFFF},
    {"khaki", 0x8CE6F0},
    {"lavender", 0xFAE6E6},
    {"lavenderblush", 0xF5F0FF},
    {"lawngreen", 0x00FC7C},
    {"lemonchiffon", 0xCDFAFF},
    {"lightblue", 0xE6D8AD},
    {"lightcoral", 0x8080F0},
    {"lightcyan", 0xFFFFE0},
    {"lightgoldenrodyellow", 0xD2FAFA},
    {"lightgreen", 0x90EE90},
    {"lightgray", 0xD3D3D3},
    {"lightpink", 0xC1B6FF},
    {"lightsalmon", 0x7AA0FF},
    {"lightseagreen", 0xAAB220},
    {"lightskyblue", 0xFACE87},
    {"lightslategray", 0x998877},
    {"lightsteelblue", 0xDEC4B0},
    {"lightyellow", 0xE0FFFF},
    {"limegreen", 0x32CD32},
    {"linen", 0xE6F0FA},
    {"magenta", 0xFF00FF},
    {"mediumaquamarine", 0xAACD66},
    {"mediumblue", 0xCD0000},
    {"mediumorchid", 0xD355BA},
    {"mediumpurple", 0xDB7093},
    {"mediumseagreen", 0x71B33C},
    {"mediumslateblue", 0xEE687B},
    {"mediumspringgreen", 0x9AFA00},
    {"mediumturquoise", 0xCCD148},
    {"mediumvioletred", 0x8515C7},
    {"midnightblue", 0x701919},
    {"mintcream", 0xFAFFF5},
    {"mistyrose", 0xE1E4FF},
    {"moccasin", 0xB5E4FF},
    {"navajowhite", 0xADDEFF},
    {"oldlace", 0xE6F5FD},
    {"olivedrab", 0x238E6B},
    {"orange", 0x00A5FF},
    {"orangered", 0x0045FF},
    {"orchid", 0xD670DA},
    {"palegoldenrod", 0xAAE8EE},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xEEEEAF},
    {"palevioletred", 0x9370DB},
    {"papayawhip", 0xD5EFFF},
    {"peachpuff", 0xB9DAFF},
    {"peru", 0x3F85CD},
    {"pink", 0xCBC0FF},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xE6E0B0},
    {"rosybrown", 0x8F8FBC},
    {"royalblue", 0xE16941},
    {"saddlebrown", 0x13458B},
    {"salmon", 0x7280FA},
    {"sandybrown", 0x60A4F4},
    {"seagreen", 0x578B2E},
    {"seashell", 0xEEF5FF},
    {"sienna", 0x2D52A0},
    {"skyblue", 0xEBCE87},
    {"slateblue", 0xCD5A6A},
    {"slategray", 0x908070},
    {"snow", 0xFAFAFF},
    {"springgreen", 0x7FFF00},
    {"steelblue", 0xB48246},
    {"tan", 0x8CB4D2},
    {"thistle", 0xD8BFD8},
    {"tomato", 0x4763FF},
    {"turquoise", 0xD0E040},
    {"violet", 0xEE82EE},
    {"wheat", 0xB3DEF5},
    {"whitesmoke", 0xF5F5F5},
    {"yellowgreen", 0x32CD9A},
    {"grey", 0x808080},
    {"darkgrey", 0xA9A9A9},
    {"darkslategrey", 0x4F4F2F},
    {"dimgrey", 0x696969},
    {"lightgrey", 0xD3D3D3},
    {"lightslategrey", 0x998877},
    {"slategrey", 0x908070},
};

struct SystemColorName {
  std::string_view name;
  int index;  // of the system colour
};

// The system colour names. The misspelt "hightlighttext" is kept beside the right spelling for the pages that use
// it; ThreeDLightShadow is the 3D light colour and ThreeDHighlight the button highlight.
constexpr SystemColorName kSystemColors[] = {
    {"background", 1},
    {"activecaption", 2},
    {"inactivecaption", 3},
    {"menu", 4},
    {"window", 5},
    {"windowframe", 6},
    {"menutext", 7},
    {"windowtext", 8},
    {"captiontext", 9},
    {"activeborder", 10},
    {"inactiveborder", 11},
    {"appworkspace", 12},
    {"highlight", 13},
    {"hightlighttext", 14},
    {"buttonface", 15},
    {"buttonshadow", 16},
    {"graytext", 17},
    {"buttontext", 18},
    {"inactivecaptiontext", 19},
    {"buttonhighlight", 20},
    {"threeddarkshadow", 21},
    {"threedlightshadow", 22},
    {"infotext", 23},
    {"infobackground", 24},
    {"scrollbar", 0},
    {"threedface", 15},
    {"threedhighlight", 20},
    {"threedshadow", 16},
    {"highlighttext", 14},
};

}  // namespace

bool LookupColorName(std::string_view name, pf::TColor& color) {
  for (const NamedColor& c : kColors) {
    if (c.name == name) {
      color = c.color;
      return true;
    }
  }
  for (const SystemColorName& c : kSystemColors) {
    if (c.name == name) {
      color = pf::clSystemColor | static_cast<pf::TColor>(c.index);
      return true;
    }
  }
  return false;
}

}  // namespace viewer
