#pragma once
// The course of the lowest acceptable price over the auction: a list of points (seconds left
// before the end, price), the price at any moment being the last point reached (the page
// moves in steps of 100), or a named model drawn from a seed.

#include <cstdint>
#include <string>
#include <vector>

namespace tavik {

struct PricePoint {
  int32_t remainSec = 0;  // seconds before the end; the price holds from here on
  int32_t price = 0;
  friend bool operator==(const PricePoint&, const PricePoint&) = default;
};

class PriceCourse {
 public:
  PriceCourse() = default;
  // Points in any order; the price before the earliest point is that point's price.
  explicit PriceCourse(std::vector<PricePoint> points);

  // The named models, each a rise over the second half that ends `finalPrice`:
  //   "calm": 100 more every 6 to 14 s through the last three minutes;
  //   "fast_finish": calm until 50 s before the end, then 100 more every 1 to 3 s;
  //   "late_jump": calm, then 500 more at once 12 s before the end.
  // The steps are drawn from `seed`; the same seed gives the same course on every machine.
  // Empty for an unknown name.
  static bool IsModel(const std::string& name);
  static PriceCourse Model(const std::string& name, uint32_t seed, int32_t startPrice);

  // The same named model drawn from another seed: another finish of the same kind. A course of
  // points has no model and stays as it is.
  PriceCourse reseeded(uint32_t seed) const;
  bool isModel() const { return !model_.empty(); }

  // The price `remainMs` before the end (negative after it).
  int32_t priceAt(int64_t remainMs) const;
  const std::vector<PricePoint>& points() const { return points_; }
  bool empty() const { return points_.empty(); }

 private:
  std::vector<PricePoint> points_;  // by remainSec, highest first
  // The model the points were drawn from, if any.
  std::string model_;
  int32_t modelStart_ = 0;
};

}  // namespace tavik
