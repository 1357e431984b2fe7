#pragma once
// Which window control shows which setting, and the integer data exchange between them: the
// main window's strategy controls and the two settings dialogs. UI-free, so that the windows
// only render and the rules are tested without a display.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/strategy.h"

namespace tavik {

inline constexpr const char* kNotAnInteger = "请输入一个整数。";

enum class ControlKind { kCheck, kEdit };  // check state, or decimal integer text

struct BoundControl {
  int id;
  ControlKind kind;
  int32_t* field;
};

// What the main window's controls edit: the strategy and two switches of the run. The
// exchange works on such a copy, which the controller publishes only when every box was read.
struct MainWindowFields {
  Strategy strategy;
  int32_t m_compatMode = 1;
  int32_t m_recording = 0;
};

// The main window's bound controls in exchange order (the scheme combo takes part only as a
// control, so it is not listed).
std::vector<BoundControl> MainWindowBindings(MainWindowFields& fields);
// Advanced options dialog: options 1..20 and the seven timing and jump numbers.
std::vector<BoundControl> AdvancedDialogBindings(Strategy& strategy);
// Smart-bid table dialog: 12 rows of seconds, increment and top-up, 6 fast and 6 slow amounts.
std::vector<BoundControl> SmartDialogBindings(Strategy& strategy);

// An edit's text as the integer exchange accepts it: optional blanks, an optional sign and
// decimal digits that fit in 32 bits. Anything else (also an empty box) is refused.
std::optional<int32_t> ParseDialogInt(std::string_view text);

// Control to field, in binding order. Stops at the first edit whose text is not an integer
// and returns its id, leaving that field and the later ones unchanged; 0 when all were taken.
struct ControlReader {
  std::function<std::string(int id)> text;
  std::function<bool(int id)> checked;
};
int ExchangeToFields(const std::vector<BoundControl>& bindings, const ControlReader& controls);

// Field to control.
struct ControlWriter {
  std::function<void(int id, const std::string& text)> setText;
  std::function<void(int id, bool checked)> setChecked;
};
void ExchangeToControls(const std::vector<BoundControl>& bindings, const ControlWriter& controls);

// A settings dialog works on a copy of its fields and writes it back only on OK.
std::vector<int32_t> CopyIn(const std::vector<BoundControl>& bindings);
void CopyOut(const std::vector<BoundControl>& bindings, const std::vector<int32_t>& values);

// The strategy controls that Start disables and Stop enables again.
const std::vector<int>& StrategyControlIds();
// The controls hidden for good when the strategy is locked ("hd.txt"); the scheme selector is
// disabled as well.
const std::vector<int>& HiddenStrategyControlIds();

// The click handlers of the main window's radios and checkboxes. Returns false for a control
// that has no such handler.
bool ApplyMainWindowClick(int id, bool checked, MainWindowFields& fields);

}  // namespace tavik
