// Running small assembled scripts in a machine, with a host that records and steers the
// machine's events.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "machine/machine_test_support.hpp"
#include "program/assembler.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"

namespace tg::test {

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
  std::vector<std::pair<std::string, std::string>> changes;
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
    changes.emplace_back(name, value);
    if (onDataChanged) onDataChanged();
  }
};

// Every script starts at "main:", which is the INIT routine and the datapoint's read code.
class InterpreterTest : public ::testing::Test {
 protected:
  SettingsSandbox sandbox;
  ScriptHost host;
  std::shared_ptr<TessaglyphMachine> machine;

  void load(std::string_view body, const std::string& header = {},
            TessaglyphMachine::Clock clock = {}) {
    const std::string source = header +
                               "\n.routine init main\n"
                               ".attribute datapoint datapoint integer 2 read main\n" +
                               std::string(body) + "\n";
    TessaglyphProgram program = assembleProgram(source, "test.tgs");
    machine = std::make_shared<TessaglyphMachine>(std::move(clock));
    program.prepareMachine(machine);
    machine->setEventSink(&host);
  }
  // Loads and runs from main:.
  void run(std::string_view body, const std::string& header = {}) {
    load(body, header);
    machine->runExplicit(0);
  }
  Integer address(std::string_view name) const {
    for (Integer a = 0; a < machine->dataMemory(); ++a) {
      if (machine->variableNames(a) == name) return a;
    }
    ADD_FAILURE() << "no variable " << name;
    return 0;
  }
  std::string value(std::string_view name) const { return machine->Memory(address(name)); }
  TG_M_DATATYPES type(std::string_view name) const {
    return machine->memoryDataType(address(name));
  }
};

}  // namespace tg::test
