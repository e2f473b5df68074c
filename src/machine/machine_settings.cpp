// The machine's host settings and the sizes of what it holds.
#include <utility>

#include "machine/machine_core.hpp"
#include "tessaglyph/machine.hpp"

namespace tg {

void TessaglyphMachine::setEventSink(TessaglyphMachineEvents* sink) noexcept {
  m_core->eventSink = sink;
}

TessaglyphMachineEvents* TessaglyphMachine::eventSink() const noexcept {
  return m_core->eventSink;
}

const std::shared_ptr<MethodCounter>& TessaglyphMachine::methodProfiler() const noexcept {
  return m_core->profiler;
}

void TessaglyphMachine::setMethodProfiler(std::shared_ptr<MethodCounter> profiler) noexcept {
  m_core->profiler = std::move(profiler);
}

Integer TessaglyphMachine::mexFile() const noexcept {
  return m_core->mexFile;
}

const std::string& TessaglyphMachine::currentDatum() const noexcept {
  return m_core->currentDatum;
}

void TessaglyphMachine::setCurrentDatum(std::string value) {
  m_core->currentDatum = std::move(value);
  m_core->nativeIsPosition = false;
}

const std::string& TessaglyphMachine::scriptFilename() const noexcept {
  return m_core->scriptFilename;
}

TG_M_DATALOCK TessaglyphMachine::dataLock() const noexcept {
  return m_core->dataLock;
}

void TessaglyphMachine::setDataLock(TG_M_DATALOCK value) noexcept {
  m_core->dataLock = value;
}

Boolean TessaglyphMachine::enableDebug() const noexcept {
  return m_core->enableDebug;
}

void TessaglyphMachine::setEnableDebug(Boolean value) noexcept {
  m_core->enableDebug = value;
}

Boolean TessaglyphMachine::break_() const noexcept {
  return m_core->breakSet;
}

void TessaglyphMachine::setBreak(Boolean value) noexcept {
  m_core->breakSet = value;
}

TG_M_RUNMETHODS TessaglyphMachine::runMethod() const noexcept {
  return m_core->runMethod;
}

void TessaglyphMachine::setRunMethod(TG_M_RUNMETHODS value) noexcept {
  m_core->runMethod = value;
}

TG_M_APPLYRUNMETHODCONSTANTS TessaglyphMachine::applyRunMethod() const noexcept {
  return m_core->applyRunMethod;
}

void TessaglyphMachine::setApplyRunMethod(TG_M_APPLYRUNMETHODCONSTANTS value) noexcept {
  m_core->applyRunMethod = value;
}

Boolean TessaglyphMachine::errorEventEnabled() const noexcept {
  return m_core->errorEventEnabled;
}

void TessaglyphMachine::setErrorEventEnabled(Boolean value) noexcept {
  m_core->errorEventEnabled = value;
}

TG_M_MESSAGEBOXMODES TessaglyphMachine::messageBoxMode() const noexcept {
  return m_core->messageBoxMode;
}

void TessaglyphMachine::setMessageBoxMode(TG_M_MESSAGEBOXMODES value) noexcept {
  m_core->messageBoxMode = value;
}

TG_M_INPUTBOXMODES TessaglyphMachine::inputBoxMode() const noexcept {
  return m_core->inputBoxMode;
}

void TessaglyphMachine::setInputBoxMode(TG_M_INPUTBOXMODES value) noexcept {
  m_core->inputBoxMode = value;
}

Integer TessaglyphMachine::numProperties() const noexcept {
  return Integer(m_core->properties.size());
}

Integer TessaglyphMachine::numAttributes() const noexcept {
  return Integer(m_core->attributes.size());
}

Integer TessaglyphMachine::numInstructions() const noexcept {
  return Integer(m_core->instructions.size());
}

Integer TessaglyphMachine::dataMemory() const noexcept {
  return Integer(m_core->names.size());
}

Integer TessaglyphMachine::numOpenFiles() const noexcept {
  return Integer(m_core->openFileNames.size());
}

void TessaglyphMachine::cancelExecution() noexcept {
  m_core->cancel = true;
}

Boolean TessaglyphMachine::enableMEX() const noexcept {
  return m_core->mex != nullptr;
}

const std::shared_ptr<TessaglyphMEX>& TessaglyphMachine::mex() const noexcept {
  return m_core->mex;
}

}  // namespace tg
