#pragma once
// A window without pixels: it keeps what the controller shows, for tests and headless runs.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_view.h"

namespace tavik {

class HeadlessView : public MainView {
 public:
  void setTitle(const std::string& title) override { title_ = title; }
  void moveTo(int x, int y) override { position_ = {x, y}; }
  void setText(int id, const std::string& text) override { texts_[id] = text; }
  void setChecked(int id, bool checked) override { checked_[id] = checked; }
  void setVisible(int id, bool visible) override { visible_[id] = visible; }
  void setFocus(int id) override { focus_ = id; }
  void enableStrategyControls(bool on) override { strategyEnabled_ = on; }
  void hideStrategyControls() override { strategyHidden_ = true; }
  std::string controlText(int id) const override { return text(id); }
  bool isChecked(int id) const override { return checked(id); }
  void addComboItem(int id, const std::string& text) override { combos_[id].push_back(text); }
  int comboCount(int id) const override {
    auto it = combos_.find(id);
    return it == combos_.end() ? 0 : int(it->second.size());
  }
  void setComboSelection(int id, int index) override { selections_[id] = index; }
  int comboSelection(int id) const override {
    auto it = selections_.find(id);
    return it == selections_.end() ? -1 : it->second;
  }
  void messageBox(const std::string& text) override { messages_.push_back(text); }
  void showVersionNotice(const std::string& url) override { notices_.push_back(url); }

  std::string text(int id) const {
    auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
  }
  bool checked(int id) const { return checked_.count(id) && checked_.at(id); }
  bool visible(int id) const { return visible_.count(id) && visible_.at(id); }

  std::string title_;
  std::pair<int, int> position_{0, 0};
  std::map<int, std::string> texts_;
  std::map<int, bool> checked_;
  std::map<int, bool> visible_;
  int focus_ = 0;
  bool strategyEnabled_ = true;
  bool strategyHidden_ = false;
  std::map<int, std::vector<std::string>> combos_;
  std::map<int, int> selections_;
  std::vector<std::string> messages_;
  std::vector<std::string> notices_;
};

}  // namespace tavik
