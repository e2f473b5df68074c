// Source-file bounds and metrics in each bounds mode, and after a datum change.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "source/datum_conversion.hpp"
#include "source/elevation_helpers.hpp"
#include "source/source_file_test_support.hpp"
#include "tessaglyph/source_file.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;
using test::ScriptSpec;

using SourceFileBounds = test::SourceFileTest;

ScriptSpec boundedBy(const std::string& mode, std::map<std::string, std::string> attributes) {
  return ScriptSpec()
      .withProperties(".property boundsmode \"" + mode + "\"\n")
      .withAttributes(std::move(attributes));
}

// A quadrilateral with no side along a parallel or meridian.
ScriptSpec corners(const std::string& mode = "4point") {
  return boundedBy(mode, test::attributesOf("nw_lat=36 nw_lon=-100 ne_lat=36.5 ne_lon=-99 "
                                            "se_lat=35.5 se_lon=-98.5 sw_lat=35 sw_lon=-99.5 "
                                            "xres=90 yres=90"));
}

ScriptSpec utm(const std::string& left) {
  return boundedBy("utmbounding",
                   test::attributesOf("left_utm=" + left +
                                      " right_utm=510000 top_utm=4000000 "
                                      "bottom_utm=3990000 utmzone=14 xres=30 yres=30"));
}

// Edges and corners are inside, in a rectangle as in a polygon.
TEST_F(SourceFileBounds, EdgesAreInside) {
  auto rectangle = openFile(boundedBy("latlonbounding", test::latLonBounds()));
  auto polygon = openFile(corners(), "c.dat");
  const struct {
    bool rectangular;
    Double lat, lon;
    bool inside;
  } cases[] = {{true, 35.5, -99.5, true},       {true, 36, -100, true},
               {true, 35, -99, true},           {true, 36.000001, -99.5, false},
               {true, 34.999999, -99.5, false}, {true, 35.5, -100.000001, false},
               {true, 35.5, -98.999999, false}, {false, 35.75, -99.25, true},
               {false, 36, -100, true},         {false, 36.25, -99.5, true},
               {false, 36.4, -99.9, false},     {false, 35.75, -100.1, false}};
  for (const auto& c : cases)
    EXPECT_EQ((c.rectangular ? rectangle : polygon)->inBounds(c.lat, c.lon), c.inside)
        << c.lat << ", " << c.lon;
}

// UTM edges are whole metres, halves to even: 500000.5 lies on 500000, 500001.5 on 500002.
TEST_F(SourceFileBounds, UtmEdgesRoundHalvesToEven) {
  const struct {
    const char* left;
    Double inside, edge, outside;
  } cases[] = {{"500000.5", 500000.25, 500000, 499999.75},
               {"500001.5", 500002.25, 500002.25, 500001.75}};
  for (const auto& c : cases) {
    auto file = openFile(utm(c.left));
    for (const auto& [easting, inside] :
         {std::pair{c.inside, true}, {c.edge, true}, {c.outside, false}}) {
      Double lat = 0, lon = 0;
      utmToLatLon(14, easting, 3995000, lat, lon);
      EXPECT_EQ(file->inBounds(lat, lon), inside) << c.left << " at " << easting;
    }
  }
}

TEST_F(SourceFileBounds, MetricsInEachBoundsMode) {
  const TG_FILEMETRICS latLon =
      openFile(boundedBy("latlonbounding", test::latLonBounds()))->metrics();
  EXPECT_EQ(latLon.datum, "NAD27");
  EXPECT_EQ(std::make_tuple(latLon.bounds.northLat, latLon.bounds.southLat, latLon.bounds.westLon,
                            latLon.bounds.eastLon, latLon.xResolution, latLon.yResolution),
            std::make_tuple(36.0, 35.0, -100.0, -99.0, 30.0, 40.0));
  // Any mode other than the two named ones gives the extent as four corner points.
  const TG_BOUNDS c = openFile(corners("byCorners"), "c.dat")->metrics().bounds;
  EXPECT_EQ(std::make_tuple(c.northLat, c.southLat, c.westLon, c.eastLon),
            std::make_tuple(36.5, 35.0, -100.0, -98.5));

  const TG_BOUNDS b = openFile(utm("500000"), "u.dat")->metrics().bounds;
  std::array<Double, 4> lat{}, lon{};  // north-west, north-east, south-east, south-west
  const Double eastings[] = {500000, 510000, 510000, 500000};
  const Double northings[] = {4000000, 4000000, 3990000, 3990000};
  for (int i = 0; i < 4; ++i)
    utmToLatLon(14, eastings[i], northings[i], lat[i], lon[i]);
  EXPECT_DOUBLE_EQ(b.northLat, std::max(lat[0], lat[1]));
  EXPECT_DOUBLE_EQ(b.southLat, std::min(lat[3], lat[2]));
  EXPECT_DOUBLE_EQ(b.westLon, std::min(lon[3], lon[0]));
  EXPECT_DOUBLE_EQ(b.eastLon, std::max(lon[1], lon[2]));
  EXPECT_NEAR(b.westLon, -99, 1e-12);
}

TEST_F(SourceFileBounds, LatLonResolutionBecomesMetresAtTheMiddleLatitude) {
  auto file = openFile(ScriptSpec()
                           .withProperties(".property resspec \"latlon\"\n")
                           .withAttributes(test::attributesOf(
                               "top_lat=45.5 bottom_lat=44.5 left_lon=-100 right_lon=-99 "
                               "xres=0.01 yres=-0.02")));
  EXPECT_NEAR(file->metrics().xResolution, 788.32507, 1e-4);
  EXPECT_NEAR(file->metrics().yResolution, 2222.16, 1e-4);
}

