// How library code fills a syntax-error record, whose setters hosts cannot reach.
#pragma once

#include <memory>
#include <string>

#include "tessaglyph/compiler.hpp"

namespace tg {

// Fills one new record; the setters run in the record's interface order.
class SyntaxErrorBuilder {
 public:
  SyntaxErrorBuilder() : m_error(std::make_shared<TessaglyphSyntaxError>()) {}

  SyntaxErrorBuilder& number(Integer value) {
    m_error->setNumber(value);
    return *this;
  }
  SyntaxErrorBuilder& name(std::string value) {
    m_error->setName(std::move(value));
    return *this;
  }
  SyntaxErrorBuilder& description(std::string value) {
    m_error->setDescription(std::move(value));
    return *this;
  }
  SyntaxErrorBuilder& potentiallyIncompleteCode(Boolean value) {
    m_error->setPotentiallyIncompleteCode(value);
    return *this;
  }
  SyntaxErrorBuilder& isWarning(Boolean value) {
    m_error->setIsWarning(value);
    return *this;
  }
  SyntaxErrorBuilder& lineNumber(Integer value) {
    m_error->setLineNumber(value);
    return *this;
  }
  SyntaxErrorBuilder& startCol(Integer value) {
    m_error->setStartCol(value);
    return *this;
  }
  SyntaxErrorBuilder& length(Integer value) {
    m_error->setLength(value);
    return *this;
  }
  SyntaxErrorBuilder& fixInfo(std::string value) {
    m_error->setFixInfo(std::move(value));
    return *this;
  }

  // The record as filled so far; later setter calls keep changing the same record.
  std::shared_ptr<TessaglyphSyntaxError> record() const { return m_error; }

 private:
  std::shared_ptr<TessaglyphSyntaxError> m_error;
};

}  // namespace tg
