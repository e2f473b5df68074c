// The machine's interpolation members: what the script can do (its own point routines, or a
// grid geometry the machine can gather points from by hand), and the gathering of the one,
// four or twelve points a read needs.
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "machine/datum.hpp"
#include "machine/machine_access.hpp"
#include "source/elevation_helpers.hpp"
#include "source/point_interpolation.hpp"
#include "support/conversions.hpp"
#include "support/method_scope.hpp"
#include "support/text.hpp"
#include "support/trace.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/mex.hpp"

namespace tg {

namespace {

constexpr const char* kGatherSource = "TessaglyphMachine::getInterpolationData";
constexpr const char* kCapabilitySource = "TessaglyphMachine::checkInterpolationCapabilities";

// A script flag: "true"/"false" in any case or a number (non-zero true). The flags only have
// to come out true or false, so any other text (a misspelling, an empty value) counts as false
// rather than making the script unreadable.
bool scriptFlag(const std::string& text) {
  try {
    return textToBoolean(text);
  } catch (const Error&) {
    return false;
  }
}

// The cell at `slot` made a fresh Double holding `value`. A cell no other address or stack slot
// shares is reused, since nobody could tell it from a new one; this keeps reads allocation-free.
void freshDouble(DatumRef& slot, Double value) {
  if (slot.unique()) {
    slot->becomeDouble(value);
  } else {
    slot = makeDouble(value);
  }
}

// The cell at `slot` made a fresh cell of `kind` holding 0 (or no text), reused when unshared.
void freshCellOfType(DatumRef& slot, TG_M_DATATYPES kind) {
  if (!slot.unique()) {
    slot = makeDatum(kind);
    return;
  }
  switch (kind) {
    case TG_M_DT_UNSIGNEDINTEGER:
      slot->becomeUnsignedInteger(0);
      return;
    case TG_M_DT_INTEGER2:
      slot->becomeInteger2(0);
      return;
    case TG_M_DT_INTEGER4:
      slot->becomeInteger4(0);
      return;
    case TG_M_DT_SINGLE:
      slot->becomeSingle(0);
      return;
    case TG_M_DT_DOUBLE:
      slot->becomeDouble(0);
      return;
    case TG_M_DT_ASCII:
      slot->becomeAscii();
      return;
  }
  slot = makeDatum(kind);  // raises 5 for a kind outside the enumeration
}

std::string routineMissingText(const char* routine, const char* property) {
  return std::string("The ") + routine + " routine must be defined " + "when the \"" + property +
         "\" property is " + "\"true\"";
}

}  // namespace

// ---- Capabilities -----------------------------------------------------------------------------

void TessaglyphMachine::checkInterpolationCapabilities() {
  MethodScope scope(profiler(), kCapabilitySource);
  if (m_core->interpCapabilitiesKnown) return;

  const bool closest = scriptFlag(getPropertyValue("interp_closestpoint"));
  const bool four = scriptFlag(getPropertyValue("interp_4point"));
  const bool twelve = scriptFlag(getPropertyValue("interp_12point"));

  const std::string boundsMode(trimBlanks(getPropertyValue("boundsmode")));
  const std::string gridType(trimBlanks(getPropertyValue("gridtype")));
  const bool utmBounding = boundsMode == "utmbounding";
  bool manual = false;
  if (utmBounding || boundsMode == "latlonbounding") {
    manual = (gridType == "utm" && utmBounding && getAttributeIndex("xres") >= 0 &&
              getAttributeIndex("yres") >= 0) ||
             (gridType == "latlon" && !utmBounding);
  }

  TG_M_MANUALINTERPSETTINGS settings;
  std::int32_t errorNumber = 0;
  std::string errorSource;
  std::string errorText;
  if (manual) {
    // Each value comes from the attribute's read code. A value that is missing or no number
    // spoils only the manual geometry: it is reported when that geometry is used.
    auto attributeValue = [&](const char* name) -> Double {
      if (errorNumber != 0) return 0;
      const Integer index = getAttributeIndex(name);
      if (index < 0) {
        errorNumber = TG_M_E_ATTRIBUTEMISSING;
        errorSource = kCapabilitySource;
        errorText = std::string("The ") + name + " attribute must be defined when the " +
                    "\"boundsmode\" property is \"" + boundsMode + "\"";
        return 0;
      }
      try {
        return textToDouble(attribute_read(index));
      } catch (const Error& error) {
        errorNumber = error.number();
        errorSource = error.source().empty() ? kCapabilitySource : error.source();
        errorText = error.description();
        return 0;
      }
    };
    if (utmBounding) {
      settings.boundmode = TG_M_BM_UTM;
      const Double zone = attributeValue("utmzone");
      if (errorNumber == 0) {
        try {
          settings.utmZone = roundToInteger(zone);
        } catch (const Error& error) {
          errorNumber = error.number();
          errorSource = kCapabilitySource;
          errorText = error.description();
        }
      }
      settings.eastBorder = attributeValue("right_utm");
      settings.northBorder = attributeValue("top_utm");
      settings.southBorder = attributeValue("bottom_utm");
      settings.westBorder = attributeValue("left_utm");
    } else {
      settings.boundmode = TG_M_BM_LATLON;
      settings.eastBorder = attributeValue("right_lon");
      settings.northBorder = attributeValue("top_lat");
      settings.southBorder = attributeValue("bottom_lat");
      settings.westBorder = attributeValue("left_lon");
    }
    settings.xRes = attributeValue("xres");
    settings.yRes = attributeValue("yres");
  }

  m_core->scriptClosestPointCapable = closest;
  m_core->script4PointCapable = four;
  m_core->script12PointCapable = twelve;
  m_core->scriptManualCapable = manual;
  m_core->manualSettings = settings;
  m_core->manualSettingsErrorNumber = errorNumber;
  m_core->manualSettingsErrorSource = std::move(errorSource);
  m_core->manualSettingsErrorText = std::move(errorText);
  m_core->interpCapabilitiesKnown = true;
}

void TessaglyphMachine::requireManualSettings() const {
  if (m_core->manualSettingsErrorNumber != 0) {
    throw Error(m_core->manualSettingsErrorNumber, m_core->manualSettingsErrorSource,
                m_core->manualSettingsErrorText);
  }
}

TG_M_INTERPOLATIONMODES TessaglyphMachine::interpolationMode() const {
  MethodScope scope(profiler(), "TessaglyphMachine::interpolationMode Get");
  return m_core->interpolationMode;
}

void TessaglyphMachine::setInterpolationMode(TG_M_INTERPOLATIONMODES value) {
  MethodScope scope(profiler(), "TessaglyphMachine::interpolationMode Let");
  m_core->interpolationMode = value;
}

Boolean TessaglyphMachine::canInterpolate(TG_M_INTERPOLATIONMODES method) {
  MethodScope scope(profiler(), "TessaglyphMachine::canInterpolate Get");
  checkInterpolationCapabilities();
  switch (method) {
    case TG_M_IM_NONE:
      return true;
    case TG_M_IM_CLOSESTPOINT:
      return m_core->scriptClosestPointCapable || m_core->scriptManualCapable;
    case TG_M_IM_4POINT:
    case TG_M_IM_MAX4:
      return m_core->script4PointCapable || m_core->scriptManualCapable;
    case TG_M_IM_12POINT:
      return m_core->script12PointCapable || m_core->scriptManualCapable;
  }
  return m_core->scriptManualCapable;
}

Boolean TessaglyphMachine::scriptFullyInterpCapable() {
  MethodScope scope(profiler(), "TessaglyphMachine::scriptFullyInterpCapable Get");
  checkInterpolationCapabilities();
  return m_core->scriptClosestPointCapable && m_core->script4PointCapable &&
         m_core->script12PointCapable;
}

std::optional<Boolean> TessaglyphMachine::scriptManualInterpCapable() {
  MethodScope scope(profiler(), "TessaglyphMachine::scriptManualInterpCapable Get");
  checkInterpolationCapabilities();
  return m_core->scriptManualCapable;
}

Boolean TessaglyphMachine::scriptClosestPointCapable() {
  MethodScope scope(profiler(), "TessaglyphMachine::scriptClosestPointCapable Get");
  checkInterpolationCapabilities();
  return m_core->scriptClosestPointCapable;
}

Boolean TessaglyphMachine::script4PointCapable() {
  MethodScope scope(profiler(), "TessaglyphMachine::script4PointCapable Get");
  checkInterpolationCapabilities();
  return m_core->script4PointCapable;
}

Boolean TessaglyphMachine::script12PointCapable() {
  MethodScope scope(profiler(), "TessaglyphMachine::script12PointCapable Get");
  checkInterpolationCapabilities();
  return m_core->script12PointCapable;
}

TG_M_MANUALINTERPSETTINGS TessaglyphMachine::manualInterpolationSpecs() {
  constexpr const char* source = "TessaglyphMachine::manualInterplationSpecs Get";
  MethodScope scope(profiler(), source);
  checkInterpolationCapabilities();
  if (!m_core->scriptManualCapable) {
    throw Error(
        TG_M_E_SCRIPTMANUALINCAPABLE, source,
        std::string("Script incapable of providing manual interpolation ") + "specifications");
  }
  requireManualSettings();
  return m_core->manualSettings;
}

// ---- The manual grid --------------------------------------------------------------------------
// Direct grid access, once a machine holds it, answers these two from its own grid instead.

void TessaglyphMachine::closestGridPoint(Double x, Double y, Double& gridX, Double& gridY) const {
  if (m_core->mex) {  // direct access knows the grid lines exactly
    gridX = m_core->mex->closestX(x);
    gridY = m_core->mex->closestY(y);
    return;
  }
  const TG_M_MANUALINTERPSETTINGS& s = m_core->manualSettings;
  gridX = roundHalfEven((x - s.westBorder) / s.xRes) * s.xRes + s.westBorder;
  gridY = roundHalfEven((y - s.southBorder) / s.yRes) * s.yRes + s.southBorder;
}

void TessaglyphMachine::greatestSmallerGridPoint(Double x, Double y, Double& gridX,
                                                 Double& gridY) const {
  if (m_core->mex) {
    gridX = m_core->mex->greatestSmallerX(x);
    gridY = m_core->mex->greatestSmallerY(y);
    return;
  }
  const TG_M_MANUALINTERPSETTINGS& s = m_core->manualSettings;
  gridX = std::floor((x - s.westBorder) / s.xRes) * s.xRes + s.westBorder;
  gridY = std::floor((y - s.southBorder) / s.yRes) * s.yRes + s.southBorder;
}

bool TessaglyphMachine::insideManualBounds(Double x, Double y) const noexcept {
  if (!m_core->scriptManualCapable) return false;
  const TG_M_MANUALINTERPSETTINGS& s = m_core->manualSettings;
  return s.westBorder <= x && x <= s.eastBorder && s.southBorder <= y && y <= s.northBorder;
}

// ---- Gathering --------------------------------------------------------------------------------

void TessaglyphMachine::setScriptCoords(Double x, Double y) {
  MethodScope scope(profiler(), "TessaglyphMachine::setScriptCoords");
  freshDouble(m_core->memory[TG_M_PVI_X], x);
  freshDouble(m_core->memory[TG_M_PVI_Y], y);
}

void TessaglyphMachine::lookUpDatapointAttribute() {
  if (m_core->datapointAttributeKnown) return;
  m_core->datapointAttribute = getAttributeIndex("datapoint");
  // Every prepared program has the attribute; a machine filled some other way without one
  // hands its read code a Single, the type the value is taken as.
  m_core->datapointType = m_core->datapointAttribute >= 0
                              ? m_core->attributes[std::size_t(m_core->datapointAttribute)].dataType
                              : TG_M_DT_SINGLE;
  m_core->datapointAttributeKnown = true;
}

Single TessaglyphMachine::readScriptPoint(Double x, Double y) {
  setScriptCoords(x, y);
  const Integer location = m_core->routineLocations[TG_M_RAI_DATAPOINT_READ];
  // Without read code the run would only fail on the error path, which the host's error events
  // may swallow and leave a value of 0 behind; no value at all is the honest answer.
  if (location == -1) throw Error(TG_M_E_ROUTINENOTDEFINED, kGatherSource, "Routine not defined.");
  freshCellOfType(m_core->memory[TG_M_PVI_RETURN], m_core->datapointType);
  run(location);
  return m_core->memory[TG_M_PVI_RETURN]->getSingle();
}

void TessaglyphMachine::runPointRoutine(TG_M_ROUTINEARRAYINDICIES routine, Integer count) {
  const Integer location = m_core->routineLocations[std::size_t(routine)];
  setScriptCoords(m_core->interpData.targetX, m_core->interpData.targetY);
  run(location);
  // The routine pushed x, y and z for each point in turn; they come off the stack backwards.
  // Too few values would pop into nothing, so that is refused before anything is popped.
  if (Long(m_core->stackTop) + 1 < 3 * Long(count)) {
    throw Error(TG_M_E_STACKEMPTY, kGatherSource, "The stack is empty");
  }
  const bool fourPoint = routine == TG_M_RAI_IFOURPOINT;
  for (Integer i = Integer(count - 1); i >= 0; --i) {
    const auto point = std::size_t(i);
    m_core->interpData.z[point] = m_core->pop()->getSingle();
    m_core->interpData.y[point] = m_core->pop()->getDouble();
    // Positions come through at Single precision, except the second corner of the 4-point
    // routine, whose x keeps its full precision.
    const DatumRef x = m_core->pop();
    m_core->interpData.x[point] = fourPoint && i == 1 ? x->getDouble() : Double(x->getSingle());
  }
}

void TessaglyphMachine::gatherManualPoints(Integer count) {
  const TG_M_MANUALINTERPSETTINGS& s = m_core->manualSettings;
  Double gridX = 0;
  Double gridY = 0;
  greatestSmallerGridPoint(m_core->interpData.targetX, m_core->interpData.targetY, gridX, gridY);
  for (std::size_t i = 0; i < std::size_t(count); ++i) {
    const Double x = gridX + kInterpolationPointOffsets[i][0] * s.xRes;
    const Double y = gridY + kInterpolationPointOffsets[i][1] * s.yRes;
    m_core->interpData.x[i] = x;
    m_core->interpData.y[i] = y;
    m_core->interpData.z[i] =
        insideManualBounds(x, y) ? readScriptPoint(x, y) : Single(TG_M_DPEC_NONEXISTENTPOINT);
  }
}

void TessaglyphMachine::gatherInterpolationData(Double lat, Double lon) {
  // Until the points are in, there is no record of this read.
  m_core->interpDataSet = false;
  m_core->interpDataFromMEX = false;
  checkInterpolationCapabilities();
  Double natX = 0;
  Double natY = 0;
  getNativeCoordinates(lat, lon, natX, natY);
  TG_TRACE("machine.getInterpolationData lat = " + doubleToText(lat) + ", lon = " +
           doubleToText(lon) + ", x = " + doubleToText(natX) + ", y = " + doubleToText(natY));
  lookUpDatapointAttribute();

  TG_M_INTERPDATA& data = m_core->interpData;
  data.targetX = natX;
  data.targetY = natY;

  // The manual geometry must be whole before points are laid out on it. Any resolution but 0
  // lays them out (a negative one steps west or south); 0 divides by zero in the grid-point
  // formulas.
  auto requireManualGrid = [this] {
    requireManualSettings();
    if (m_core->manualSettings.xRes == 0 || m_core->manualSettings.yRes == 0) {
      raisePlatformError(PLATFORM_E_DIVISIONBYZERO, kGatherSource);
    }
  };

  switch (m_core->interpolationMode) {
    case TG_M_IM_NONE:
      data.numPoints = 1;
      data.x[0] = natX;
      data.y[0] = natY;
      data.z[0] = readScriptPoint(natX, natY);
      break;
    case TG_M_IM_CLOSESTPOINT: {
      data.numPoints = 1;
      Double x = natX;
      Double y = natY;
      if (!m_core->scriptClosestPointCapable) {
        if (!m_core->scriptManualCapable) {
          throw Error(TG_M_E_SCRIPTMANUALINCAPABLE, kGatherSource,
                      "The closest point cannot be manually determined");
        }
        requireManualGrid();
        closestGridPoint(natX, natY, x, y);
      }
      data.x[0] = x;
      data.y[0] = y;
      data.z[0] = readScriptPoint(x, y);
      break;
    }
    case TG_M_IM_4POINT:
    case TG_M_IM_MAX4:
      data.numPoints = 4;
      if (m_core->script4PointCapable) {
        if (m_core->routineLocations[TG_M_RAI_IFOURPOINT] == -1) {
          throw Error(TG_M_E_ROUTINENOTDEFINED, kGatherSource,
                      routineMissingText("ifourpoint", "interp_4point"));
        }
        runPointRoutine(TG_M_RAI_IFOURPOINT, 4);
      } else if (m_core->scriptManualCapable) {
        requireManualGrid();
        gatherManualPoints(4);
      } else {
        throw Error(
            TG_M_E_SCRIPTMANUALINCAPABLE, kGatherSource,
            std::string("The points for 4-point interpolation cannot be ") + "manually calculated");
      }
      break;
    case TG_M_IM_12POINT:
      data.numPoints = 12;
      if (m_core->script12PointCapable) {
        if (m_core->routineLocations[TG_M_RAI_ITWELVEPOINT] == -1) {
          throw Error(TG_M_E_ROUTINENOTDEFINED, kGatherSource,
                      routineMissingText("itwelvepoint", "interp_12point"));
        }
        runPointRoutine(TG_M_RAI_ITWELVEPOINT, 12);
      } else if (m_core->scriptManualCapable) {
        requireManualGrid();
        gatherManualPoints(12);
      } else {
        throw Error(TG_M_E_SCRIPTMANUALINCAPABLE, kGatherSource,
                    std::string("The points for 12-point interpolation cannot be ") +
                        "manually calculated");
      }
      break;
    default:
      raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, kGatherSource);
  }

