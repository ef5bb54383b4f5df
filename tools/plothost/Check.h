// Check.h: the first pass over a journal. Every line is parsed and checked
// against the loaded driver before the first call is made, so a bad journal
// is reported whole and never leaves half a plot; calls that would draw
// nothing are collected as warnings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Journal.h"

// Warnings: the first few dozen kept to be shown, the rest only counted, so
// a journal of a million mistakes costs no memory.
constexpr size_t MaxWarningsShown = 40;

struct Warnings {
  std::vector<std::string> Shown;
  int64_t Count = 0;
};

// Text is the whole message, "FILE:LINE: warning: ...".
void AddWarning(Warnings& W, std::string Text);

// The kept warnings, one a line, then how many more there were.
void PrintWarnings(const Warnings& W, FILE* To);

// What the loaded driver publishes that a journal must fit.
struct JournalLimits {
  int32_t MaxAperture;  // the highest aperture record of its table
  bool HaveTable;       // false: the descriptor publishes no table
};

enum class CheckResult {
  Good,        // no errors (there may be warnings)
  Bad,         // errors, each passed to the message function
  ReadFailed,  // the source failed; errno tells why
  NoTable,     // an Aperture line, and the driver has no table: Failure says where
};

using MessageFn = void (*)(void* Context, const std::string& Message);

// Errors past these many are counted, not passed on.
constexpr int64_t MaxErrorsShown = 20;

struct CheckOutcome {
  int64_t Errors = 0;  // all of them, shown or not
  std::string Failure;  // NoTable: "FILE:LINE: cannot write aperture N"
};

using CallFn = void (*)(void* Context, const Call& C);

// Reads R to its end. The first MaxErrorsShown errors go to Error as
// "NAME:LINE: what", in line order; a line too long ends the check. Every call that passes
// goes to Keep, if given, in journal order (the replay needs them all only
// when there is no error).
CheckResult CheckJournal(LineReader& R, std::string_view Name, const JournalLimits& Limits,
                         MessageFn Error, void* Context, Warnings& W, CheckOutcome& Outcome,
                         CallFn Keep = nullptr, void* KeepContext = nullptr);
