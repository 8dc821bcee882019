// Client-side image maps: the areas of one MAP element with their shapes and links.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "viewer/viewer_shared.h"

namespace viewer {

class TMapItem {
 public:
  static constexpr int kMaxAreas = 1000;
  static constexpr int kMaxCoords = 301;
  static constexpr size_t kMaxTokenLength = 20;

  std::string MapName;

  // One AREA element: HREF (NOHREF clears it), TARGET, TITLE, SHAPE ("circ", "poly", else a rectangle) and COORDS.
  // Ignored when the map is full or COORDS gives too few numbers for the shape. Areas keep their numbers and are
  // tested by their own geometry, so a map costs what its coordinates are, whatever their values.
  void AddAreaFromAttributes(const TAttributeList& attributes);
  // The first area that holds the point: when it has an HREF, true with a new target and its title; otherwise (no
  // HREF there, or no area) false; later areas are not asked.
  bool GetAreaAt(int32_t x, int32_t y, std::unique_ptr<TUrlTarget>& urlTarget, std::string& title) const;
  int AreaCount() const { return static_cast<int>(areas_.size()); }

 private:
  enum class Shape { Rectangle, Circle, Polygon };
  struct Area {
    Shape Kind;
    // A rectangle's left, top, right, bottom (inclusive); a circle's centre and radius; a polygon's x, y pairs.
    std::vector<int64_t> Numbers;
    std::string Href, Target, Title;
    bool Holds(int64_t x, int64_t y) const;
  };
  std::vector<Area> areas_;
};

// The numbers of a COORDS value: tokens end at "," or a blank, keep at most 20 characters, and read as 0 when they
// are no integer; runs of "," and blanks between them are one separator; at most 301 numbers.
std::vector<int32_t> ParseAreaCoords(std::string_view text);

}  // namespace viewer