TEST_F(SourceFileBounds, MissingAttributeOrBadValueIsAClearError) {
  const std::string latLonRule = " attribute must be defined when the \"boundsmode\" property is ";
  const struct {
    const char *attribute, *value;
    std::int32_t number;
    std::string description;  // empty: only the number is checked
  } cases[] = {
      {"top_lat", nullptr, 11010, "The top_lat" + latLonRule + "\"latlonbounding\""},
      {"yres", nullptr, 11010, "The yres attribute must be defined to give the file's resolution"},
      {"left_lon", "west", 13, ""}};
  for (const auto& c : cases) {
    auto attributes = test::latLonBounds();
    if (c.value) attributes[c.attribute] = c.value;
    if (!c.value) attributes.erase(c.attribute);
    auto file =
        makeFile(boundedBy("latlonbounding", attributes), std::string(c.attribute) + ".dat");
    if (c.description.empty()) {
      EXPECT_EQ(test::errorNumber([&] { file->openSource(); }), c.number);
    } else {
      EXPECT_TRUE(raises([&] { file->openSource(); }, c.number, c.description));
    }
  }
}

// ---- A datum change: corners move together over a small rectangle, apart over a large one.

constexpr const char* kNearbyDatum =
    "+proj=longlat +ellps=WGS84 +towgs84=1000,2000,3000,0,0,0,0 +type=crs";
constexpr const char* kOtherDatum =
    "+proj=longlat +ellps=clrk66 +towgs84=1000,2000,3000,0,0,0,0 +type=crs";

std::string text(Double value) {
  char digits[32];
  return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

class SourceFileDatumChange : public test::SourceFileTest {
 protected:
  void SetUp() override {
    for (const char* target : {kNearbyDatum, kOtherDatum}) {
      Double lat = 0, lon = 0;
      Integer status = -1;
      convertDatum(35, -100, "EPSG:4326", lat, lon, target, status);
      if (status != 0 || std::abs(lat - 35) < 0.01)
        GTEST_SKIP() << "the coordinate-system library cannot convert test systems";
    }
  }
  // A WGS84 file and its corners NE, NW, SW, SE moved to `datum` (lat, lon each).
  std::array<std::array<Double, 2>, 4> open(Double top, Double bottom, Double left, Double right,
                                            const char* datum) {
    file = openFile(ScriptSpec()
                        .withDatum("EPSG:4326")
                        .withAttributes(test::attributesOf(
                            "top_lat=" + text(top) + " bottom_lat=" + text(bottom) + " left_lon=" +
                            text(left) + " right_lon=" + text(right) + " xres=30 yres=30")));
    std::array<std::array<Double, 2>, 4> corners{
        {{top, right}, {top, left}, {bottom, left}, {bottom, right}}};
    for (auto& c : corners) {
      Integer status = -1;
      convertDatum(c[0], c[1], "epsg:4326", c[0], c[1], datum, status);
      EXPECT_EQ(status, 0);
    }
    return corners;
  }
  std::shared_ptr<TessaglyphFile> file;
};

TEST_F(SourceFileDatumChange, SmallShiftKeepsTheRectangleAndMovesIt) {
  const auto c = open(35.01, 35, -100, -99.99, kNearbyDatum);
  file->setCurrentDatum("EPSG:4326");
  EXPECT_TRUE(file->inBounds(35.005, -99.995));
  file->setCurrentDatum(kNearbyDatum);
  EXPECT_EQ(file->metrics().datum, kNearbyDatum);
  EXPECT_EQ(file->metrics().bounds.northLat, std::max(c[0][0], c[1][0]));
  EXPECT_EQ(file->metrics().bounds.westLon, std::min(c[1][1], c[2][1]));
  // From the NE latitude to the SW one, the NW longitude to the NE one, edges included.
  const Double top = c[0][0], bottom = c[2][0], left = c[1][1], right = c[0][1];
  const Double midLat = (top + bottom) / 2, midLon = (left + right) / 2;
  for (const auto& [lat, lon, inside] :
       {std::tuple{top, midLon, true},
        {bottom, midLon, true},
        {midLat, left, true},
        {midLat, right, true},
        {top + 1e-9, midLon, false},
        {midLat, right + 1e-9, false},
        {35.0, -100.0, false}})  // the old position of the south-west corner
    EXPECT_EQ(file->inBounds(lat, lon), inside) << lat << ", " << lon;
}

TEST_F(SourceFileDatumChange, UnevenShiftTurnsTheRectangleIntoAPolygon) {
  const auto corner = open(50, 30, -120, -80, kOtherDatum);
  ASSERT_NE(std::round(corner[0][0] * 10000), std::round(corner[1][0] * 10000));
  file->setCurrentDatum(kOtherDatum);
  // Either side of the middle of the north edge: a rectangle would take both.
  const Double midLat = (corner[0][0] + corner[1][0]) / 2,
               midLon = (corner[0][1] + corner[1][1]) / 2;
  EXPECT_TRUE(file->inBounds(midLat - 1e-6, midLon));
  EXPECT_FALSE(file->inBounds(midLat + 1e-6, midLon));
  for (const auto& c : corner)  // the vertices are on the ring
    EXPECT_TRUE(file->inBounds(c[0], c[1]));
  EXPECT_EQ(file->metrics().bounds.northLat, std::max(corner[0][0], corner[1][0]));
}

}  // namespace
}  // namespace tg
