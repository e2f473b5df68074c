// The error triple every failure of the library carries, and the platform's own error numbers.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tg {

// An error as the host sees it: a number, the source that raised it ("Class::member", with
// " Get", " Let" or " Set" after property names; empty where a member raises without one) and
// the description. what() returns the description.
class Error : public std::exception {
 public:
  Error(std::int32_t number, std::string source, std::string description)
      : m_number(number), m_source(std::move(source)), m_description(std::move(description)) {}

  std::int32_t number() const noexcept { return m_number; }
  const std::string& source() const noexcept { return m_source; }
  const std::string& description() const noexcept { return m_description; }
  const char* what() const noexcept override { return m_description.c_str(); }

 private:
  std::int32_t m_number;
  std::string m_source;
  std::string m_description;
};

// Errors of the platform, which pass through with their own numbers and texts.
enum PLATFORM_ERRORS : std::int32_t {
  PLATFORM_E_INVALIDPROCEDURECALL = 5,
  PLATFORM_E_OVERFLOW = 6,
  PLATFORM_E_OUTOFMEMORY = 7,
  PLATFORM_E_SUBSCRIPTOUTOFRANGE = 9,
  PLATFORM_E_DIVISIONBYZERO = 11,
  PLATFORM_E_TYPEMISMATCH = 13,
  PLATFORM_E_OUTOFSTACKSPACE = 28,
  PLATFORM_E_BADFILENAMEORNUMBER = 52,
  PLATFORM_E_FILENOTFOUND = 53,
  PLATFORM_E_BADFILEMODE = 54,
  PLATFORM_E_INPUTPASTENDOFFILE = 62,
  PLATFORM_E_BADRECORDNUMBER = 63,
  PLATFORM_E_PATHFILEACCESSERROR = 75,
  PLATFORM_E_PATHNOTFOUND = 76,
  PLATFORM_E_INVALIDPATTERNSTRING = 93,
  PLATFORM_E_KEYALREADYASSOCIATED = 457,
};

// The platform's text for one of its error numbers; empty for any other number.
std::string_view platformErrorText(std::int32_t number) noexcept;

// Raises a platform error with its own text and the given source.
[[noreturn]] void raisePlatformError(std::int32_t number, std::string source = {});

}  // namespace tg
