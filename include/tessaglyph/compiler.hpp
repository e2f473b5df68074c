// The syntax check a host script editor asks for, and the record of one syntax error or warning.
// Script source becomes a program through the library's assembler, which is internal (the
// tgasm tool drives it) and reports its errors its own way; this entry point makes no check of
// its own and always answers with nothing to report. The record's setters belong to the
// library: a host only reads it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

class SyntaxErrorBuilder;

// One syntax error or warning in script source. A new record holds zeros, false and empty texts.
class TessaglyphSyntaxError {
 public:
  Integer number() const noexcept { return m_number; }
  // Short name of the error.
  const std::string& name() const noexcept { return m_name; }
  const std::string& description() const noexcept { return m_description; }
  // The error may come from code that is still being typed.
  Boolean potentiallyIncompleteCode() const noexcept { return m_potentiallyIncompleteCode; }
  Boolean isWarning() const noexcept { return m_isWarning; }
  // Source line, first column and length of the offending text.
  Integer lineNumber() const noexcept { return m_lineNumber; }
  Integer startCol() const noexcept { return m_startCol; }
  Integer length() const noexcept { return m_length; }
  // A suggested fix.
  const std::string& fixInfo() const noexcept { return m_fixInfo; }

 private:
  friend class SyntaxErrorBuilder;

  void setNumber(Integer value) noexcept { m_number = value; }
  void setName(std::string value) noexcept { m_name = std::move(value); }
  void setDescription(std::string value) noexcept { m_description = std::move(value); }
  void setPotentiallyIncompleteCode(Boolean value) noexcept { m_potentiallyIncompleteCode = value; }
  void setIsWarning(Boolean value) noexcept { m_isWarning = value; }
  void setLineNumber(Integer value) noexcept { m_lineNumber = value; }
  void setStartCol(Integer value) noexcept { m_startCol = value; }
  void setLength(Integer value) noexcept { m_length = value; }
  void setFixInfo(std::string value) noexcept { m_fixInfo = std::move(value); }

  Integer m_number = 0;
  std::string m_name;
  std::string m_description;
  Boolean m_potentiallyIncompleteCode = false;
  Boolean m_isWarning = false;
  Integer m_lineNumber = 0;
  Integer m_startCol = 0;
  Integer m_length = 0;
  std::string m_fixInfo;
};

// What a syntax check reports when it has something to say: the errors and warnings found, in
// source order.
using TessaglyphSyntaxErrors = std::vector<std::shared_ptr<TessaglyphSyntaxError>>;

class TessaglyphCompiler {
 public:
  // The editor's syntax check: always empty. Neither argument is read and nothing is raised;
  // the assembler's own errors do not pass through here.
  std::optional<TessaglyphSyntaxErrors> checkSyntax(
      const std::string& scriptCode,
      std::optional<Boolean> ignoreWarnings = std::nullopt) const noexcept;
};

}  // namespace tg
