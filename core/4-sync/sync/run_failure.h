#pragma once

#include <string>

#include "platform/result.h"

namespace kestrin {

// Why a run ends early: the text its "Error: " line shows and, when the cause lies beyond
// that text (the network, a server reply, the file system), that cause in plain words.
struct RunFailure {
  std::string text{};    // "Unable to ..."
  std::string reason{};  // empty when the text says all
};

// What a step of the run gives back.
using StepResult = Result<void, RunFailure>;

inline StepResult StepFailed(std::string text, std::string reason = {}) {
  return StepResult::Fail({std::move(text), std::move(reason)});
}

}  // namespace kestrin
