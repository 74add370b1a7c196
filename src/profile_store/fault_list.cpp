#include "profile_store/fault_list.h"

#include "main/case_fold.h"

namespace tovask::outlook {

namespace {

constexpr std::string_view kOperations[] = {"logon",      "save", "copy", "remove",    "items",
                                            "subfolders", "path", "type", "addFolder", "sender"};

}  // namespace

FaultList::FaultList(std::string_view stored) {
  while (!stored.empty()) {
    std::size_t end = stored.find('\n');
    std::string_view name = stored.substr(0, end);
    if (!name.empty()) names_.emplace_back(name);
    if (end == std::string_view::npos) break;
    stored.remove_prefix(end + 1);
  }
}

FaultList::FaultList(const std::vector<std::string>& names) : names_(names) {}

bool FaultList::HasName(std::string_view name) const {
  for (const auto& fault : names_) {
    if (EqualAsciiFolded(fault, name)) return true;
  }
  return false;
}

bool FaultList::HasPrefixed(std::string_view prefix, std::string_view property) const {
  for (const auto& fault : names_) {
    std::string_view view(fault);
    if (view.size() == prefix.size() + property.size() &&
        EqualAsciiFolded(view.substr(0, prefix.size()), prefix) &&
        EqualAsciiFolded(view.substr(prefix.size()), property)) {
      return true;
    }
  }
  return false;
}

std::string FaultList::Stored() const {
  std::string stored;
  for (const auto& name : names_) {
    if (!stored.empty()) stored.push_back('\n');
    stored += name;
  }
  return stored;
}

std::string FaultList::Check(std::string_view name) {
  if (name.find('\n') != std::string_view::npos) return "a fault name holds a line feed";
  for (std::string_view prefix : {std::string_view("read:"), std::string_view("write:")}) {
    if (name.size() > prefix.size() && EqualAsciiFolded(name.substr(0, prefix.size()), prefix)) {
      return {};
    }
  }
  for (std::string_view operation : kOperations) {
    if (EqualAsciiFolded(name, operation)) return {};
  }
  return "unknown fault '" + std::string(name) + "'";
}

}  // namespace tovask::outlook
