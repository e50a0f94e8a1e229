// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the arguments of a pelmorix-render command with getopt_long: every
// long option as "--name value" or "--name=value", short options where a
// command has them, operands anywhere among the options and everything after
// "--" as operands.

#include <functional>
#include <span>
#include <string>
#include <vector>

struct TOptionRule {
  const char* Name;   // long name, without "--"
  char Short = 0;     // short letter, 0 for none
  bool Value = false;  // takes a value
};

// Called for each option in command-line order with its long name and value
// ("" for an option without one). False stops the reading: with `error` set
// for a refused value, with `error` empty for an option that asks for a text
// instead of a run (--help).
using TTakeOption = std::function<bool(const std::string& name, const std::string& value, std::string& error)>;

// Reads `args` (without the program name); the operands go to `operands` in
// their order. False with the message for an unknown option, a missing
// value, a value given to an option without one, or with what `take` said
// when it stopped the reading.
bool ReadOptions(const std::vector<std::string>& args, std::span<const TOptionRule> rules, const TTakeOption& take,
                 std::vector<std::string>& operands, std::string& error);

// Whether `name` ("--zoom-movie") is among the options, before any "--".
bool HasOption(const std::vector<std::string>& args, const std::string& name);
