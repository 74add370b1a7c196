// Fault points: names of operations that a store, folder, item or address
// entry of the profile is marked to fail, so that tests can drive every
// failure rule of the program through the real store.
//
// Names: "logon", "read:NAME", "write:NAME" (NAME a property, without regard
// to case), "save", "copy", "remove", "items", "subfolders", "path", "type",
// "addFolder", "sender". The profile keeps a list as its names joined by
// line feeds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovask::outlook {

class FaultList {
 public:
  FaultList() = default;
  // From the stored form (names joined by line feeds).
  explicit FaultList(std::string_view stored);
  explicit FaultList(const std::vector<std::string>& names);

  // Without regard to case. An empty list (the usual case) answers at once.
  bool Has(std::string_view name) const { return !names_.empty() && HasName(name); }
  // Has("read:" + property) and Has("write:" + property), without building
  // the name.
  bool HasRead(std::string_view property) const {
    return !names_.empty() && HasPrefixed("read:", property);
  }
  bool HasWrite(std::string_view property) const {
    return !names_.empty() && HasPrefixed("write:", property);
  }

  const std::vector<std::string>& names() const { return names_; }
  std::string Stored() const;

  // The problem with a fault name, or empty when it is one of the names
  // above (a line feed or an unknown operation is a problem).
  static std::string Check(std::string_view name);

 private:
  bool HasName(std::string_view name) const;
  bool HasPrefixed(std::string_view prefix, std::string_view property) const;
  std::vector<std::string> names_;
};

}  // namespace tovask::outlook
