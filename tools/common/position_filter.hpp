// The CSV position filter the `tessaglyph` subcommands share: `lat,lon` rows in, one answer
// row out per input row.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg::tools {

// The longest input line the filter reads; a longer one is that line's error, and is never
// held in memory whole.
constexpr std::size_t kLongestLine = 64 * 1024;

// A decimal number (a leading "+" and surrounding blanks allowed), or nothing when the field
// is not a finite number.
std::optional<double> parseNumber(std::string_view field);

// Reads "lat,lon" from two fields; on failure `problem` says why.
bool readPosition(std::string_view latField, std::string_view lonField, double& lat, double& lon,
                  std::string& problem);

// The fields of a line, split at every comma, into `fields` (whose room is kept from line to line).
void splitFields(std::string_view line, std::vector<std::string_view>& fields);

// Where a row came from, for messages: written as "line N: ", or as nothing for a position
// given on the command line (line 0). The text is made only when a message is written.
struct Where {
  long line = 0;
};
std::ostream& operator<<(std::ostream& out, Where where);

// Handles one readable row: gets its trimmed fields, its position and its line for messages;
// writes the answer line and says whether it succeeded.
using PositionRow = std::function<bool(std::string_view latText, std::string_view lonText,
                                       double lat, double lon, Where where)>;

// The filter: blank and `#` lines passed through; a first `lat,lon` row answered with
// `header`; each readable row handed to `row`; an unreadable row (a line over kLongestLine
// included) reported on standard error with its number (prefixed by "tessaglyph `command`: ") and
// written as `*,*,*`. Returns the number of failed rows.
long filterPositions(std::istream& in, std::ostream& out, const char* command, const char* header,
                     const PositionRow& row);

}  // namespace tg::tools
