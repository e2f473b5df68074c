// One compiled script program held in memory: its script properties, routines, attributes,
// literals, instructions and variable memory, with the symbolic names and debugging information
// an editor or compiler needs to build and change a program piece by piece.
//
// In memory every reference from one part of the program to another is symbolic: an operand
// names a variable ("v_a"), a literal ("l_a"), a tagged instruction ("c_a"), the register
// ("register") or a predefined variable ("p_x"); a routine or attribute location names a tagged
// instruction. Instructions can be inserted and removed without renumbering anything. Numbers
// only appear in the program file and in the machine: resolveSymbolicData turns names into
// numbers, createSymbolicData turns numbers back into names.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/types.hpp"
#include "tessaglyph/vocabulary.hpp"

namespace tg {

class TessaglyphMachine;

enum TG_P_ATTRIBUTETYPES : std::int32_t {
  TG_P_AT_VAR = 1,
  TG_P_AT_REPEATINGVAR = 2,
  TG_P_AT_DATAPOINT = 3,
};

enum TG_P_DATATYPES : std::int32_t {
  TG_P_DT_DEFAULTASCII = 0,  // "not set" for a variable; behaves as text
  TG_P_DT_UNSIGNEDINTEGER = 1,
  TG_P_DT_INTEGER = 2,
  TG_P_DT_SINGLE = 3,
  TG_P_DT_DOUBLE = 4,
  TG_P_DT_ASCII = 5,
  TG_P_DT_DELIMITEDASCII = 6,
};

// Where an operand points, and the form it has in memory.
enum TG_P_DATASEGMENTS : std::int32_t {
  TG_P_DS_DATA = 0,          // a variable name "v_..."; resolves to the 0-based variable number
  TG_P_DS_INSTRUCTION = 1,   // a tag name "c_..."; resolves to the 0-based instruction address
  TG_P_DS_CONSTANT = 2,      // a literal name "l_..."; resolves to the 0-based literal number
  TG_P_DS_PREDEFINED = 3,    // "register" or "p_" + a predefined variable name; resolves to 0..15
  TG_P_DS_EXPLICIT = 4,      // decimal digits: a machine data address
  TG_P_DS_EXPLICITCODE = 5,  // decimal digits: an instruction address
};

enum TG_P_ERRORS : std::int32_t {
  TG_P_E_ERRORBASE = 10000,
  TG_P_E_INVALIDDATAERROR = 10001,
  TG_P_E_NOTPROGRAMDATAERROR = 10002,
  TG_P_E_NOSUCHPROPERTYERROR = 10003,
  TG_P_E_NOSUCHATTRIBUTEERROR = 10004,
  TG_P_E_NOSUCHROUTINEERROR = 10005,
  TG_P_E_NOSUCHLITERALERROR = 10006,
  TG_P_E_NOSUCHTAGERROR = 10007,
  TG_P_E_INVALIDLINENUMBERERROR = 10008,  // declared, never raised
  TG_P_E_NOSUCHVARIABLEERROR = 10009,
  TG_P_E_CANNOTSETVALUEERROR = 10010,
  TG_P_E_CANNOTWRITEPROGRAMERROR = 10011,
  TG_P_E_PROPERTYEXISTSERROR = 10012,
  TG_P_E_ROUTINEEXISTSERROR = 10013,
  TG_P_E_ATTRIBUTEEXISTSERROR = 10014,
  TG_P_E_CANNOTREMOVEERROR = 10015,
  TG_P_E_INSTRUCTIONALREADYTAGGEDERROR = 10016,
  TG_P_E_DATAPOINTREQUIREDERROR = 10017,
};

// The program's longer operations, as they appear in the procedure trace.
enum TG_P_PROCNUMBERS : std::int32_t {
  TG_P_PN_READPROGRAM = 10000,
  TG_P_PN_WRITEPROGRAM = 10001,
  TG_P_PN_ADDSCRIPTPROPERTY = 10002,
  TG_P_PN_REMOVESCRIPTPROPERTY = 10003,
  TG_P_PN_ADDATTRIBUTE = 10004,
  TG_P_PN_CLEAN = 10005,
  TG_P_PN_ADDROUTINE = 10006,
  TG_P_PN_REMOVEROUTINE = 10007,
  TG_P_PN_REMOVEATTRIBUTE = 10008,
  TG_P_PN_ADDLITERAL = 10009,
  TG_P_PN_REMOVELITERAL = 10010,
  TG_P_PN_ADDINSTRUCTION = 10011,
  TG_P_PN_REMOVEINSTRUCTION = 10012,
  TG_P_PN_PREPAREMACHINE = 10013,
};

struct TG_P_PROPERTY {
  std::string propertyName;
  std::string propertyValue;

