#pragma once
// The auction's lowest acceptable price as this copy knows it (m_lowestPrice), together with
// where the value came from. Value, source and "read from the page in this run" are one 64-bit
// atomic word, so a reader never pairs the value of one change with the source of another.
//
// The page state owns the field (page/page_state.h); every change goes through the named
// operations below, each with its own rule, so that the never-lower rule and the stand-in rule
// hold whoever calls:
//   RaiseFromRead       the page's price readers (page/)
//   FallBackToWarning   the status display, the network price and the relay copy, where no
//                       usable value is there (app/, net/)
//   HoldAtWarning       the remote main parameters' first-half switch (net/)
//   CorrectFromReadBack the bid entry's read-back of the page's price box (bidding/)
//   MergeNetworkPrice   the network price merged into the page's (net/)
// Only a value read from the page in this run (a reading or a read-back) is shared with other
// copies: see SharedValue().

#include <atomic>
#include <cstdint>

namespace tavik {

enum class PriceSource : uint8_t {
  NoValue = 0,   // no value yet in this run (0)
  Warning = 1,   // the month's warning price standing in for a reading
  Page = 2,      // read off the auction page by a price reader
  ReadBack = 3,  // the page's own price box, copied back after a bid entry
  Network = 4,   // another copy's price, through the vendor's service or the relay
};

struct PriceReading {
  int32_t value = 0;
  PriceSource source = PriceSource::NoValue;
  // A price was read from the page in this run (whatever the value is now).
  bool pageReadInRun = false;

  bool fromPage() const { return source == PriceSource::Page || source == PriceSource::ReadBack; }
};

class LowestPrice {
 public:
  LowestPrice() = default;
  // A price already read off the page (tests arranging a situation).
  explicit LowestPrice(int32_t value) { Set(value); }
  LowestPrice(const LowestPrice&) = delete;
  LowestPrice& operator=(const LowestPrice&) = delete;

  int32_t load() const noexcept { return reading().value; }
  operator int32_t() const noexcept { return load(); }  // NOLINT(google-explicit-constructor)
  PriceReading reading() const noexcept { return unpack(v_.load(std::memory_order_relaxed)); }
  // The value when it may be shared with other copies (reports, the relay): read from the page
  // in this run; 0 for a stand-in, a network price or no value.
  int32_t SharedValue() const noexcept {
    const PriceReading r = reading();
    return r.fromPage() ? r.value : 0;
  }
  // This run has read a price from the page: the value is no longer only a stand-in's.
  bool PageReadInRun() const noexcept { return reading().pageReadInRun; }

  // A price reader's reading: raises the value, never lowers it; a higher value stored
  // meanwhile is kept. Marks the run as having read the page either way. True when raised.
  bool RaiseFromRead(int32_t price) noexcept {
    return update(
        [&](PriceReading& r) {
          r.pageReadInRun = true;
          if (price <= r.value) return false;
          r.value = price;
          r.source = PriceSource::Page;
          return true;
        },
        true);
  }
  // Replaces `unusable` (0, or a value found broken) by the warning price; a value another
  // thread stored meanwhile stays. True when replaced.
  bool FallBackToWarning(int32_t unusable, int32_t warning) noexcept {
    return update([&](PriceReading& r) {
      if (r.value != unusable) return false;
      r.value = warning;
      r.source = PriceSource::Warning;
      return true;
    });
  }
  // The warning price as the value whatever it was (the first-half rule of the remote
  // parameters).
  void HoldAtWarning(int32_t warning) noexcept {
    update([&](PriceReading& r) {
      r.value = warning;
      r.source = PriceSource::Warning;
      return true;
    });
  }
  // The price the page computed from our increment, less the increment, replaces `seen` when
  // `seen` was not read from the page (a stand-in or nothing). True when replaced.
  bool CorrectFromReadBack(int32_t seen, int32_t pagePrice) noexcept {
    return update([&](PriceReading& r) {
      if (r.value != seen || r.fromPage()) return false;
      r.value = pagePrice;
      r.source = PriceSource::ReadBack;
      r.pageReadInRun = true;
      return true;
    });
  }
  // Another copy's price raises the value, never lowers it. True when raised.
  bool MergeNetworkPrice(int32_t price) noexcept {
    return update([&](PriceReading& r) {
      if (price <= r.value) return false;
      r.value = price;
      r.source = PriceSource::Network;
      return true;
    });
  }

  // The owner's run reset, and tests arranging a situation.
  void Reset() noexcept { v_.store(0, std::memory_order_relaxed); }
  void Set(int32_t value, PriceSource source = PriceSource::Page) noexcept {
    v_.store(pack({value, source, source == PriceSource::Page || source == PriceSource::ReadBack}),
             std::memory_order_relaxed);
  }

 private:
  template <typename Change>
  bool update(Change change, bool storeAlways = false) noexcept {
    uint64_t old = v_.load(std::memory_order_relaxed);
    for (;;) {
      PriceReading r = unpack(old);
      const bool changed = change(r);
      const uint64_t next = pack(r);
      if (!changed && (!storeAlways || next == old)) return false;
      if (v_.compare_exchange_weak(old, next, std::memory_order_relaxed)) return changed;
    }
  }
  static uint64_t pack(PriceReading r) noexcept {
    return uint64_t(uint32_t(r.value)) | (uint64_t(r.source) << 32) |
           (uint64_t(r.pageReadInRun ? 1 : 0) << 40);
  }
  static PriceReading unpack(uint64_t v) noexcept {
    return {int32_t(uint32_t(v)), PriceSource(uint8_t(v >> 32)), ((v >> 40) & 1) != 0};
  }

  std::atomic<uint64_t> v_{0};
};

}  // namespace tavik
