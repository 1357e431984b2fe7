// Every shared field of the run state has one owner: the folder of the header that declares it.
// No file in src/ outside that folder stores into the field (an assignment, an increment, a
// store, an exchange, a compare-exchange, a text set or clear); others ask the owner through its
// named operations (LowestPrice::RaiseFromRead, ClockState::DeliverEndTime, ...). The test
// reads the state headers for the fields and the sources for the stores, as a reviewer would.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const fs::path kSrc = fs::path(TAVIK_SOURCE_DIR) / "src";

// The state headers and the folder that owns their fields.
const std::map<std::string, std::string> kStateHeaders = {
    {"app/run_state.h", "app"},
    {"clock/clock_state.h", "clock"},
    {"clock/time_state.h", "clock"},
    {"page/page_state.h", "page"},
    {"bidding/bid_state.h", "bidding"},
    {"net/net_state.h", "net"},
    {"bidding/page_actions.h", "bidding"},
    {"net/price_relay.h", "net"},
};

// Stores outside the owner's folder that are part of a field's design, each with its reason.
struct Allowed {
  std::string file;
  std::set<std::string> fields;
  const char* why;
};
const std::vector<Allowed> kAllowed = {
    {"app/keyboard_hook.cpp",
     {"g_enterPressed", "g_functionKey", "g_spacePressed", "g_keyCount"},
     "the keyboard hook sets the key flags; bidding consumes them with an exchange"},
    {"app/controller.h", {"m_warningPrice"}, "Controller::SetWarningPrice, its one writer"},
    // Value structs that carry the traced names of the fields they feed, not the fields.
    {"net/main_params.cpp",
     {"g_anchor201Adjust", "m_ntpTrimMs", "m_clientClass", "m_pasteMode"},
     "the parsed reply (MainParams)"},
    {"settings/controls.cpp", {"m_compatMode", "m_recording"}, "the controls' values (Controls)"},
};

// Field name -> owner folder, read from the declarations of the state headers.
std::map<std::string, std::string> OwnedFields() {
  static const std::regex field(
      R"(^\s*(?:AtomicInt|AtomicPoint|AtomicTimeOfDay|AtomicStamp|GuardedText|LowestPrice|)"
      R"(std::atomic<[^>]+>|std::array<AtomicInt,\s*\d+>|PriceHistory)\s+(\w+))");
  std::map<std::string, std::string> owned;
  for (const auto& [header, owner] : kStateHeaders) {
    std::ifstream in(kSrc / header);
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (std::regex_search(line, m, field)) owned[m[1]] = owner;
    }
  }
  return owned;
}

bool IsAllowed(const std::string& file, const std::string& field) {
  for (const Allowed& a : kAllowed)
    if (a.file == file && a.fields.count(field)) return true;
  return false;
}

// A store into `name` reached through an object (x.name, x->name): an assignment, ++/--, or a
// call of a storing member.
std::regex StoreInto(const std::string& name) {
  const std::string member = R"((?:\.|->)\s*)" + name + R"(\b)";
  return std::regex(member + R"(\s*(?:=[^=]|\+=|-=|\+\+|--)|(?:\+\+|--)\s*[\w.>\-]*)" + member +
                    "|" + member +
                    R"(\s*\.\s*(?:store|exchange|compareExchange|compare_exchange_\w+|set|clear|)"
                    R"(Set|Reset|reset|storeSize)\s*\()");
}

TEST(Ownership, NoFileOutsideItsOwnersFolderStoresIntoAnOwnedField) {
  const auto owned = OwnedFields();
  ASSERT_GT(owned.size(), 80u) << "the state headers were not read";
  std::vector<std::pair<std::string, std::regex>> stores;
  for (const auto& [name, owner] : owned) stores.emplace_back(name, StoreInto(name));

  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(kSrc)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
    const std::string file = fs::relative(entry.path(), kSrc).generic_string();
    const std::string folder = file.substr(0, file.find('/'));
    // Test doubles arrange situations; they are not the product.
    if (folder == "testing") continue;
    std::ifstream in(entry.path());
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
      ++lineNo;
      for (const auto& [name, store] : stores) {
        if (owned.at(name) == folder || IsAllowed(file, name)) continue;
        if (std::regex_search(line, store))
          found.push_back(file + ":" + std::to_string(lineNo) + " stores into " + name +
                          " (owned by " + owned.at(name) + "/)");
      }
    }
  }
  std::ostringstream all;
  for (const std::string& f : found) all << "\n  " << f;
  EXPECT_TRUE(found.empty()) << all.str();
}

// The check sees a store where there is one: a planted store of each kind is found.
TEST(Ownership, TheCheckFindsEachKindOfStore) {
  const std::regex store = StoreInto("m_systemState");
  for (const char* line :
       {"c_.in.m_systemState = 0;", "bid->m_systemState += 1;", "++c.bid.m_systemState;",
        "x.m_systemState.compareExchange(6, 0);", "x.m_systemState.exchange(0);"})
    EXPECT_TRUE(std::regex_search(std::string(line), store)) << line;
  for (const char* line : {"if (c_.bid.m_systemState == 2) {", "const int s = bid.m_systemState;",
                           "AtomicInt m_systemState{0};", "x.m_systemState.load()"})
    EXPECT_FALSE(std::regex_search(std::string(line), store)) << line;
}

}  // namespace
