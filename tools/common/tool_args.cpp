#include "tool_args.h"

#include "app/lang_text.h"
#include "platform/codepage.h"

namespace vt {

std::string ToolOptionText(const std::string& name) { return (name.size() == 1 ? "-" : "--") + name; }

std::string ToolArgs::Value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) throw ToolUsageError("missing " + ToolOptionText(name));
  return it->second;
}

ToolArgs ParseToolArgs(const std::vector<std::string>& in, const std::set<std::string>& valueOptions,
                       const std::set<std::string>& flagOptions) {
  ToolArgs a;
  for (size_t i = 0; i < in.size(); ++i) {
    const std::string& s = in[i];
    std::string name;
    if (s.rfind("--", 0) == 0 && s.size() > 2) name = s.substr(2);
    else if (s.size() == 2 && s[0] == '-' && s[1] != '-') name = s.substr(1);
    if (name.empty() || (name.size() == 1 && s.size() != 2)) {
      a.positional.push_back(s);
      continue;
    }
    if (flagOptions.count(name)) {
      a.flags.insert(name);
    } else if (valueOptions.count(name)) {
      if (i + 1 >= in.size()) throw ToolUsageError(s + " needs a value");
      if (a.values.count(name)) throw ToolUsageError(s + " given twice");
      a.values[name] = in[++i];
    } else {
      throw ToolUsageError("unknown option " + s);
    }
  }
  return a;
}

void TakeCommonToolOptions(std::vector<std::string>* args, bool* readOnly) {
  std::string codePage;
  *readOnly = false;
  for (size_t i = 0; i < args->size();) {
    if ((*args)[i] == "--read-only") {
      *readOnly = true;
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i));
    } else if ((*args)[i] == "--codepage") {
      if (i + 1 >= args->size()) throw ToolUsageError("--codepage needs a value");
      codePage = (*args)[i + 1];
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i), args->begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else {
      ++i;
    }
  }
  if (codePage.empty()) codePage = DefaultCodePageForLanguage(LanguageNameFromLocale(SystemMessageLocale()));
  if (!SetLegacyCodePage(codePage)) throw ToolUsageError("unknown code page " + codePage);
}

}  // namespace vt
