// The one failure type of the program.
//
// Every library call that can go wrong (the profile store, libxml2, the file
// system) raises a Failure carrying the failing component's name (source), a
// number and a description. Operations trap Failures at the places their
// behaviour fixes and log them with FailureTail().
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tovask {

class Failure : public std::exception {
 public:
  Failure(std::string source, std::int32_t number, std::string description);

  const std::string& source() const { return source_; }
  std::int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

  // The failure tail, as what() for debuggers and test output.
  const char* what() const noexcept override { return tail_.c_str(); }

 private:
  std::string source_;
  std::int32_t number_;
  std::string description_;
  std::string tail_;
};

// "source, number - description". The ", " stays even when the source is
// empty, because the peer system splits log lines on it.
std::string FailureTail(const Failure& failure);

// Builds a Failure from errno after a failed system call; `what` says what
// was attempted ("open /tmp/x.xml") and leads the description.
Failure ErrnoFailure(std::string_view what, int errnoValue);

// The run's record of trapped failures, read once at the end for the exit
// status. Every trap calls NoteTrappedFailure(), whether or not the log is on.
void NoteTrappedFailure();
bool AnyFailureTrapped();
void ResetTrappedFailures();

}  // namespace tovask
