// The syntax-error record is read-only to hosts: only the library fills it.
#include <string>

#include "tessaglyph/compiler.hpp"

namespace tg {
namespace {

template <typename T>
concept HostCanSetNumber = requires(T& error) {
  error.setNumber(Integer(1));
};
template <typename T>
concept HostCanSetFixInfo = requires(T& error) {
  error.setFixInfo(std::string());
};
template <typename T>
concept HostCanReadNumber = requires(const T& error) {
  error.number();
};
static_assert(HostCanReadNumber<TessaglyphSyntaxError>);
static_assert(!HostCanSetNumber<TessaglyphSyntaxError>);
static_assert(!HostCanSetFixInfo<TessaglyphSyntaxError>);

}  // namespace
}  // namespace tg
