// The browse page as the build embeds it: the HTML document of src/index/browse_page/ with its
// style sheet and script placed inside, generated from those files by the build.
#pragma once

#include <string_view>

namespace tg {

std::string_view browsePageDocument();

}  // namespace tg
