// What the command-line tools share: their arguments after the command (positionals, --name VALUE
// options, --flag switches, one-letter -x forms), and the options every command takes
// (--read-only, --codepage NAME).
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt {

// The command line is wrong; the message says how.
struct ToolUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ToolArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;

  bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
  // The option's value; ToolUsageError "missing --name" (or "-n") when it was not given.
  std::string Value(const std::string& name) const;
};

// "--name" for names longer than one letter, "-n" for one-letter names.
std::string ToolOptionText(const std::string& name);

// Options of valueOptions take the next argument as their value; flagOptions stand alone.
// ToolUsageError for an unknown option, a missing value or an option given twice.
ToolArgs ParseToolArgs(const std::vector<std::string>& in, const std::set<std::string>& valueOptions,
                       const std::set<std::string>& flagOptions);

// Takes --read-only and --codepage NAME out of args wherever they stand and sets the legacy code
// page (NAME, else the one of the locale's language). *readOnly tells whether --read-only was
// given. ToolUsageError for a missing or unknown code page.
void TakeCommonToolOptions(std::vector<std::string>* args, bool* readOnly);

}  // namespace vt
