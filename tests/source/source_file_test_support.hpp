// A data file and a script: INIT, VALID, TERMINATE, read lon * 1000 + lat (fails north of 80).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "source/scripted_user_interface.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg::test {

struct ScriptSpec {
  std::string datum = "NAD27";                    // the script's "datum" property
  std::string properties;                         // extra .property lines
  std::map<std::string, std::string> attributes;  // name -> the text its read code answers
  std::string validAnswer;                        // a VALID routine answering this; empty: none
  bool writable = false;                          // a DATAPOINT_WRITE routine

  ScriptSpec& withDatum(std::string v) { return set(datum, std::move(v)); }
  ScriptSpec& withProperties(std::string v) { return set(properties, std::move(v)); }
  ScriptSpec& withAttributes(std::map<std::string, std::string> v) {
    attributes = std::move(v);
    return *this;
  }
  ScriptSpec& withValid(std::string v) { return set(validAnswer, std::move(v)); }
  ScriptSpec& withWrite() { return writable = true, *this; }
  ScriptSpec& set(std::string& field, std::string v) { return field = std::move(v), *this; }
};

inline std::string scriptSource(const ScriptSpec& spec) {
  // Without a word on it, the extent is a latitude/longitude rectangle.
  const std::string boundsMode = spec.properties.find("boundsmode") == std::string::npos
                                     ? ".property boundsmode \"latlonbounding\"\n"
                                     : "";
  std::string s = ".property datum \"" + spec.datum + "\"\n" + boundsMode + spec.properties +
                  "\n.routine init init\n.routine datapoint_read dp_read\n"
                  ".routine terminate terminate\n"
                  ".var inits integer\n.var terms integer\n.var written double\n";
  if (spec.writable) s += ".routine datapoint_write dp_write\n";
  if (!spec.validAnswer.empty()) s += ".routine valid valid\n";
  s += ".attribute datapoint datapoint single read dp_read";
  s += spec.writable ? " write dp_write\n" : "\n";
  std::string code;
  for (const auto& [name, value] : spec.attributes) {
    s += ".attribute " + name + " var ascii 32 read a_" + name + "\n";
    code += "a_" + name + ":\n cast_ascii register\n load \"" + value +
            "\"\n cast_ascii p_return\n store p_return\n stop\n";
  }
  s += "init:\n"
       "\n cast_int4 register\n load inits\n add 1\n store inits\n stop\n";
  s += "terminate:\n load terms\n add 1\n store terms\n stop\n";
  s += "dp_read:\n cast_double register\n load p_x\n multiply 1000\n add p_y\n store p_return\n"
       " load p_y\n greaterthan 80\n branch_true dp_fail\n stop\n"
       "dp_fail:\n cast_double register\n load 1\n divide 0\n stop\n";
  s += "dp_write:\n load p_value\n store written\n stop\n";
  if (!spec.validAnswer.empty()) {
    s += "valid:\n cast_ascii register\n load \"" + spec.validAnswer + "\"\n stop\n";
  }
  return s + code;
}

// Attributes from "name=text name=text ...".
inline std::map<std::string, std::string> attributesOf(const std::string& pairs) {
  std::map<std::string, std::string> attributes;
  std::istringstream in(pairs);
  for (std::string pair; in >> pair;)
    attributes[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
  return attributes;
}

// The attributes of a "latlonbounding" script over 35..36 N, 100..99 W.
inline std::map<std::string, std::string> latLonBounds() {
  return {{"top_lat", "36"},    {"bottom_lat", "35"}, {"left_lon", "-100"},
          {"right_lon", "-99"}, {"xres", "30"},       {"yres", "40"}};
}

class SourceFileTest : public ::testing::Test {
 protected:
  TemporaryHome home;
  ScriptedUserInterface ui;
  std::vector<std::string> log;

  std::string dataPath(const std::string& name = "grid.dat") const {
    return home.root() + "data/" + name;
  }
  void writeData(const std::string& name = "grid.dat") const {
    home.writeFile("data/" + name, "data");
  }

  std::shared_ptr<TessaglyphMachine> machineFor(const ScriptSpec& spec) {
    TessaglyphProgram program = assembleProgram(scriptSource(spec), "file.tgs");
    auto machine = std::make_shared<TessaglyphMachine>();
    program.prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
    return machine;
  }
  // A closed file of the script on the data file (written first).
  std::shared_ptr<TessaglyphFile> makeFile(const ScriptSpec& spec,
                                           const std::string& name = "grid.dat") {
    writeData(name);
    auto file = std::make_shared<TessaglyphFile>();
    file->setMachine(machineFor(spec));
    file->setFilename(dataPath(name));
    file->setLogSink([this](const std::string& line) { log.push_back(line); });
    return file;
  }
  std::shared_ptr<TessaglyphFile> openFile(const ScriptSpec& spec,
                                           const std::string& name = "grid.dat") {
    auto file = makeFile(spec, name);
    file->openSource();
    return file;
  }

  static std::string variable(TessaglyphMachine& machine, const std::string& name) {
    for (Integer a = 0; a < machine.dataMemory(); ++a) {
      if (machine.variableNames(a) == name) return machine.Memory(a);
    }
    ADD_FAILURE() << "no variable " << name;
    return {};
  }
};

}  // namespace tg::test
