// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_args.h"

#include <getopt.h>

#include <algorithm>

namespace {

// getopt_long's code for the long-only option at index i of the rules.
constexpr int kLongOnlyBase = 0x100;

}  // namespace

bool ReadOptions(const std::vector<std::string>& args, std::span<const TOptionRule> rules, const TTakeOption& take,
                 std::vector<std::string>& operands, std::string& error) {
  error.clear();
  // getopt_long permutes the strings it is given; it works on copies.
  std::vector<std::string> strings;
  strings.reserve(args.size() + 1);
  strings.push_back("pelmorix-render");
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  // "-": every operand comes back in its place as code 1, whatever
  // POSIXLY_CORRECT says; ":": a missing value comes back as ':'.
  std::string shorts = "-:";
  std::vector<option> longs;
  for (size_t i = 0; i < rules.size(); ++i) {
    const TOptionRule& s = rules[i];
    const int code = s.Short ? s.Short : kLongOnlyBase + int(i);
    longs.push_back({s.Name, s.Value ? required_argument : no_argument, nullptr, code});
    if (s.Short) {
      shorts += s.Short;
      if (s.Value) shorts += ':';
    }
  }
  longs.push_back({nullptr, 0, nullptr, 0});

  auto ruleOf = [&](int code) -> const TOptionRule* {
    if (code >= kLongOnlyBase && code < kLongOnlyBase + int(rules.size())) return &rules[size_t(code - kLongOnlyBase)];
    const auto it = std::find_if(rules.begin(), rules.end(), [&](const TOptionRule& s) { return s.Short && s.Short == code; });
    return it == rules.end() ? nullptr : &*it;
  };
  // The option as it was typed, without a value given after "=".
  auto typed = [&](int code) {
    const std::string arg = optind > 0 && optind <= int(args.size()) + 1 ? argv[size_t(optind - 1)] : "";
    if (arg.rfind("--", 0) == 0) return arg.substr(0, arg.find('='));
    return code > 0 && code < kLongOnlyBase ? std::string("-") + char(code) : arg;
  };

  // Every parse starts afresh: optind 0 makes glibc reset its whole state.
  optind = 0;
  opterr = 0;
  const int argc = int(argv.size() - 1);
  for (int c; (c = getopt_long(argc, argv.data(), shorts.c_str(), longs.data(), nullptr)) != -1;) {
    if (c == 1) {
      operands.emplace_back(optarg);
      continue;
    }
    if (c == ':') {
      error = "option " + typed(optopt) + " needs a value";
      return false;
    }
    const TOptionRule* rule = c == '?' ? nullptr : ruleOf(c);
    if (!rule) {
      const TOptionRule* named = optopt ? ruleOf(optopt) : nullptr;
      error = named && !named->Value ? "option --" + std::string(named->Name) + " takes no value"
                                     : "unknown option " + typed(optopt);
      return false;
    }
    if (!take(rule->Name, rule->Value ? optarg : "", error)) return false;
  }
  for (int i = optind; i < argc; ++i) operands.emplace_back(argv[size_t(i)]);
  return true;
}

bool HasOption(const std::vector<std::string>& args, const std::string& name) {
  const auto end = std::find(args.begin(), args.end(), "--");
  return std::find(args.begin(), end, name) != end;
}
