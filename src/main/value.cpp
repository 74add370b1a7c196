#include "main/value.h"

#include <type_traits>

namespace tovask {

std::string ValueText(const Value& value) {
  return std::visit(
      [](const auto& held) -> std::string {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::monostate>) {
          return std::string();
        } else if constexpr (std::is_same_v<Held, std::string>) {
          return held;
        } else if constexpr (std::is_same_v<Held, bool>) {
          return held ? "True" : "False";
        } else if constexpr (std::is_same_v<Held, std::int64_t>) {
          return std::to_string(held);
        } else {
          return held.ToGeneralText();
        }
      },
      value);
}

}  // namespace tovask
