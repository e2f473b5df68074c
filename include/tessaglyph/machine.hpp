// TessaglyphMachine: the virtual machine that runs one compiled script program against one
// source file. It holds what lasts between runs: typed memory (the register and the predefined
// variables at addresses 0..15, then the program's literals and variables), instructions with
// their debugging records, routine entry points, script properties and attributes, the
// evaluation stack, the files the script opened, the data lock and the run settings.
//
// A machine is filled by TessaglyphProgram::prepareMachine and handed around as a
// std::shared_ptr. It belongs to one thread at a time, like the cells in its memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tessaglyph/machine_types.hpp"
#include "tessaglyph/method_counter.hpp"
#include "tessaglyph/types.hpp"
#include "tessaglyph/vocabulary.hpp"
#include "tessaglyph/xyz_point.hpp"

namespace tg {

class Interpreter;
class TessaglyphMEX;
class MachineAccess;

// Errors raised by the machine, with these plain numbers.
enum TG_M_ERRORS : std::int32_t {
  TG_M_E_CANTCASTADDRESS = 11001,            // a fixed-type predefined variable keeps its type
  TG_M_E_INVALIDDATATYPE = 11002,            // a type outside TG_M_DATATYPES, or not ascii
  TG_M_E_INVALIDPROPERTYNAME = 11003,        // getPropertyValue of a name outside the vocabulary
  TG_M_E_INVALIDNOTIFYTYPE = 11004,          // NOTIFY text not starting with "O" or "Y"
  TG_M_E_INVALIDCODEADDRESS = 11005,         // a jump or run outside the instructions
  TG_M_E_CANTSETPREDEFINEDVARIABLE = 11006,  // a store into a read-only predefined variable
  TG_M_E_INVALIDOPERANDVALUE = 11007,        // offset, BUFFER count, FLIPBYTES type, INT range
  TG_M_E_ROUTINENOTDEFINED = 11008,          // a routine slot without code
  TG_M_E_READONLYATTRIBUTE = 11009,          // a write to data without write code
  TG_M_E_ATTRIBUTEMISSING = 11010,           // an attribute a property requires
  TG_M_E_DATALOCKED = 11012,                 // a data write under the data lock
  TG_M_E_SCRIPTMANUALINCAPABLE = 11013,      // interpolation the script cannot do by hand
  TG_M_E_STACKEMPTY = 11014,                 // PEEK or POPM on an empty stack (debug run)
  TG_M_E_INTERPDATAEMPTY = 11016,            // no interpolation data gathered yet
  TG_M_E_INVALIDINSTRUCTION = 11017,         // an opcode outside the instruction set (debug run)
};

// Values a data-point read returns instead of data; never raised.
enum TG_M_DATAPOINTERRORCODES : std::int32_t {
  TG_M_DPEC_NONEXISTENTPOINT = -32100,     // no data at the point
  TG_M_DPEC_NOTENOUGHINTERPDATA = -32101,  // an interpolation lacks a point
  TG_M_DPEC_RETRIEVALERROR = -52000,       // the read failed
};

// ---- Interpolation and data points ----------------------------------------------------------

// How a data-point read combines grid points. There is no mode 4.
enum TG_M_INTERPOLATIONMODES : std::int32_t {
  TG_M_IM_NONE = 0,          // the value at the query position itself
  TG_M_IM_CLOSESTPOINT = 1,  // the nearest grid point
  TG_M_IM_4POINT = 2,        // bilinear over the four corners of the cell
  TG_M_IM_12POINT = 3,       // the four corners and the ring of eight around them
  TG_M_IM_MAX4 = 5,          // four points; the machine treats it as TG_M_IM_4POINT
};

// How a script gives the extent of its file.
enum TG_M_BOUNDSMODES : std::int32_t {
  TG_M_BM_UTM = 0,
  TG_M_BM_LATLON = 1,
  TG_M_BM_4POINT = 2,
};

// The coordinates of a script's grid.
enum TG_M_GRIDTYPES : std::int32_t {
  TG_M_GT_LATLON = 0,
  TG_M_GT_UTM = 1,
};

// The points gathered for one interpolated read, in the file's native coordinates. Entries
// 0..numPoints-1 of x, y and z are used (numPoints is 1, 4 or 12); the rest are 0. The arrays
// have a fixed capacity so that the record is filled and copied without allocating.
struct TG_M_INTERPDATA {
  static constexpr std::size_t kMaxPoints = 12;

