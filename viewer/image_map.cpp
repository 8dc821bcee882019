#include "viewer/image_map.h"

#include <algorithm>

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

enum class Shape { Rectangle, Circle, Polygon };

// Pages are far smaller; the limit keeps a hostile map from making regions of millions of rows.
constexpr int32_t kCoordLimit = 32767;

// The region of a shape, nullptr when there are too few numbers.
pf::HRGN MakeRegion(Shape shape, std::vector<int32_t> n) {
  for (int32_t& v : n) v = std::clamp(v, -kCoordLimit, kCoordLimit);
  switch (shape) {
    case Shape::Rectangle:
      if (n.size() < 4) return nullptr;
      // Either corner may come first.
      return pf::CreateRectRgn(std::min(n[0], n[2]), std::min(n[1], n[3]), std::max(n[0], n[2]) + 1,
                               std::max(n[1], n[3]) + 1);
    case Shape::Circle:
      if (n.size() < 3) return nullptr;
      return pf::CreateEllipticRgn(n[0] - n[2], n[1] - n[2], n[0] + n[2] + 1, n[1] + n[2] + 1);
    case Shape::Polygon: {
      if (n.size() < 6) return nullptr;
      std::vector<pf::TPoint> points;
      for (size_t i = 0; i + 1 < n.size(); i += 2) points.push_back({n[i], n[i + 1]});
      return pf::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), pf::WINDING);
    }
  }
  return nullptr;
}

}  // namespace

void TMapItem::AddAreaFromAttributes(const TAttributeList& attributes) {
  if (AreaCount() >= kMaxAreas) return;
  TAttribute* attribute = nullptr;
  const std::string shapeName = pf::LowerCase(pf::Copy(attributes.TextOf(ShapeSy), 1, 4));
  const Shape shape = shapeName == "circ" ? Shape::Circle : shapeName == "poly" ? Shape::Polygon : Shape::Rectangle;
  pf::HRGN region = MakeRegion(shape, ParseAreaCoords(attributes.TextOf(CoordsSy)));
  if (!region) return;
  Area area{region, attributes.TextOf(HRefSy), attributes.TextOf(TargetSy), attributes.TextOf(TitleSy)};
  if (attributes.FindSymbol(NoHrefSy, attribute)) area.Href.clear();
  areas_.push_back(std::move(area));
}

bool TMapItem::GetAreaAt(int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget, std::string& title) const {
  for (const Area& area : areas_) {
    if (!pf::PtInRegion(area.Region, x, y)) continue;
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
