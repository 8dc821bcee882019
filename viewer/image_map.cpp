#include "viewer/image_map.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/strings.h"

namespace viewer {

std::vector<int32_t> ParseAreaCoords(std::string_view text) {
  std::vector<int32_t> numbers;
  std::string rest = pf::Trim(text);
  size_t at = 0;
  while (at < rest.size() && numbers.size() < static_cast<size_t>(TMapItem::kMaxCoords)) {
    const size_t end = std::min(rest.find_first_of(", ", at), rest.size());
    const std::string token = rest.substr(at, std::min(end - at, TMapItem::kMaxTokenLength));
    numbers.push_back(pf::StrToIntDef(token, 0));
    at = std::min(rest.find_first_not_of(", ", end), rest.size());
  }
  return numbers;
}

namespace {

// Coordinates are held to this, so that the products of the tests below stay within 64 bits.
constexpr int64_t kCoordLimit = int64_t{1} << 28;

int64_t Coord(int64_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

}  // namespace

// A point is a pixel: a circle holds the pixels whose centres lie in the disc that fills its 2r + 1 pixels square,
// a polygon those whose centres it winds around (non-zero), tested in doubled co-ordinates where a centre is odd
// and a corner even, so that no centre lies on a corner's line.
bool TMapItem::Area::Holds(int64_t x, int64_t y) const {
  const std::vector<int64_t>& n = Numbers;
  x = Coord(x);
  y = Coord(y);
  switch (Kind) {
    case Shape::Rectangle:
      return x >= std::min(n[0], n[2]) && x <= std::max(n[0], n[2]) && y >= std::min(n[1], n[3]) &&
             y <= std::max(n[1], n[3]);
    case Shape::Circle: {
      const int64_t r = std::abs(n[2]), dx = x - n[0], dy = y - n[1];
      return std::abs(dx) <= r && std::abs(dy) <= r && dx * dx + dy * dy <= r * r + r;
    }
    case Shape::Polygon: {
      const int64_t px = 2 * x + 1, py = 2 * y + 1;
      const size_t corners = n.size() / 2;
      int winding = 0;
      for (size_t i = 0; i < corners; ++i) {
        const size_t j = (i + 1) % corners;
        const int64_t ax = 2 * n[2 * i], ay = 2 * n[2 * i + 1], bx = 2 * n[2 * j], by = 2 * n[2 * j + 1];
        const int64_t side = (bx - ax) * (py - ay) - (px - ax) * (by - ay);  // > 0: the centre is left of a -> b
        if (ay < py && by > py && side > 0) ++winding;
        if (ay > py && by < py && side < 0) --winding;
      }
      return winding != 0;
    }
  }
  return false;
}

void TMapItem::AddAreaFromAttributes(const TAttributeList& attributes) {
  if (AreaCount() >= kMaxAreas) return;
  TAttribute* attribute = nullptr;
  const std::string shapeName = pf::LowerCase(pf::Copy(attributes.TextOf(ShapeSy), 1, 4));
  const Shape shape = shapeName == "circ" ? Shape::Circle : shapeName == "poly" ? Shape::Polygon : Shape::Rectangle;
  const std::vector<int32_t> coords = ParseAreaCoords(attributes.TextOf(CoordsSy));
  const size_t needed = shape == Shape::Rectangle ? 4 : shape == Shape::Circle ? 3 : 6;
  if (coords.size() < needed) return;
  Area area{shape, {}, attributes.TextOf(HRefSy), attributes.TextOf(TargetSy), attributes.TextOf(TitleSy)};
  // A polygon takes its whole pairs, the other shapes their first numbers.
  const size_t used = shape == Shape::Polygon ? coords.size() / 2 * 2 : needed;
  for (size_t i = 0; i < used; ++i) area.Numbers.push_back(Coord(coords[i]));
  if (attributes.FindSymbol(NoHrefSy, attribute)) area.Href.clear();
  areas_.push_back(std::move(area));
}

bool TMapItem::GetAreaAt(int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget, std::string& title) const {
  for (const Area& area : areas_) {
    if (!area.Holds(x, y)) continue;
    if (area.Href.empty()) return false;
    urlTarget = std::make_unique<TUrlTarget>();
    urlTarget->Url = area.Href;
    urlTarget->Target = area.Target;
    title = area.Title;
    return true;
  }
  return false;
}

}  // namespace viewer
