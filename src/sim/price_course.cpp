#include "sim/price_course.h"

#include <algorithm>

namespace tavik {

namespace {

// A small generator of our own, so that a seed draws the same steps with every standard
// library.
class Draw {
 public:
  explicit Draw(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  int between(int low, int high) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return low + int(state_ % uint32_t(high - low + 1));
  }

 private:
  uint32_t state_;
};

// 100 more every `low`..`high` seconds from `fromSec` down to `toSec` before the end.
void Rise(std::vector<PricePoint>& points, Draw& draw, int fromSec, int toSec, int low, int high) {
  int32_t price = points.back().price;
  for (int r = fromSec - draw.between(low, high); r > toSec; r -= draw.between(low, high)) {
    price += 100;
    points.push_back({r, price});
  }
}

}  // namespace

PriceCourse::PriceCourse(std::vector<PricePoint> points) : points_(std::move(points)) {
  std::stable_sort(points_.begin(), points_.end(), [](const PricePoint& a, const PricePoint& b) {
    return a.remainSec > b.remainSec;
  });
}

bool PriceCourse::IsModel(const std::string& name) {
  return name == "calm" || name == "fast_finish" || name == "late_jump";
}

PriceCourse PriceCourse::Model(const std::string& name, uint32_t seed, int32_t startPrice) {
  if (!IsModel(name)) return {};
  Draw draw(seed);
  std::vector<PricePoint> points{{3600, startPrice}};
  if (name == "calm") {
    Rise(points, draw, 180, 0, 6, 14);
  } else if (name == "fast_finish") {
    Rise(points, draw, 180, 50, 6, 14);
    Rise(points, draw, 50, 0, 1, 3);
  } else {
    Rise(points, draw, 180, 12, 6, 14);
    points.push_back({12, points.back().price + 500});
  }
  PriceCourse course(std::move(points));
  course.model_ = name;
  course.modelStart_ = startPrice;
  return course;
}

PriceCourse PriceCourse::reseeded(uint32_t seed) const {
  return isModel() ? Model(model_, seed, modelStart_) : *this;
}

int32_t PriceCourse::priceAt(int64_t remainMs) const {
  if (points_.empty()) return 0;
  int32_t price = points_.front().price;
  for (const PricePoint& p : points_) {
    if (int64_t(p.remainSec) * 1000 < remainMs) break;
    price = p.price;
  }
  return price;
}

}  // namespace tavik