  friend bool operator==(const TG_P_PROPERTY&, const TG_P_PROPERTY&) = default;
};

struct TG_P_ROUTINE {
  std::string name;      // at most 20 characters
  std::string location;  // the tag of the routine's first instruction

  friend bool operator==(const TG_P_ROUTINE&, const TG_P_ROUTINE&) = default;
};

struct TG_P_ATTRIBUTE {
  std::string name;
  TG_P_ATTRIBUTETYPES attributeType = TG_P_AT_VAR;
  TG_P_DATATYPES dataType = TG_P_DT_DEFAULTASCII;
  Byte size = 0;
  // Bounds 1..n for delimited text; the single empty element 0 for every other data type.
  Array<std::string> delimiterList{0, {std::string()}};
  std::string readLocation;          // the tag of the attribute's read code
  std::string writeLocation = "-1";  // the tag of its write code, or "-1" for none
  std::string commentString;
  std::string tipString;

  friend bool operator==(const TG_P_ATTRIBUTE&, const TG_P_ATTRIBUTE&) = default;
};

struct TG_P_LITERAL {
  TG_P_DATATYPES dataType = TG_P_DT_DEFAULTASCII;
  Integer size = 0;
  std::string value;  // the value as text

  friend bool operator==(const TG_P_LITERAL&, const TG_P_LITERAL&) = default;
};

struct TG_P_INSTRUCTION {
  TG_M_INSTRUCTIONS instruction = TG_M_I_GOTO;
  std::string operand;
  TG_P_DATASEGMENTS dataSegment = TG_P_DS_DATA;

  friend bool operator==(const TG_P_INSTRUCTION&, const TG_P_INSTRUCTION&) = default;
};

// The program's outgoing events. Calls are synchronous, on the caller's thread.
class TessaglyphProgramEvents {
 public:
  virtual ~TessaglyphProgramEvents() = default;
  // Reading a program file had to repair an inconsistency; oldValue and newValue are the
  // decimal texts of what was corrected before and after.
  virtual void dataCorrected(const std::string& /*message*/, const std::string& /*oldValue*/,
                             const std::string& /*newValue*/) {}
};

class TessaglyphProgram {
 public:
  TessaglyphProgram();

  // The sink of the program's events; not owned (nullptr = none).
  void setEventSink(TessaglyphProgramEvents* sink) noexcept { m_eventSink = sink; }
  TessaglyphProgramEvents* eventSink() const noexcept { return m_eventSink; }

  // ---- Properties. Public lists are 1-based; a bad index raises 9 "Subscript out of range".

  const std::string& lastUsedFilename() const noexcept { return m_lastUsedFilename; }

  Integer numScriptProperties() const noexcept { return Integer(m_properties.size()); }
  Integer numRoutines() const noexcept { return Integer(m_routines.size()); }
  Integer numAttributes() const noexcept { return Integer(m_attributes.size()); }
  Integer numLiterals() const noexcept { return Integer(m_literals.size()); }
  Integer numInstructions() const noexcept { return Integer(m_instructions.size()); }

  TG_P_PROPERTY scriptProperties(Integer index) const;
  // Stores without further checks.
  void setScriptProperties(Integer index, const TG_P_PROPERTY& value);

  TG_P_ROUTINE routines(Integer index) const;
  // Validates the routine (10010 with the check's message); a name shorter than 20 characters
  // is stored padded with blanks to 20.
  void setRoutines(Integer index, const TG_P_ROUTINE& value);

  TG_P_ATTRIBUTE Attributes(Integer index) const;
  void setAttributes(Integer index, const TG_P_ATTRIBUTE& value);

  TG_P_LITERAL literals(Integer index) const;
  void setLiterals(Integer index, const TG_P_LITERAL& value);

  TG_P_INSTRUCTION instructions(Integer index) const;
  // An EXPLICIT operand beyond the current memory grows the memory to reach it.
  void setInstructions(Integer index, const TG_P_INSTRUCTION& value);

  // The number of variables.
  Integer neededMemory() const noexcept { return Integer(m_variables.size()); }
  // Grows the variable memory (new variables are unnamed) and sets the memory floor to the new
  // size; an equal value changes nothing; a smaller one raises 10010.
  void setNeededMemory(Integer value);