  Double targetX = 0;
  Double targetY = 0;
  Integer numPoints = 0;
  std::array<Double, kMaxPoints> x{};
  std::array<Double, kMaxPoints> y{};
  std::array<Single, kMaxPoints> z{};

  friend bool operator==(const TG_M_INTERPDATA&, const TG_M_INTERPDATA&) = default;
};

// The grid geometry the machine interpolates by when the script does not gather points itself.
struct TG_M_MANUALINTERPSETTINGS {
  TG_M_BOUNDSMODES boundmode = TG_M_BM_UTM;
  Double eastBorder = 0;
  Double westBorder = 0;
  Double northBorder = 0;
  Double southBorder = 0;
  Double xRes = 0;
  Double yRes = 0;
  Integer utmZone = 0;

  friend bool operator==(const TG_M_MANUALINTERPSETTINGS&,
                         const TG_M_MANUALINTERPSETTINGS&) = default;
};

// Whether data writes are refused.
enum TG_M_DATALOCK : std::int32_t {
  TG_M_DL_TRUE = 0,       // locked
  TG_M_DL_FALSE = 1,      // unlocked
  TG_M_DL_USESCRIPT = 2,  // as the script's "datalock" property says (locked when it cannot say)
};

// How the debug run steps.
enum TG_M_RUNMETHODS : std::int32_t {
  TG_M_RM_CONTINUOUS = 0,
  TG_M_RM_STEP = 1,
  TG_M_RM_STEPOVER = 2,
  TG_M_RM_STEPINSTRUCTIONS = 3,
  TG_M_RM_BREAKTROUBLED = 4,
};

// When the run method takes effect.
enum TG_M_APPLYRUNMETHODCONSTANTS : std::int32_t {
  TG_M_ARM_ALWAYS = 0,
  TG_M_ARM_AFTERBREAK = 1,
  TG_M_ARM_AFTERERROR = 2,
};

// What NOTIFY does: show a message box, raise scriptMessageBox, or nothing.
enum TG_M_MESSAGEBOXMODES : std::int32_t {
  TG_M_MBM_NORMAL = 0,
  TG_M_MBM_EVENT = 1,
  TG_M_MBM_IGNORE = 2,
};

// What USERINPUT does: show an input box, raise scriptInputBox, or nothing.
enum TG_M_INPUTBOXMODES : std::int32_t {
  TG_M_IBM_NORMAL = 0,
  TG_M_IBM_EVENT = 1,
  TG_M_IBM_IGNORE = 2,
};

// The buttons of a script's message box, as the platform numbers them.
enum TG_M_MESSAGEBOXBUTTONSTYLES : std::int32_t {
  TG_M_MBBS_OKONLY = 0,
  TG_M_MBBS_YESNO = 4,
};

// The button a host's scriptMessageBox handler reports.
enum TG_M_MESSAGEBOXBUTTONS : std::int32_t {
  TG_M_MBB_OK = 0,
  TG_M_MBB_YES = 1,
  TG_M_MBB_NO = 2,
};

struct TG_M_INSTRUCTION {
  TG_M_INSTRUCTIONS opcode = TG_M_I_STOP;
  Integer operand = 0;  // a memory address, an instruction address or a number, by opcode

  friend bool operator==(const TG_M_INSTRUCTION&, const TG_M_INSTRUCTION&) = default;
};

struct TG_M_DEBUGGINGINFO {
  Integer lineNumber = 0;    // the source line of the instruction; 0 for none
  Boolean troubled = false;  // an error was raised while the instruction ran
  Boolean breakpoint = false;

  friend bool operator==(const TG_M_DEBUGGINGINFO&, const TG_M_DEBUGGINGINFO&) = default;
};

struct TG_M_PROPERTY {
  std::string name;
  std::string value;

  friend bool operator==(const TG_M_PROPERTY&, const TG_M_PROPERTY&) = default;
};

struct TG_M_ATTRIBUTEINFO {
  std::string name;
  TG_M_DATATYPES dataType = TG_M_DT_ASCII;
  std::string tip;
  std::string comments;
  TG_M_STRINGREADINFO readInfo;
  Integer readLocation = -1;   // instruction address of the read code; -1 when absent
  Integer writeLocation = -1;  // instruction address of the write code; -1 when absent

  friend bool operator==(const TG_M_ATTRIBUTEINFO&, const TG_M_ATTRIBUTEINFO&) = default;
};

// One cell of a memory dump.
struct TG_M_DATAINFO {
  Integer address = 0;
  std::string VariableName;
  TG_M_DATATYPES dataType = TG_M_DT_INTEGER2;
  std::string value;

