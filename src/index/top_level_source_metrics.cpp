// Tessaglyph::getSourceMetrics and boundsCon: a file's coverage, and its move to another datum.
#include <algorithm>

#include "source/datum_conversion.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/top_level_object.hpp"

namespace tg {

TG_FILEMETRICS Tessaglyph::boundsCon(const TG_FILEMETRICS& original,
                                     const std::string& toDatum) const {
  const TG_BOUNDS& b = original.bounds;
  // North-east, north-west, south-west, south-east.
  Double lat[4] = {b.northLat, b.northLat, b.southLat, b.southLat};
  Double lon[4] = {b.eastLon, b.westLon, b.westLon, b.eastLon};
  for (int i = 0; i < 4; ++i) {
    Double outLat = lat[i], outLon = lon[i];
    Integer status = 0;
    convertDatum(lat[i], lon[i], original.datum, outLat, outLon, toDatum, status);
    if (status == 0) {
      lat[i] = outLat;
      lon[i] = outLon;
    }
  }
  TG_FILEMETRICS result = original;
  result.datum = toDatum;
  result.bounds.northLat = std::max(lat[1], lat[0]);
  result.bounds.southLat = std::min(lat[2], lat[3]);
  result.bounds.westLon = std::min(lon[1], lon[2]);
  result.bounds.eastLon = std::max(lon[0], lon[3]);
  return result;
}

TG_FILEMETRICS Tessaglyph::getSourceMetrics(const std::string& sourceFilename,
                                            const std::string& scriptFilename,
                                            const std::optional<std::string>& datum) const {
  std::shared_ptr<TessaglyphFile> file = OpenFile(sourceFilename, scriptFilename);
  TG_FILEMETRICS metrics = file->metrics();
  file->closeSource();
  if (datum && !datum->empty()) metrics = boundsCon(metrics, *datum);
  return metrics;
}

}  // namespace tg
