// The failures the profile store raises of its own (as opposed to SQLite's),
// all with the source "ProfileStore" and the numbers Outlook's MAPI layer
// uses for the same situations, so callers' logs read like Outlook's.
#pragma once

#include <cstdint>
#include <string>

#include "main/failure.h"

namespace tovask::outlook {

inline constexpr char kStoreSource[] = "ProfileStore";

inline constexpr std::int32_t kNotFound = -2147221233;         // MAPI_E_NOT_FOUND
inline constexpr std::int32_t kNoAccess = -2147024891;         // E_ACCESSDENIED
inline constexpr std::int32_t kCallFailed = -2147467259;       // E_FAIL
inline constexpr std::int32_t kInvalidArgument = -2147024809;  // E_INVALIDARG
inline constexpr std::int32_t kCollision = -2147220732;        // MAPI_E_COLLISION
inline constexpr std::int32_t kNotLoggedOn = -2147221219;      // MAPI_E_NOT_INITIALIZED
inline constexpr std::int32_t kSessionEnded = -2147221248;     // MAPI_E_END_OF_SESSION

inline Failure StoreFailure(std::int32_t number, std::string description) {
  return Failure(kStoreSource, number, std::move(description));
}

// A fault point fired: "Fault 'save' on item 0000...: the operation fails".
inline Failure FaultFailure(const std::string& fault, const std::string& where) {
  return Failure(kStoreSource, kCallFailed, "Fault '" + fault + "' on " + where);
}

}  // namespace tovask::outlook