  friend bool operator==(const TG_M_DATAINFO&, const TG_M_DATAINFO&) = default;
};

// The machine's outgoing events, raised synchronously on the thread running the script.
// Arguments passed by reference may be changed by the handler and are read back.
class TessaglyphMachineEvents {
 public:
  virtual ~TessaglyphMachineEvents() = default;
  // The debug run reached a new source line (or a breakpoint).
  virtual void reachedNewLine(Integer /*lineNumber*/, Integer /*instructionNumber*/) {}
  // A script error; set `continue_` to go on with the next step instead of ending the run.
  virtual void executionError(Long /*errorNumber*/, const std::string& /*description*/,
                              Boolean& /*continue_*/) {}
  // The same error with its instruction address and source line, right after executionError.
  virtual void executionErrorExt(Long /*errorNumber*/, const std::string& /*description*/,
                                 Integer /*instrNum*/, Integer /*lineNum*/,
                                 Boolean& /*continue_*/) {}
  // RAISEEVENT: a named value changed.
  virtual void dataChanged(const std::string& /*dataName*/, const std::string& /*newValue*/) {}
  // NOTIFY in event mode; set `returnValue` to the button pressed.
  virtual void scriptMessageBox(std::string& /*message*/, TG_M_MESSAGEBOXBUTTONSTYLES& /*buttons*/,
                                TG_M_MESSAGEBOXBUTTONS& /*returnValue*/) {}
  // USERINPUT in event mode; set `returnValue` to the answer.
  virtual void scriptInputBox(std::string& /*message*/, std::string& /*returnValue*/) {}
};

class TessaglyphMachine {
 public:
  // The clock gives the time of day in seconds since local midnight. A machine given one keeps
  // all its time by it, direct grid access included; the default is the system timer, and for
  // direct grid access, which stamps every read, its cheaper coarse form.
  using Clock = std::function<Single()>;

  // Number of routine slots.
  static constexpr std::size_t kRoutineSlots = TG_M_RAI_VALID_MAX + 1;
  // Number of predefined variables at the start of memory.
  static constexpr Integer kPredefinedCells = TG_M_PVI_VALID_MAX + 1;

  // A new machine is empty, as after Clear.
  TessaglyphMachine();
  explicit TessaglyphMachine(Clock clock);
  // Closes the files the machine's script opened (and only those).
  ~TessaglyphMachine();
  TessaglyphMachine(const TessaglyphMachine&) = delete;
  TessaglyphMachine& operator=(const TessaglyphMachine&) = delete;

  // The sink of the machine's events; not owned (nullptr = none).
  void setEventSink(TessaglyphMachineEvents* sink) noexcept;
  TessaglyphMachineEvents* eventSink() const noexcept;

  // The profiler that times the machine's members; none by default.
  const std::shared_ptr<MethodCounter>& methodProfiler() const noexcept;
  void setMethodProfiler(std::shared_ptr<MethodCounter> profiler) noexcept;

  // ---- Data void, access counters ------------------------------------------------------

  // The value a written no-data point becomes: the script's "datavoidvalue" property as a
  // number, -32100 when it has none that converts. Worked out on the first read and kept (also
  // across Clear) until set.
  Single datavoidValue() const;
  void setDatavoidValue(Single value);
  // The machine's access counter, 0 after resetAccessData.
  Long accessCount() const;
  // The time of day of the last data-point read; a stored time later than now means midnight
  // has passed since, and the time is moved back by a day (86400 seconds) first.
  Single lastAccess() const;
  // The counter to 0 and the last access to now.
  void resetAccessData();

  // ---- Run settings ----------------------------------------------------------------------

  // The file handle the direct grid access reads through; -1 when none.
  Integer mexFile() const noexcept;
  // The datum positions are asked in.
  const std::string& currentDatum() const noexcept;
  void setCurrentDatum(std::string value);
  // The file the loaded program came from.
  const std::string& scriptFilename() const noexcept;

  TG_M_DATALOCK dataLock() const noexcept;
  void setDataLock(TG_M_DATALOCK value) noexcept;

