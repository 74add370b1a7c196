#include "main/failure.h"

#include <cstring>
#include <utility>

namespace tovask {

namespace {
bool failure_trapped = false;
}

Failure::Failure(std::string source, std::int32_t number, std::string description)
    : source_(std::move(source)), number_(number), description_(std::move(description)) {
  tail_ = FailureTail(*this);
}

std::string FailureTail(const Failure& failure) {
  std::string tail = failure.source();
  tail += ", ";
  tail += std::to_string(failure.number());
  tail += " - ";
  tail += failure.description();
  return tail;
}

Failure ErrnoFailure(std::string_view what, int errnoValue) {
  std::string description(what);
  description += ": ";
  description += std::strerror(errnoValue);
  return Failure("System", errnoValue, std::move(description));
}

void NoteTrappedFailure() { failure_trapped = true; }
bool AnyFailureTrapped() { return failure_trapped; }
void ResetTrappedFailures() { failure_trapped = false; }

}  // namespace tovask
