// The platform's error texts, beside their numbers.
#include "tessaglyph/error.hpp"

#include "tessaglyph/types.hpp"

namespace tg {

std::string_view platformErrorText(std::int32_t number) noexcept {
  switch (number) {
    case PLATFORM_E_INVALIDPROCEDURECALL:
      return "Invalid procedure call or argument";
    case PLATFORM_E_OVERFLOW:
      return "Overflow";
    case PLATFORM_E_OUTOFMEMORY:
      return "Out of memory";
    case PLATFORM_E_SUBSCRIPTOUTOFRANGE:
      return "Subscript out of range";
    case PLATFORM_E_DIVISIONBYZERO:
      return "Division by zero";
    case PLATFORM_E_TYPEMISMATCH:
      return "Type mismatch";
    case PLATFORM_E_OUTOFSTACKSPACE:
      return "Out of stack space";
    case PLATFORM_E_BADFILENAMEORNUMBER:
      return "Bad file name or number";
    case PLATFORM_E_FILENOTFOUND:
      return "File not found";
    case PLATFORM_E_BADFILEMODE:
      return "Bad file mode";
    case PLATFORM_E_INPUTPASTENDOFFILE:
      return "Input past end of file";
    case PLATFORM_E_BADRECORDNUMBER:
      return "Bad record number";
    case PLATFORM_E_PATHFILEACCESSERROR:
      return "Path/File access error";
    case PLATFORM_E_PATHNOTFOUND:
      return "Path not found";
    case PLATFORM_E_INVALIDPATTERNSTRING:
      return "Invalid pattern string";
    case PLATFORM_E_KEYALREADYASSOCIATED:
      return "This key is already associated with an element of this collection";
    default:
      return {};
  }
}

void raisePlatformError(std::int32_t number, std::string source) {
  throw Error(number, std::move(source), std::string(platformErrorText(number)));
}

void raiseSubscriptOutOfRange() {
  raisePlatformError(PLATFORM_E_SUBSCRIPTOUTOFRANGE);
}

}  // namespace tg