  Boolean enableDebug() const noexcept;
  void setEnableDebug(Boolean value) noexcept;
  Boolean break_() const noexcept;
  void setBreak(Boolean value) noexcept;
  TG_M_RUNMETHODS runMethod() const noexcept;
  void setRunMethod(TG_M_RUNMETHODS value) noexcept;
  TG_M_APPLYRUNMETHODCONSTANTS applyRunMethod() const noexcept;
  void setApplyRunMethod(TG_M_APPLYRUNMETHODCONSTANTS value) noexcept;
  Boolean errorEventEnabled() const noexcept;
  void setErrorEventEnabled(Boolean value) noexcept;
  TG_M_MESSAGEBOXMODES messageBoxMode() const noexcept;
  void setMessageBoxMode(TG_M_MESSAGEBOXMODES value) noexcept;
  TG_M_INPUTBOXMODES inputBoxMode() const noexcept;
  void setInputBoxMode(TG_M_INPUTBOXMODES value) noexcept;

  // ---- The loaded program ----------------------------------------------------------------
  // Indexes are 0-based; one outside 0..count-1 raises 9 "Subscript out of range".

  Integer numProperties() const noexcept;
  TG_M_PROPERTY properties(Integer index) const;
  Integer numAttributes() const noexcept;
  TG_M_ATTRIBUTEINFO Attributes(Integer index) const;
  Integer numInstructions() const noexcept;
  TG_M_INSTRUCTION instructions(Integer index) const;
  TG_M_DEBUGGINGINFO debugInfo(Integer index) const;
  // The entry address of a routine slot; -1 when the script does not define it.
  Integer routineLocations(TG_M_ROUTINEARRAYINDICIES routine) const;

  // The index of the property (or attribute) of that name, trimmed and without regard to case;
  // -1 when there is none.
  Integer getPropertyIndex(std::string_view name) const;
  Integer getAttributeIndex(std::string_view name) const;
  // The script's value of the property in lower case. A property the script does not declare
  // gives the vocabulary's default ("latlonformat" an empty text); a name outside the
  // vocabulary raises 11003.
  std::string getPropertyValue(std::string_view name) const;
  // The script's "selfvalidating" property as a Boolean, read once; false when it cannot say.
  Boolean selfValidating() const;

  // ---- Memory ----------------------------------------------------------------------------
  // Addresses run from 0 to dataMemory-1; any other raises 9 "Subscript out of range".

  Integer dataMemory() const noexcept;
  std::string variableNames(Integer index) const;
  // The cell's value as text.
  std::string Memory(Integer address) const;
  // The cell keeps its type and takes the text's value converted (13 when it is no number).
  void setMemory(Integer address, std::string_view value);
  TG_M_DATATYPES memoryDataType(Integer address) const;
  // Replaces the cell by a new one of that type holding the old value. Refused with 11001 for
  // a fixed-type predefined variable ("offset", "index", ...); 11002 for a type outside 0..5.
  void setMemoryDataType(Integer address, TG_M_DATATYPES dataType);
  // The register is memory address 0.
  std::string register_() const;
  void setRegister(std::string_view value);
  TG_M_DATATYPES registerDataType() const;
  void setRegisterDataType(TG_M_DATATYPES dataType);
  // Memory 0..15 by predefined-variable number; any other number raises 12002.
  std::string predefinedVariables(Integer variable) const;
  void setPredefinedVariables(Integer variable, std::string_view value);
  TG_M_DATATYPES predefinedVariableDataTypes(Integer variable) const;
  void setPredefinedVariableDataTypes(Integer variable, TG_M_DATATYPES dataType);

  // ---- Open files ------------------------------------------------------------------------

  Integer numOpenFiles() const noexcept;
  // The name of open file `index` (0-based).
  std::string OpenFile(Integer index) const;

  // ---- The source file -------------------------------------------------------------------

  // Fills the file predefined variables from a full file name, upper-cased: "filename" the
  // whole name, "path" up to its last "\" or "/", "extension" what follows the last "." of the
  // name, "filetitle" the name without folder and extension, and "filesize" the file's length
  // when it exists.
  void setFileInfo(std::string_view filename);

  // ---- Running script code ---------------------------------------------------------------
  // Each entry runs the interpreter until STOP. Script errors go to executionError and
  // executionErrorExt first; with errorEventEnabled false they reach the caller as raised.

