// Running small assembled scripts in a machine whose host records and steers its events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "program/assembler.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"

namespace tg::test {

// A script written on one line: '|' stands for a line break.
inline std::string lines(std::string_view text) {
  std::string script(text);
  std::ranges::replace(script, '|', '\n');
  return script;
}

struct ReportedError {
  Long number = 0;
  std::string description;
  Integer instruction = -1;
  Integer line = -1;
};

// Records the events; answers executionError with `continueErrors` and runs the hooks.
class ScriptHost : public TessaglyphMachineEvents {
 public:
  bool continueErrors = false;
  std::vector<ReportedError> errors;
  std::string changes;  // "name=value " for each dataChanged
  std::function<void()> onDataChanged;

  void executionError(Long number, const std::string& description, Boolean& continue_) override {
    errors.push_back({number, description});
    continue_ = continueErrors;
  }
  void executionErrorExt(Long number, const std::string& description, Integer instrNum,
                         Integer lineNum, Boolean& continue_) override {
    ReportedError& last = errors.back();
    EXPECT_EQ(last.number, number);
    EXPECT_EQ(last.description, description);
    EXPECT_EQ(continue_, continueErrors);  // the flag set in the first event comes through
    last.instruction = instrNum;
    last.line = lineNum;
  }
  void dataChanged(const std::string& name, const std::string& value) override {
    changes += name + "=" + value + " ";
    if (onDataChanged) onDataChanged();
  }
};

// Every script starts at "main:", which is the INIT routine and the datapoint's read code.
class InterpreterTest : public ::testing::Test {
 protected:
  SettingsSandbox sandbox;
  ScriptHost host;
  std::shared_ptr<TessaglyphMachine> machine;
  bool errorNumbersOnly = false;  // left() shows "!number" without the description

  void load(std::string_view body, const std::string& header = {},
            TessaglyphMachine::Clock clock = {}) {
    const std::string source = header +
                               "\n.routine init main\n"
                               ".attribute datapoint datapoint integer 2 read main\n" +
                               std::string(body) + "\n";
    machine = std::make_shared<TessaglyphMachine>(std::move(clock));
    assembleProgram(source, "test.tgs").prepareMachine(machine);
    machine->setEventSink(&host);
  }
  Integer address(std::string_view name) const {
    for (Integer a = 0; a < machine->dataMemory(); ++a)
      if (machine->variableNames(a) == name) return a;
    ADD_FAILURE() << "no variable " << name;
    return 0;
  }
  std::string value(std::string_view name) const { return machine->Memory(address(name)); }
  // "I:5" for a variable, "register" or "mem7"; "files" open files, "mex" the MEX handle.
  virtual std::string shown(const std::string& name) const {
    if (name == "files") return std::to_string(machine->numOpenFiles());
    if (name == "mex") return std::to_string(machine->mexFile());
    const Integer at = name == "register"        ? 0
                       : name.starts_with("mem") ? Integer(std::stoi(name.substr(3)))
                                                 : address(name);
    return std::string(1, "BILSDT"[machine->memoryDataType(at)]) + ":" + machine->Memory(at);
  }
  // "name=shown" for each name `expected` mentions, then "!number description" per error.
  std::string left(const std::string& expected) const {
    std::string text;
    static const std::regex name("(^| )([a-z_0-9]+)=");
    const std::string cells = expected.substr(0, expected.find('!'));
    for (std::sregex_iterator it(cells.begin(), cells.end(), name), end; it != end; ++it)
      text += (text.empty() ? "" : " ") + (*it)[2].str() + "=" + shown((*it)[2].str());
    for (const ReportedError& error : host.errors)
      text += (text.empty() ? "!" : " !") + std::to_string(error.number) +
              (errorNumbersOnly ? "" : " " + error.description);
    return text;
  }
};

}  // namespace tg::test
