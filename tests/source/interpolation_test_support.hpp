// Grid scripts over 0..2 degrees at 0.5 whose read code computes z from "x" and "y".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "program/assembler.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"

namespace tg::test {

// Read code: z = 2x + 3y.
inline constexpr const char* kLinearRead =
    "dp_read:\n cast_double register\n load p_x\n multiply 2\n store t1\n load p_y\n"
    " multiply 3\n add t1\n store p_return\n stop\n";

// Read code: z = x*x + 2xy - y*y + 10, a quadratic surface.
inline constexpr const char* kQuadraticRead =
    "dp_read:\n cast_double register\n load p_x\n multiply p_x\n store t1\n load p_x\n"
    " multiply p_y\n multiply 2\n add t1\n store t1\n load p_y\n multiply p_y\n store t2\n"
    " load t1\n subtract t2\n add 10\n store p_return\n stop\n";

inline double linearSurface(double x, double y) {
  return 2 * x + 3 * y;
}
inline double quadraticSurface(double x, double y) {
  return x * x + 2 * x * y - y * y + 10;
}

// One attribute: its name and the literal its read code returns ("0.5", "14", "\"abc\"").
using AttributeValues = std::vector<std::pair<std::string, std::string>>;

// The latitude/longitude grid of the tests.
inline AttributeValues latLonGrid() {
  return {{"top_lat", "2"},   {"bottom_lat", "0"}, {"left_lon", "0"},
          {"right_lon", "2"}, {"xres", "0.5"},     {"yres", "0.5"}};
}

inline constexpr const char* kLatLonProperties =
    ".property gridtype \"latlon\"\n.property boundsmode \"latlonbounding\"\n";

class GridScriptTest : public ::testing::Test {
 protected:
  SettingsSandbox sandbox;
  std::shared_ptr<TessaglyphMachine> machine;

  // Prepares the script into `machine`: datapoint read at dp_read, written at dp_write if given.
  void load(const std::string& properties, const AttributeValues& attributes,
            const std::string& readCode = kLinearRead, const std::string& extra = {},
            const std::string& datapointType = "double") {
    std::string source = properties;
    source += ".property datum \"nad83\"\n.var t1 double\n.var t2 double\n";
    source += ".routine init main\n";
    source += ".attribute datapoint datapoint " + datapointType + " read dp_read";
    if (extra.find("dp_write:") != std::string::npos) source += " write dp_write";
    source += "\n";
    std::string code = "main:\n    stop\n" + readCode + extra;
    for (const auto& [name, value] : attributes) {
      source += ".attribute " + name + " var double read a_" + name + "\n";
      const bool text = !value.empty() && value.front() == '"';
      code += "a_" + name + ":\n    cast_" + (text ? "ascii" : "double") + " register\n    cast_" +
              (text ? "ascii" : "double") + " p_return\n    load " + value +
              "\n    store p_return\n    stop\n";
    }
    TessaglyphProgram program = assembleProgram(source + code, "grid.tgs");
    program.prepareMachine(machine);
    machine->setCurrentDatum("NAD83");
  }

  void loadLatLonGrid(const std::string& readCode = kLinearRead, const std::string& extra = {}) {
    load(kLatLonProperties, latLonGrid(), readCode, extra);
  }

  // The value of a script variable, as text.
  std::string variable(const std::string& name) {
    for (Integer a = 0; a < machine->dataMemory(); ++a)
      if (machine->variableNames(a) == name) return machine->Memory(a);
    ADD_FAILURE() << "no variable " << name;
    return {};
  }

  // A read at native (x, y): the grid is on the datum the positions are asked in.
  Single read(TG_M_INTERPOLATIONMODES mode, double x, double y) {
    machine->setInterpolationMode(mode);
    return machine->datapoint_read(x, y);
  }
};

}  // namespace tg::test