  // Runs a routine slot and returns the register's text; 11008 for a slot without code.
  std::string routine(TG_M_ROUTINEARRAYINDICIES index);
  // Runs from an instruction address; 11005 for one outside the instructions.
  void runExplicit(Integer start);
  // Runs attribute `index`'s read code and returns the text of "return".
  std::string attribute_read(Integer index);
  // Puts `newValue` into "value" as a cell of the attribute's type and runs its write code;
  // 11012 under the data lock, 11009 for an attribute without write code.
  void attribute_write(Integer index, std::string_view newValue);
  // Stops the running script after its current instruction (for event handlers). Called while
  // the debug run holds the script at a line (reachedNewLine), the run ends before that line.
  void cancelExecution() noexcept;

  // ---- Debugging -------------------------------------------------------------------------
  // With enableDebug on, every run is a debug run: before each instruction it raises
  // reachedNewLine at breakpoints and, while `break` is on, as runMethod says; the host holds
  // the script by staying in its handler.

  // Flags the first instruction of every separate run of instructions on that source line.
  void setBreakpoint(Integer lineNumber);
  // Clears the flags setBreakpoint would set for that line.
  void clearBreakpoint(Integer lineNumber);
  void clearAllBreakpoints();
  // Sets or clears the flag of one instruction; 9 "Subscript out of range" outside the code.
  void setInstructionBreakpoint(Integer instructionNumber);
  void clearInstructionBreakpoint(Integer instructionNumber);
  // The cells first..last (last -1: the last address) as address, name, type and text, indexed
  // by address. 9 unless 0 <= first <= last < dataMemory.
  Array<TG_M_DATAINFO> dumpMemory(Integer first = 0, Integer last = -1) const;
  // The same range, only the cells with a name, indexed from 0 in address order.
  Array<TG_M_DATAINFO> dumpNamedMemory(Integer first = 0, Integer last = -1) const;

  // ---- Datums and native coordinates ----------------------------------------------------

  // The script's datum at a position. The "datum" property is read on the first call: "BY
  // POINT" (or "BYPOINT") reads the "datum" attribute at every call, with the predefined x and
  // y set to the position; "BY FILE" (or "BYFILE") reads that attribute once; any other value is
  // the datum's name. A missing attribute raises 11010.
  std::string getDatum(Double x, Double y);
  // The coordinate-system library key of the script's grid at a position on datum `sDatum`:
  // "<key>-UTM-<zone>-<N|S>" for a UTM grid (empty when the library does not know it), the
  // datum's own key for a geographic one.
  std::string getDatumCSMAP(Double lat, Double lon, std::string_view sDatum);
  // The grid's UTM zone, -1 when "gridtype" is not "utm". The "utmzone" attribute is read once,
  // or at every call (with x and y set to lat and lon) when "conditionalzone" is "true"; its
  // absence raises 11010.
  Integer getUTMZone(Double lat, Double lon);
  // A position asked in currentDatum as the file's native coordinates: longitude and latitude
  // on the script's datum, or easting and northing in the script's zone for a UTM grid.
  void getNativeCoordinates(Double lat, Double lon, Double& natX, Double& natY);

  // ---- Interpolation and data points ---------------------------------------------------
  // The capability getters first work out, once until Clear, what the script can do: its own
  // closest-point, 4-point and 12-point flags ("interp_..." properties) and whether the machine
  // can gather points from the grid geometry itself (manual interpolation).

  // The record of the most recent interpolated read; 11016 when no read has gathered one.
  TG_M_INTERPDATA lastInterpData() const;
  Boolean isLastInterpDataSet() const noexcept;
  // The mode data-point reads use; a change takes effect on the next read.
  TG_M_INTERPOLATIONMODES interpolationMode() const;
  void setInterpolationMode(TG_M_INTERPOLATIONMODES value);
  // Whether a read in `method` can be answered: NONE always; the others when the script can
  // gather those points itself or the machine can by hand (any unknown mode: by hand only).
  Boolean canInterpolate(TG_M_INTERPOLATIONMODES method);
  // The script's closest-point, 4-point and 12-point flags all true.
  Boolean scriptFullyInterpCapable();
  // Whether the machine can gather points from the script's grid geometry (always set).
  std::optional<Boolean> scriptManualInterpCapable();
  Boolean scriptClosestPointCapable();
  Boolean script4PointCapable();
  Boolean script12PointCapable();
  // The grid geometry of manual interpolation; 11013 when the script cannot give it.
  TG_M_MANUALINTERPSETTINGS manualInterpolationSpecs();
  // Puts a position into the predefined "x" and "y" as Double cells.
  void setScriptCoords(Double x, Double y);
  // Gathers the points the current mode needs around a position given in currentDatum, running
  // the script's read code for each (or its own 4- or 12-point routine). Raises 11013 when the
  // mode can be served neither by the script nor by hand, 11008 when the script claims a point
  // routine it does not define, and 11014 when such a routine leaves too few values.
  TG_M_INTERPDATA getInterpolationData(Double lat, Double lon);
  // Works out the capability state (nothing when it is known already).
  void checkInterpolationCapabilities();