  // Entries beyond the count keep nothing of earlier reads.
  for (auto i = std::size_t(data.numPoints); i < TG_M_INTERPDATA::kMaxPoints; ++i) {
    data.x[i] = 0;
    data.y[i] = 0;
    data.z[i] = 0;
  }

  if (traceEnabled()) {
    traceLine(
        "machine.getInterpolationData xRes = " + doubleToText(m_core->manualSettings.xRes) +
        ", yRes = " + doubleToText(m_core->manualSettings.yRes) +
        ", m_scriptManualInterpolationCapable = " + booleanToText(m_core->scriptManualCapable));
    for (Integer i = 0; i < data.numPoints; ++i) {
      traceLine("machine.getInterpolationData rtnVal.x(" + longToText(i) +
                ") x = " + doubleToText(data.x[std::size_t(i)]) +
                ", y = " + doubleToText(data.y[std::size_t(i)]));
    }
  }
  m_core->interpDataSet = true;
}

TG_M_INTERPDATA TessaglyphMachine::getInterpolationData(Double lat, Double lon) {
  MethodScope scope(profiler(), kGatherSource);
  gatherInterpolationData(lat, lon);
  return m_core->interpData;
}

TG_M_INTERPDATA TessaglyphMachine::lastInterpData() const {
  constexpr const char* source = "TessaglyphMachine::lastInterpData Get";
  MethodScope scope(profiler(), source);
  if (!isLastInterpDataSet()) {
    throw Error(TG_M_E_INTERPDATAEMPTY, source, "There is no interpolation data to provide");
  }
  return m_core->interpDataFromMEX ? inMachinePointOrder(m_core->mex->lastInterpData())
                                   : m_core->interpData;
}

Boolean TessaglyphMachine::isLastInterpDataSet() const noexcept {
  if (m_core->interpDataFromMEX) return m_core->mex && m_core->mex->lastInterpDataSet();
  return m_core->interpDataSet;
}

}  // namespace tg
