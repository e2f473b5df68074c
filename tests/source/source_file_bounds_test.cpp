#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

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

std::map<std::string, std::string> cornerBounds() {
  // A quadrilateral with no side along a parallel or meridian.
  return {{"nw_lat", "36"},   {"nw_lon", "-100"},  {"ne_lat", "36.5"}, {"ne_lon", "-99"},
          {"se_lat", "35.5"}, {"se_lon", "-98.5"}, {"sw_lat", "35"},   {"sw_lon", "-99.5"},
          {"xres", "90"},     {"yres", "90"}};
}

std::map<std::string, std::string> utmBounds(const std::string& left) {
  return {{"left_utm", left},     {"right_utm", "510000"},
          {"top_utm", "4000000"}, {"bottom_utm", "3990000"},
          {"utmzone", "14"},      {"xres", "30"},
          {"yres", "30"}};
}

TEST_F(SourceFileBounds, RectangleEdgesAreInside) {
  auto file = openFile(test::ScriptSpec()
                           .withProperties(".property boundsmode \"latlonbounding\"\n")
                           .withAttributes(test::latLonBounds()));
  const struct {
    Double lat, lon;
    bool inside;
  } cases[] = {{35.5, -99.5, true},       {36, -100, true},           {35, -99, true},
               {36, -99.5, true},         {35.5, -100, true},         {36.000001, -99.5, false},
               {34.999999, -99.5, false}, {35.5, -100.000001, false}, {35.5, -98.999999, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(file->inBounds(c.lat, c.lon), c.inside) << c.lat << ", " << c.lon;
  }
}

TEST_F(SourceFileBounds, CornerPointsMakeAPolygonWhoseEdgesAreInside) {
  auto file = openFile(test::ScriptSpec()
                           .withProperties(".property boundsmode \"4point\"\n")
                           .withAttributes(cornerBounds()));
  const struct {
    Double lat, lon;
    bool inside;
  } cases[] = {{35.75, -99.25, true},  {36, -100, true},     {36.25, -99.5, true},
               {35.25, -99.625, true}, {36.4, -99.9, false}, {35.1, -98.6, false},
               {35.75, -100.1, false}, {36.5, -99, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(file->inBounds(c.lat, c.lon), c.inside) << c.lat << ", " << c.lon;
  }
}

// UTM bounds are whole metres, halves going to the even metre: a west edge of 500000.5 lies on
// 500000 and one of 500001.5 on 500002.
TEST_F(SourceFileBounds, UtmEdgesRoundHalvesToEven) {
  const struct {
    const char* left;
    Double insideEasting, outsideEasting;
  } cases[] = {{"500000.5", 500000.25, 499999.75}, {"500001.5", 500002.25, 500001.75}};
  for (const auto& c : cases) {
    auto file = openFile(test::ScriptSpec()
                             .withProperties(".property boundsmode \"utmbounding\"\n")
                             .withAttributes(utmBounds(c.left)));
    Double lat = 0, lon = 0;
    utmToLatLon(14, c.insideEasting, 3995000, lat, lon);
    EXPECT_TRUE(file->inBounds(lat, lon)) << c.left;
    utmToLatLon(14, c.outsideEasting, 3995000, lat, lon);
    EXPECT_FALSE(file->inBounds(lat, lon)) << c.left;
    // On the central meridian the west edge is the meridian itself, and an edge is inside.
    if (c.left == std::string("500000.5")) {
      utmToLatLon(14, 500000, 3995000, lat, lon);
      EXPECT_EQ(lon, -99);
      EXPECT_TRUE(file->inBounds(lat, lon));
    }
  }
}

TEST_F(SourceFileBounds, MetricsInEachBoundsMode) {
  auto latLon = openFile(test::ScriptSpec()
                             .withProperties(".property boundsmode \"latlonbounding\"\n")
                             .withAttributes(test::latLonBounds()));
  EXPECT_EQ(latLon->metrics().datum, "NAD27");
  EXPECT_EQ(latLon->metrics().bounds.northLat, 36);
  EXPECT_EQ(latLon->metrics().bounds.southLat, 35);
  EXPECT_EQ(latLon->metrics().bounds.westLon, -100);
  EXPECT_EQ(latLon->metrics().bounds.eastLon, -99);
  EXPECT_EQ(latLon->metrics().xResolution, 30);
  EXPECT_EQ(latLon->metrics().yResolution, 40);

  // Any mode other than the two named ones gives the extent as four corner points.
  auto corners = openFile(test::ScriptSpec()
                              .withProperties(".property boundsmode \"byCorners\"\n")
                              .withAttributes(cornerBounds()),
                          "c.dat");
  EXPECT_EQ(corners->metrics().bounds.northLat, 36.5);
  EXPECT_EQ(corners->metrics().bounds.southLat, 35);
  EXPECT_EQ(corners->metrics().bounds.westLon, -100);
  EXPECT_EQ(corners->metrics().bounds.eastLon, -98.5);

  auto utm = openFile(test::ScriptSpec()
                          .withProperties(".property boundsmode \"utmbounding\"\n")
                          .withAttributes(utmBounds("500000")),
                      "u.dat");
  Double nwLat, nwLon, neLat, neLon, seLat, seLon, swLat, swLon;
  utmToLatLon(14, 500000, 4000000, nwLat, nwLon);
  utmToLatLon(14, 510000, 4000000, neLat, neLon);
  utmToLatLon(14, 510000, 3990000, seLat, seLon);
  utmToLatLon(14, 500000, 3990000, swLat, swLon);
  const TG_BOUNDS& b = utm->metrics().bounds;
  EXPECT_DOUBLE_EQ(b.northLat, std::max(nwLat, neLat));
  EXPECT_DOUBLE_EQ(b.southLat, std::min(swLat, seLat));
  EXPECT_DOUBLE_EQ(b.westLon, std::min(swLon, nwLon));
  EXPECT_DOUBLE_EQ(b.eastLon, std::max(neLon, seLon));
  EXPECT_NEAR(b.westLon, -99, 1e-12);
}

TEST_F(SourceFileBounds, LatLonResolutionBecomesMetresAtTheMiddleLatitude) {
  auto file = openFile(test::ScriptSpec()
                           .withProperties(".property boundsmode \"latlonbounding\"\n"
                                           ".property resspec \"latlon\"\n")
                           .withAttributes({{"top_lat", "45.5"},
                                            {"bottom_lat", "44.5"},
                                            {"left_lon", "-100"},
                                            {"right_lon", "-99"},
                                            {"xres", "0.01"},
                                            {"yres", "-0.02"}}));
  EXPECT_NEAR(file->metrics().xResolution, 788.32507, 1e-4);
  EXPECT_NEAR(file->metrics().yResolution, 2222.16, 1e-4);
}

TEST_F(SourceFileBounds, MetricsWithoutATargetKeepTheScriptDatum) {
  auto file = makeFile(test::ScriptSpec()
                           .withProperties(".property boundsmode \"latlonbounding\"\n")
                           .withAttributes(test::latLonBounds()));
  file->machine()->setCurrentDatum("");
  file->openSource();
  EXPECT_EQ(file->metrics().datum, "nad27");
  EXPECT_EQ(file->metrics().bounds.northLat, 36);
}

TEST_F(SourceFileBounds, MissingAttributeOrBadValueIsAClearError) {
  auto attributes = test::latLonBounds();
  attributes.erase("top_lat");
  auto file = makeFile(test::ScriptSpec()
                           .withProperties(".property boundsmode \"latlonbounding\"\n")
                           .withAttributes(attributes));
  EXPECT_TRUE(raises([&] { file->openSource(); }, 11010,
                     "The top_lat attribute must be defined when the \"boundsmode\" property is "
                     "\"latlonbounding\""));

  attributes = test::latLonBounds();
  attributes.erase("yres");
  auto noResolution = makeFile(test::ScriptSpec()
                                   .withProperties(".property boundsmode \"latlonbounding\"\n")
                                   .withAttributes(attributes),
                               "r.dat");
  EXPECT_TRUE(raises([&] { noResolution->openSource(); }, 11010,
                     "The yres attribute must be defined to give the file's resolution"));

  attributes = test::latLonBounds();
  attributes["left_lon"] = "west";
  auto notANumber = makeFile(test::ScriptSpec()
                                 .withProperties(".property boundsmode \"latlonbounding\"\n")
                                 .withAttributes(attributes),
                             "n.dat");
  EXPECT_EQ(test::errorNumber([&] { notANumber->openSource(); }), 13);
}

// ---- A datum change -------------------------------------------------------------------------
// Coordinate systems the library reads from their definitions, each a large datum shift from
// WGS84: over a small rectangle the corners move together (square to 4 decimals), over a large
// one they move apart.

constexpr const char* kNearbyDatum =
    "+proj=longlat +ellps=WGS84 +towgs84=1000,2000,3000,0,0,0,0 +type=crs";
constexpr const char* kOtherDatum =
    "+proj=longlat +ellps=clrk66 +towgs84=1000,2000,3000,0,0,0,0 +type=crs";

class SourceFileDatumChange : public test::SourceFileTest {
 protected:
  void SetUp() override {
    for (const char* target : {kNearbyDatum, kOtherDatum}) {
      Double lat = 0, lon = 0;
      Integer status = -1;
      convertDatum(35, -100, "EPSG:4326", lat, lon, target, status);
      if (status != 0 || std::abs(lat - 35) < 0.01) {
        GTEST_SKIP() << "the coordinate-system library cannot convert test systems";
      }
    }
  }
  // The four corners north-east, north-west, south-west, south-east moved to `datum`.
  static std::array<std::array<Double, 2>, 4> moved(Double top, Double bottom, Double left,
                                                    Double right, const char* datum) {
    std::array<std::array<Double, 2>, 4> corners{
        {{top, right}, {top, left}, {bottom, left}, {bottom, right}}};
    for (auto& c : corners) {
      Integer status = -1;
      convertDatum(c[0], c[1], "epsg:4326", c[0], c[1], datum, status);
      EXPECT_EQ(status, 0);
    }
    return corners;
  }
};

TEST_F(SourceFileDatumChange, SmallShiftKeepsTheRectangleAndMovesIt) {
  auto file = openFile(test::ScriptSpec()
                           .withDatum("EPSG:4326")
                           .withAttributes({{"top_lat", "35.01"},
                                            {"bottom_lat", "35"},
                                            {"left_lon", "-100"},
                                            {"right_lon", "-99.99"},
                                            {"xres", "30"},
                                            {"yres", "30"}}));
  file->setCurrentDatum("EPSG:4326");
  EXPECT_TRUE(file->inBounds(35.005, -99.995));

  const auto c = moved(35.01, 35, -100, -99.99, kNearbyDatum);
  file->setCurrentDatum(kNearbyDatum);
  EXPECT_EQ(file->metrics().datum, kNearbyDatum);
  EXPECT_EQ(file->metrics().bounds.northLat, std::max(c[0][0], c[1][0]));
  EXPECT_EQ(file->metrics().bounds.westLon, std::min(c[1][1], c[2][1]));
  // The rectangle runs from the north-east latitude to the south-west one and from the
  // north-west longitude to the north-east one, edges included.
  const Double top = c[0][0], bottom = c[2][0], left = c[1][1], right = c[0][1];
  const Double middleLat = (top + bottom) / 2, middleLon = (left + right) / 2;
  EXPECT_TRUE(file->inBounds(top, middleLon));
  EXPECT_TRUE(file->inBounds(bottom, middleLon));
  EXPECT_TRUE(file->inBounds(middleLat, left));
  EXPECT_TRUE(file->inBounds(middleLat, right));
  EXPECT_FALSE(file->inBounds(top + 1e-9, middleLon));
  EXPECT_FALSE(file->inBounds(middleLat, right + 1e-9));
  // The old position of the south-west corner is well outside now.
  EXPECT_FALSE(file->inBounds(35, -100));
}

TEST_F(SourceFileDatumChange, UnevenShiftTurnsTheRectangleIntoAPolygon) {
  auto file = openFile(test::ScriptSpec()
                           .withDatum("EPSG:4326")
                           .withProperties(".property boundsmode \"latlonbounding\"\n")
                           .withAttributes({{"top_lat", "50"},
                                            {"bottom_lat", "30"},
                                            {"left_lon", "-120"},
                                            {"right_lon", "-80"},
                                            {"xres", "30"},
                                            {"yres", "30"}}));
  const auto corner = moved(50, 30, -120, -80, kOtherDatum);
  ASSERT_NE(std::round(corner[0][0] * 10000), std::round(corner[1][0] * 10000));
  file->setCurrentDatum(kOtherDatum);
  // Just below and just above the middle of the converted north edge: a rectangle through the
  // north-east corner would take both.
  const Double middleLat = (corner[0][0] + corner[1][0]) / 2;
  const Double middleLon = (corner[0][1] + corner[1][1]) / 2;
  EXPECT_TRUE(file->inBounds(middleLat - 1e-6, middleLon));
  EXPECT_FALSE(file->inBounds(middleLat + 1e-6, middleLon));
  // The vertices are on the ring.
  for (const auto& c : corner)
    EXPECT_TRUE(file->inBounds(c[0], c[1]));
  EXPECT_EQ(file->metrics().bounds.northLat, std::max(corner[0][0], corner[1][0]));
}

}  // namespace
}  // namespace tg