  // 1-based index of the instruction carrying the tag; 0 when none does or the name is empty.
  Integer tagInstruction(std::string_view name) const;
  std::string instructionTag(Integer index) const;
  Integer codeDebugInfo(Integer index) const;
  TG_P_DATATYPES variableType(std::string_view name) const;
  std::string variableDebugName(std::string_view name) const;

  // ---- Script properties

  TG_P_PROPERTY getScriptPropertyByName(std::string_view name) const;
  void setScriptPropertyByName(const TG_P_PROPERTY& newValue);
  Integer getScriptPropertyIndex(std::string_view name) const;
  Integer addScriptProperty(const TG_P_PROPERTY& property);
  void removeScriptProperty(Integer index);
  void removeScriptPropertyByName(std::string_view name);

  // ---- Routines

  TG_P_ROUTINE getRoutineByName(std::string_view name) const;
  void setRoutineByName(const TG_P_ROUTINE& newValue);
  Integer getRoutineIndex(std::string_view name) const;
  Integer addRoutine(const TG_P_ROUTINE& routine);
  void removeRoutine(Integer index);
  void removeRoutineByName(std::string_view name);

  // ---- Attributes

  TG_P_ATTRIBUTE getAttributeByName(std::string_view name) const;
  void setAttributeByName(const TG_P_ATTRIBUTE& newValue);
  Integer getAttributeIndex(std::string_view name) const;
  Integer addAttribute(const TG_P_ATTRIBUTE& attr);
  void removeAttribute(Integer index);
  void removeAttributeByName(std::string_view name);

  // ---- Literals (symbolic names "l_a", "l_b", ...)

  TG_P_LITERAL getLiteralByName(std::string_view name) const;
  void setLiteralByName(std::string_view name, const TG_P_LITERAL& newData);
  Integer getLiteralIndex(std::string_view name) const;
  // Returns the new literal's symbolic name.
  std::string addLiteral(const TG_P_LITERAL& literal);
  // Later literals and their names move down; operands naming the removed one are not checked.
  void removeLiteral(Integer index);
  void removeLiteralByName(std::string_view name);
  std::string getLiteralName(Integer index) const;
  // The literal's machine address: 15 + its 1-based index.
  Integer getLiteralAddress(std::string_view name) const;

  // ---- Instructions, tags ("c_a", "c_b", ...) and debug lines

  // Inserts at atIndex when given and > 0, else appends; returns the new 1-based index.
  Integer addInstruction(const TG_P_INSTRUCTION& instruction,
                         std::optional<Integer> atIndex = std::nullopt);
  void removeInstruction(Integer index);
  // Returns the new tag.
  std::string tag(Integer instructionIndex);
  void untag(std::string_view tagName);
  void setCodeDebugInfo(Integer instructionIndex, Integer lineNumber);
  void removeCodeDebugInfo(Integer instructionIndex);

  // ---- Variables (symbolic names "v_a", "v_b", ...)

  // Returns the new variable's symbolic name.
  std::string addVariable();
  // The variable's machine address: 16 + numLiterals + its 0-based number.
  Integer getVariableAddress(std::string_view name) const;
  void setVariableType(std::string_view name, TG_P_DATATYPES vtype);
  void setVarDebugInfo(std::string_view name, std::string_view debugName);
  void removeVarDebugInfo(std::string_view name);
  void removeVariable(std::string_view name);
  // The symbolic name of variable `address` (1-based); empty for an unnamed one.
  std::string addressSymbolicName(Integer address) const;

  // ---- Program files

  // Replaces the whole content with the program image that starts at the 1-based position
  // `offset` of `file` and returns the position just after the image's last byte. Data the
  // image cannot hold raises 10001 (10002 when the image does not start with the program
  // marker); a missing file raises 53, and the file errors 52, 54, 62 and 63 pass through. Any
  // other failure goes to the error report and the result is -1. Variables used beyond the
  // declared memory are repaired and reported through dataCorrected. After a failure the
  // program holds what was read so far and should be discarded.
  Long readProgram(const std::string& file, Long offset);
  // Writes the program's image at the 1-based position `offset` of `file`, creating the file
  // when it is missing and leaving every byte beyond the image as it was, and returns the
  // position just after the last byte written. A program without instructions raises 10011
  // before the file is touched; a literal too large for its type raises 6; the file errors 52,
  // 54 and 63 pass through; any other failure goes to the error report and the result is -1.
  // On success the program is in fresh symbolic form; on failure it is unchanged.
  Long writeProgram(const std::string& file, Long offset);

  // ---- Cleaning and loading

