#include "position_filter.hpp"

#include <charconv>
#include <cmath>
#include <iostream>
#include <system_error>

#include "support/text.hpp"

namespace tg::tools {

std::optional<double> parseNumber(std::string_view field) {
  field = trimSpace(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

namespace {

// A field as messages quote it: trimmed, and cut short when long.
std::string quoted(std::string_view field) {
  constexpr std::size_t kLongest = 40;
  field = trimSpace(field);
  if (field.size() <= kLongest) return std::string(field);
  return std::string(field.substr(0, kLongest)) + "...";
}

// Reads one line of at most `limit` bytes (its line end and a carriage return before it
// dropped) into `line`. A longer line is read to its end but not kept: `tooLong` says so.
// False at the end of the input.
bool readLine(std::istream& in, std::string& line, std::size_t limit, bool& tooLong) {
  line.clear();
  tooLong = false;
  std::streambuf& buffer = *in.rdbuf();
  bool any = false;
  for (;;) {
    const int c = buffer.sbumpc();
    if (c == std::char_traits<char>::eof()) {
      if (!any) in.setstate(std::ios::eofbit);
      break;
    }
    any = true;
    if (c == '\n') break;
    if (line.size() < limit) {
      line.push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
}

}  // namespace

bool readPosition(std::string_view latField, std::string_view lonField, double& lat, double& lon,
                  std::string& problem) {
  const auto latitude = parseNumber(latField);
  const auto longitude = parseNumber(lonField);
  if (!latitude) {
    problem = "latitude \"" + quoted(latField) + "\" is not a number";
  } else if (!longitude) {
    problem = "longitude \"" + quoted(lonField) + "\" is not a number";
  } else if (*latitude < -90 || *latitude > 90) {
    problem = "latitude " + quoted(latField) + " is outside -90..90";
  } else if (*longitude < -360 || *longitude > 360) {
    problem = "longitude " + quoted(lonField) + " is outside -360..360";
  } else {
    lat = *latitude;
    lon = *longitude;
    return true;
  }
  return false;
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
}

std::ostream& operator<<(std::ostream& out, Where where) {
  if (where.line > 0) out << "line " << where.line << ": ";
  return out;
}

long filterPositions(std::istream& in, std::ostream& out, const char* command, const char* header,
                     const PositionRow& row) {
  long failed = 0, lineNumber = 0;
  bool seenData = false;
  std::string line;
  std::vector<std::string_view> fields;
  bool tooLong = false;
  while (readLine(in, line, kLongestLine, tooLong)) {
    ++lineNumber;
    if (tooLong) {
      std::cerr << "tessaglyph " << command << ": line " << lineNumber << ": longer than "
                << kLongestLine << " bytes\n";
      out << "*,*,*\n";
      ++failed;
      seenData = true;
      continue;
    }
    const std::string_view text = trimSpace(line);
    if (text.empty() || text.front() == '#') {
      out << line << '\n';
      continue;
    }
    splitFields(text, fields);
    const bool first = !seenData;
    seenData = true;
    if (first && fields.size() == 2 && equalsIgnoreCase(trimSpace(fields[0]), "lat") &&
        equalsIgnoreCase(trimSpace(fields[1]), "lon")) {
      out << header << '\n';
      continue;
    }
    const Where where{lineNumber};
    std::string problem;
    double lat = 0, lon = 0;
    if (fields.size() != 2) {
      problem = "expected 2 fields (lat,lon), found " + std::to_string(fields.size());
    } else if (readPosition(fields[0], fields[1], lat, lon, problem)) {
      if (!row(trimSpace(fields[0]), trimSpace(fields[1]), lat, lon, where)) ++failed;
      continue;
    }
    std::cerr << "tessaglyph " << command << ": " << where << problem << '\n';
    out << "*,*,*\n";
    ++failed;
  }
  return failed;
}

}  // namespace tg::tools
