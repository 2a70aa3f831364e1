// Sets the process time zone (TZ) for the life of the object, then puts the old one back.
#pragma once

#include <time.h>

#include <cstdlib>
#include <string>

namespace vt::test {

class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedTz() {
    if (had_)
      ::setenv("TZ", old_.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }
  ScopedTz(const ScopedTz&) = delete;
  ScopedTz& operator=(const ScopedTz&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

}  // namespace vt::test
