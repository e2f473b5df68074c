// Finding the files below a folder that a registered script could read and that are not indexed.
#include <filesystem>
#include <set>

#include "index/index_state.hpp"
#include "support/paths.hpp"
#include "support/pattern_match.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/index.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {
namespace {

// A count with thousands separators.
std::string groupedCount(std::size_t count) {
  std::string digits = std::to_string(count);
  for (int i = int(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(std::size_t(i), ",");
  return digits;
}

}  // namespace

Array<std::string> TessaglyphIndex::directoryScan(const std::string& root, Long& lFound) {
  namespace fs = std::filesystem;
  IndexStore& store = index::requireStore("Tessaglyph::directoryScan");
  std::vector<std::string> filters;
  store.forEachScript([&](const ScriptRow& row) {
    const std::string filter = toUpper(trimBlanks(row.filter));
    if (filter.empty()) return;
    for (const std::string& known : filters)
      if (known == filter) return;
    filters.push_back(filter);
  });

  std::unique_ptr<ProgressWindow> window = userInterface().createProgressWindow("Directory Scan");
  window->show();
  std::vector<std::string> found{std::string()};
  std::set<std::string> seen;
  const std::string start = resolvePath(root);
  std::error_code error;
  for (fs::recursive_directory_iterator
           it(start, fs::directory_options::skip_permission_denied, error),
       end;
       !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    const std::string name = it->path().filename().string();
    const std::string upperName = toUpper(name);
    bool matches = false;
    for (const std::string& filter : filters) {
      try {
        if (likeMatch(upperName, filter)) {
          matches = true;
          break;
        }
      } catch (const Error&) {
        // a malformed filter finds nothing
      }
    }
    if (!matches) continue;
    const std::string path = it->path().string();
    if (!seen.insert(toUpper(path)).second) continue;
    if (index::state().sourceKeys.contains(index::sourceKey(path))) continue;
    found.push_back(path);
    window->setText(groupedCount(found.size() - 1));
    userInterface().yield();
    if (window->cancelled()) break;
  }
  window->hide();
  lFound += Long(found.size() - 1);
  return Array<std::string>(0, std::move(found));
}

}  // namespace tg