  // Drops the variables, literals and tags nothing refers to and renames the rest densely
  // ("v_a", "v_b", ... in order), with every reference following. An operand, routine or
  // attribute location that names nothing raises 10001 before anything changes.
  void clean();
  // Loads the program into `machine`, creating one when it is empty. A program without a
  // "datapoint" attribute raises 10017 and nothing changes. Otherwise the program is left in
  // its numeric form, and an error while loading goes to the error report, leaving the
  // machine partly filled.
  void prepareMachine(std::shared_ptr<TessaglyphMachine>& machine);

  // ---- Symbolic and numeric forms

  // Turns every name into its number: operands, routine locations and attribute locations.
  // Afterwards no instruction carries a tag and no variable a name. Nothing changes when an
  // error is raised (10001, source "TessaglyphProgram::resolveSymbolicData").
  void resolveSymbolicData();
  // Turns the numeric form back into names: variables, literals and referenced instructions
  // get fresh symbolic names and operands and locations name them. Sets or unsets the memory
  // floor. Nothing changes when an error is raised.
  void createSymbolicData();

 protected:
  // Raises dataCorrected on the sink, if any.
  void raiseDataCorrected(const std::string& message, const std::string& oldValue,
                          const std::string& newValue);
  // Grows the variable memory to `newSize` (keeping contents) because the data read needed it,
  // and tells the sink through dataCorrected with the memory sizes before and after.
  void correctNeededMemory(Long newSize, const std::string& message);

 private:
  // The program-file code fills and reads the lists directly.
  friend class ProgramFileReader;
  friend class ProgramFileWriter;

  struct LiteralEntry {
    TG_P_LITERAL literal;
    std::string name;  // its symbolic name
  };
  struct InstructionEntry {
    TG_P_INSTRUCTION instruction;
    std::string tag;        // empty when untagged
    Integer debugLine = 0;  // 0 when none
  };
  struct VariableEntry {
    std::string name;  // symbolic name; empty for an unnamed variable
    TG_P_DATATYPES type = TG_P_DT_DEFAULTASCII;
    std::string debugName;
  };

  // Content back to that of a new program (the event sink stays).
  void resetContent();
  // Resizes the variable memory keeping contents; new variables are unnamed and untyped.
  // Beyond 32767 variables raises 6 "Overflow".
  void resizeVariables(Long newSize);

  // The validation checks: an empty message when the record is valid.
  std::string validateRoutine(const TG_P_ROUTINE& routine) const;
  std::string validateAttribute(const TG_P_ATTRIBUTE& attribute) const;
  std::string validateLiteral(const TG_P_LITERAL& literal) const;
  // May grow the memory to reach an EXPLICIT address, so it is the last check before a store.
  std::string validateInstruction(const TG_P_INSTRUCTION& instruction);

  // 0-based positions of named entries; empty when absent (an empty name never matches).
  std::optional<std::size_t> findProperty(std::string_view name) const;
  std::optional<std::size_t> findRoutine(std::string_view name) const;
  std::optional<std::size_t> findAttribute(std::string_view name) const;
  std::optional<std::size_t> findLiteral(std::string_view name) const;
  std::optional<std::size_t> findVariable(std::string_view name) const;
  std::optional<std::size_t> findTag(std::string_view name) const;
  // The variable of that name, or 10009 with `message` after the name.
  std::size_t requireVariable(std::string_view name, const char* message) const;
  // How often instruction operands, routine locations and attribute locations name the tag.
  std::size_t tagReferenceCount(std::string_view tagName) const;
  // Tags instruction `position` (0-based) with the next free tag name and returns it.
  std::string tagAt(std::size_t position);

  std::string m_lastUsedFilename;
  std::vector<TG_P_PROPERTY> m_properties;
  std::vector<TG_P_ROUTINE> m_routines;
  std::vector<TG_P_ATTRIBUTE> m_attributes;
  std::vector<LiteralEntry> m_literals;
  std::vector<InstructionEntry> m_instructions;
  std::vector<VariableEntry> m_variables;  // neededMemory entries, numbered from 0
  // The name generators hold the letter-code number of the next name to hand out.
  Long m_nextLiteralCode = 1;
  Long m_nextTagCode = 1;
  Long m_nextVariableCode = 1;
  // While set (>= 0), removing a variable never shrinks the memory below it.
  Integer m_memoryFloor = -1;
  // True only while a program file is being read; loosens one routine check.
  bool m_reading = false;
  TessaglyphProgramEvents* m_eventSink = nullptr;
};

}  // namespace tg
