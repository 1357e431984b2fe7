#pragma once
// A small valid recognition dictionary, so that a test program starts as a healthy
// installation does, with "sscai.dll" beside it.

#include <string>

#include "recognition/dictionary.h"

namespace tavik::testing {

inline bool WriteTestDictionary(const std::string& path) {
  Dictionary d;
  BitImage one(2, 3);
  for (int y = 0; y < 3; ++y) one.set(1, y, true);
  d.glyphs.emplace_back("1", std::move(one));
  std::string error;
  return d.save(path, error);
}

}  // namespace tavik::testing
