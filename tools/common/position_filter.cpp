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

bool readPosition(std::string_view latField, std::string_view lonField, double& lat, double& lon,
                  std::string& problem) {
  const auto latitude = parseNumber(latField);
  const auto longitude = parseNumber(lonField);
  if (!latitude) {
    problem = "latitude \"" + std::string(trimSpace(latField)) + "\" is not a number";
  } else if (!longitude) {
    problem = "longitude \"" + std::string(trimSpace(lonField)) + "\" is not a number";
  } else if (*latitude < -90 || *latitude > 90) {
    problem = "latitude " + std::string(trimSpace(latField)) + " is outside -90..90";
  } else if (*longitude < -360 || *longitude > 360) {
    problem = "longitude " + std::string(trimSpace(lonField)) + " is outside -360..360";
  } else {
    lat = *latitude;
    lon = *longitude;
    return true;
  }
  return false;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

long filterPositions(std::istream& in, std::ostream& out, const char* command, const char* header,
                     const PositionRow& row) {
  long failed = 0, lineNumber = 0;
  bool seenData = false;
  std::string line;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view text = trimSpace(line);
    if (text.empty() || text.front() == '#') {
      out << line << '\n';
      continue;
    }
    const std::vector<std::string_view> fields = splitFields(text);
    const bool first = !seenData;
    seenData = true;
    if (first && fields.size() == 2 && equalsIgnoreCase(trimSpace(fields[0]), "lat") &&
        equalsIgnoreCase(trimSpace(fields[1]), "lon")) {
      out << header << '\n';
      continue;
    }
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
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