  // The value at a position in currentDatum, by the interpolation mode. Missing data comes back
  // as -32100 (no point), -32101 (an interpolation lacks a point) or -32100 for a combined
  // value beyond +-30000; errors of the script's code are raised.
  Single datapoint_read(Double lon, Double lat);
  // Writes a value at a position through the script's write code; -32100 is written as the
  // data-void value. 11009 when the script has no write code, 11012 under the data lock.
  void datapoint_write(Double lon, Double lat, Single value);
  // The grid point at a row and column with its value, from direct grid access; nullptr when
  // the machine has none.
  std::shared_ptr<XYZPoint> datapoint_read_rowcol(Long row, Long col);

  // ---- Direct grid access ------------------------------------------------------------------
  // Whether the machine reads and writes cells directly (the script declared its grid layout
  // and named the file with MEXSETFILE). Setting it true makes a new access object from the
  // script; when the script's layout is refused the machine stays without one. False drops it.
  Boolean enableMEX() const noexcept;
  void setEnableMEX(Boolean value);
  // The access object, or nullptr.
  const std::shared_ptr<TessaglyphMEX>& mex() const noexcept;
  // The grid row and column nearest a position in currentDatum; -1 and -1 without direct
  // access.
  void ClosestRowCol(Double lon, Double lat, Long& row, Long& col);
  // The highest and lowest values of the grid through direct access (see TessaglyphMEX);
  // false, with empty points, without it.
  Boolean GetHiLoValues(std::shared_ptr<XYZPoint>& pHi, std::shared_ptr<XYZPoint>& pLo,
                        Boolean ShowProgress);

  // Back to the empty machine: 16 predefined cells and nothing loaded. Keeps dataLock, the
  // message and input box modes, the data-void value, the event sink and the profiler.
  void Clear();

 private:
  friend class Interpreter;
  friend class MachineAccess;

  // Everything the machine holds (machine/machine_core.hpp).
  struct Core;
  std::unique_ptr<Core> m_core;

  // Runs from an instruction address until STOP, cancelExecution or an error the error path
  // hands back (machine/interpreter.hpp).
  void run(Integer start);

  // getDatum without the copy: the name lives in the machine until the next call.
  const std::string& datumAt(Double x, Double y);

  // Memory let and data-type let, with the source text of the member the host called.
  void storeText(Integer address, std::string_view value, const char* source);
  void changeDataType(Integer address, TG_M_DATATYPES dataType, const char* source);
  // 12002 for a number outside 0..15.
  static void checkPredefinedVariable(Integer variable, const char* source);
  // The data lock in force: the script's "datalock" property is read once for USESCRIPT.
  bool effectiveDataLock() const;
  // Appends to and removes from the open-file list.
  void addOpenFile(std::string name, Integer handle);
  void removeOpenFile(Integer handle);
  void closeOpenFiles() noexcept;
  void clearMemory();

  MethodCounter* profiler() const noexcept;

  // ---- Interpolation and data points (source/machine_interpolation.cpp) ------------------
  // Fills the interpolation record for a position in currentDatum by the current mode.
  void gatherInterpolationData(Double lat, Double lon);
  // Runs the read code for a native position and returns "return" as Single.
  Single readScriptPoint(Double x, Double y);
  // Runs a 4- or 12-point routine at the target and pops the points it pushed.
  void runPointRoutine(TG_M_ROUTINEARRAYINDICIES routine, Integer count);
  // The grid points of manual interpolation.
  void closestGridPoint(Double x, Double y, Double& gridX, Double& gridY) const;
  void greatestSmallerGridPoint(Double x, Double y, Double& gridX, Double& gridY) const;
  bool insideManualBounds(Double x, Double y) const noexcept;
  // Reads the cell corners and ring by (i, j) offsets from the greatest smaller grid point.
  void gatherManualPoints(Integer count);
  // Raises the reason the manual geometry cannot be used, if there is one.
  void requireManualSettings() const;
  // The cached index and cell type of the "datapoint" attribute.
  void lookUpDatapointAttribute();
};

}  // namespace tg
