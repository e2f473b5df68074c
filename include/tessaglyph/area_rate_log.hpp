// TessaglyphAreaRateLog counts how fast an area answers point queries: points per second (all
// points, and valid ones), their extremes, and a time line of the area's events (sector
// changes, files opened and closed). TessaglyphAreaRateGrapher draws a log as an SVG picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tessaglyph/types.hpp"

namespace tg {

class TessaglyphAreaRateGrapher;

enum TG_ARL_RATEEVENTTYPES : std::int32_t {
  TG_ARL_RET_PPSENTRY = 0,       // data: points counted in the last second
  TG_ARL_RET_VALIDPPSENTRY = 1,  // data: valid points counted in the last second
  TG_ARL_RET_SECTORCHANGE = 2,   // data: the new sector's index
  TG_ARL_RET_FILEOPEN = 3,       // data: the file's position
  TG_ARL_RET_FILECLOSE = 4,      // data: the file's position
  TG_ARL_RET_ARRAYRESIZE = 5,    // data: 0
};

enum TG_ARL_ERRORS : std::int32_t {
  TG_ARL_E_ERRBASE = 12000,
  TG_ARL_E_RATELOGFULL = 12001,
};

struct TG_ARL_RATEEVENT {
  TG_ARL_RATEEVENTTYPES eventType = TG_ARL_RET_PPSENTRY;
  Single secondsIn = 0;  // seconds since start
  Long data = 0;

  friend bool operator==(const TG_ARL_RATEEVENT&, const TG_ARL_RATEEVENT&) = default;
};

// The event array starts at 1001 entries and grows by 500; it holds at most this many, about
// five and a half days of per-second entries, before logEvent raises 12001.
inline constexpr Long kRateLogInitialEvents = 1001;
inline constexpr Long kRateLogEventGrowth = 500;
inline constexpr Long kRateLogMaximumEvents = kRateLogInitialEvents + 1998 * kRateLogEventGrowth;

class TessaglyphAreaRateLog : public std::enable_shared_from_this<TessaglyphAreaRateLog> {
 public:
  // The clock gives the current date and time; the default is the system clock.
  using Clock = std::function<Date()>;

  TessaglyphAreaRateLog();
  explicit TessaglyphAreaRateLog(Clock clock);

  Long numPoints() const noexcept { return m_numPoints; }
  // The extremes are -1 until the first entry.
  Long maximumPPS() const noexcept { return m_maximumPPS; }
  Long minimumPPS() const noexcept { return m_minimumPPS; }
  // Points over elapsedTime; 0 before a second has passed.
  Single averagePPS() const;
  Long numValidPoints() const noexcept { return m_numValidPoints; }
  Long maximumValidPPS() const noexcept { return m_maximumValidPPS; }
  Long minimumValidPPS() const noexcept { return m_minimumValidPPS; }
  Single averageValidPPS() const;
  // Seconds since start while started; the whole seconds fixed by stopLog afterwards.
  Single elapsedTime() const;
  Long numEvents() const noexcept { return m_numEvents; }
  // Events are numbered from 0; another index raises 9.
  TG_ARL_RATEEVENT rateEvent(Long index) const;
  // Seconds between the event and the last points-per-second entry (all points, or valid
  // points) before it, or since start when there was none.
  Single timeSinceLastPPSEvent(Long index) const;
  Single timeSinceLastValidPPSEvent(Long index) const;
  Boolean started() const noexcept { return m_started; }

  std::shared_ptr<TessaglyphAreaRateGrapher> createNewGrapher();
  // Clears the counts, the extremes (to -1) and the events.
  void reset();
  void start();
  void stopLog();
  // Records an event while started; 12001 once the array cannot grow any further.
  void logEvent(TG_ARL_RATEEVENTTYPES etype, Long data);
  // Counts a query's value while started (valid: -32100 or more) and, once a second has passed
  // since the last entry, records the points of that second.
  void countPoint(Single elevation);

 private:
  // Seconds since start: the time of day minus the start's, plus a day per date change.
  double secondsSinceStart() const;
  void dayAndTime(Date when, Long& day, double& timeOfDay) const;
  Single timeSinceLast(Long index, TG_ARL_RATEEVENTTYPES type) const;
  static void updateExtremes(Long count, Long& maximum, Long& minimum) noexcept;

  Clock m_clock;
  Boolean m_started = false;
  Long m_startDay = 0;          // days since the epoch, local calendar
  double m_startTimeOfDay = 0;  // seconds since local midnight
  double m_lastEntry = 0;       // seconds since start of the last PPS entry
  Single m_frozenElapsed = 0;
  Long m_numPoints = 0, m_numValidPoints = 0;
  Long m_secondPoints = 0, m_secondValidPoints = 0;
  Long m_maximumPPS = -1, m_minimumPPS = -1, m_maximumValidPPS = -1, m_minimumValidPPS = -1;
  std::vector<TG_ARL_RATEEVENT> m_events;  // sized to the array's current dimension
  Long m_numEvents = 0;
  mutable Long m_day = 0;     // the local day last asked of the calendar
  mutable Date m_dayBegan{};  // and when it began
};

// How the grapher marks one kind of event.
enum TG_ARG_EVENTMARKERTYPES : std::int32_t {
  TG_ARG_EMT_EXCLUDE = 0,
  TG_ARG_EMT_VERTLINE = 1,
  TG_ARG_EMT_POINT = 2,
  TG_ARG_EMT_ASTERIX = 3,
};

// Draws a rate log: the points-per-second lines against seconds, grid lines, ticks with their
// labels and the events' markers. Colours are Longs in the platform's order, 0x00BBGGRR. An
// axis whose maximum is not above its minimum is scaled to the log.
class TessaglyphAreaRateGrapher {
 public:
  const std::shared_ptr<TessaglyphAreaRateLog>& log() const noexcept { return m_log; }
  void setLog(std::shared_ptr<TessaglyphAreaRateLog> log) noexcept { m_log = std::move(log); }

  Long backColor() const noexcept { return m_backColor; }
  void setBackColor(Long value) noexcept { m_backColor = value; }
  Long gridColor() const noexcept { return m_gridColor; }
  void setGridColor(Long value) noexcept { m_gridColor = value; }
  Boolean horizontalGridLines() const noexcept { return m_horizontalGridLines; }
  void setHorizontalGridLines(Boolean value) noexcept { m_horizontalGridLines = value; }
  Boolean verticalGridLines() const noexcept { return m_verticalGridLines; }
  void setVerticalGridLines(Boolean value) noexcept { m_verticalGridLines = value; }
  Long ppsLineColor() const noexcept { return m_ppsLineColor; }
  void setPpsLineColor(Long value) noexcept { m_ppsLineColor = value; }
  Boolean ppsLine() const noexcept { return m_ppsLine; }
  void setPpsLine(Boolean value) noexcept { m_ppsLine = value; }
  Long vppsLineColor() const noexcept { return m_vppsLineColor; }
  void setVppsLineColor(Long value) noexcept { m_vppsLineColor = value; }
  Boolean vppsLine() const noexcept { return m_vppsLine; }
  void setVppsLine(Boolean value) noexcept { m_vppsLine = value; }
  Long sectorSwitchEventsColor() const noexcept { return m_sectorSwitchEventsColor; }
  void setSectorSwitchEventsColor(Long value) noexcept { m_sectorSwitchEventsColor = value; }
  TG_ARG_EVENTMARKERTYPES sectorSwitchEvents() const noexcept { return m_sectorSwitchEvents; }
  void setSectorSwitchEvents(TG_ARG_EVENTMARKERTYPES value) noexcept {
    m_sectorSwitchEvents = value;
  }
  Long resizeEventsColor() const noexcept { return m_resizeEventsColor; }
  void setResizeEventsColor(Long value) noexcept { m_resizeEventsColor = value; }
  TG_ARG_EVENTMARKERTYPES resizeEvents() const noexcept { return m_resizeEvents; }
  void setResizeEvents(TG_ARG_EVENTMARKERTYPES value) noexcept { m_resizeEvents = value; }
  Long fileOpenEventsColor() const noexcept { return m_fileOpenEventsColor; }
  void setFileOpenEventsColor(Long value) noexcept { m_fileOpenEventsColor = value; }
  TG_ARG_EVENTMARKERTYPES fileOpenEvents() const noexcept { return m_fileOpenEvents; }
  void setFileOpenEvents(TG_ARG_EVENTMARKERTYPES value) noexcept { m_fileOpenEvents = value; }
  Long fileCloseEventsColor() const noexcept { return m_fileCloseEventsColor; }
  void setFileCloseEventsColor(Long value) noexcept { m_fileCloseEventsColor = value; }
  TG_ARG_EVENTMARKERTYPES fileCloseEvents() const noexcept { return m_fileCloseEvents; }
  void setFileCloseEvents(TG_ARG_EVENTMARKERTYPES value) noexcept { m_fileCloseEvents = value; }
  Single xMin() const noexcept { return m_xMin; }
  void setXMin(Single value) noexcept { m_xMin = value; }
  Single xMax() const noexcept { return m_xMax; }
  void setXMax(Single value) noexcept { m_xMax = value; }
  Single yMin() const noexcept { return m_yMin; }
  void setYMin(Single value) noexcept { m_yMin = value; }
  Single yMax() const noexcept { return m_yMax; }
  void setYMax(Single value) noexcept { m_yMax = value; }
  // Major intervals along an axis, and minor intervals within each major one.
  Integer xMajorTicks() const noexcept { return m_xMajorTicks; }
  void setXMajorTicks(Integer value) noexcept { m_xMajorTicks = value; }
  Integer xMinorTicks() const noexcept { return m_xMinorTicks; }
  void setXMinorTicks(Integer value) noexcept { m_xMinorTicks = value; }
  Integer yMajorTicks() const noexcept { return m_yMajorTicks; }
  void setYMajorTicks(Integer value) noexcept { m_yMajorTicks = value; }
  Integer yMinorTicks() const noexcept { return m_yMinorTicks; }
  void setYMinorTicks(Integer value) noexcept { m_yMinorTicks = value; }
  const std::string& dialogTitle() const noexcept { return m_dialogTitle; }
  void setDialogTitle(std::string value) { m_dialogTitle = std::move(value); }

  // The graph as an SVG document; 5 "Invalid procedure call or argument" without a log.
  std::string svg() const;
  // Writes the picture to a file; 75 when it cannot be written.
  void writeSvg(const std::string& path) const;
  // Hands the picture to the user interface to show under dialogTitle.
  void show() const;

 private:
  std::shared_ptr<TessaglyphAreaRateLog> m_log;
  Long m_backColor = 0xFFFFFF;
  Long m_gridColor = 0xD0D0D0;
  Boolean m_horizontalGridLines = true;
  Boolean m_verticalGridLines = true;
  Long m_ppsLineColor = 0xC00000;  // blue
  Boolean m_ppsLine = true;
  Long m_vppsLineColor = 0x008000;  // green
  Boolean m_vppsLine = true;
  Long m_sectorSwitchEventsColor = 0x808080;
  TG_ARG_EVENTMARKERTYPES m_sectorSwitchEvents = TG_ARG_EMT_VERTLINE;
  Long m_resizeEventsColor = 0x800080;
  TG_ARG_EVENTMARKERTYPES m_resizeEvents = TG_ARG_EMT_POINT;
  Long m_fileOpenEventsColor = 0x008000;
  TG_ARG_EVENTMARKERTYPES m_fileOpenEvents = TG_ARG_EMT_ASTERIX;
  Long m_fileCloseEventsColor = 0x0000C0;  // red
  TG_ARG_EVENTMARKERTYPES m_fileCloseEvents = TG_ARG_EMT_ASTERIX;
  Single m_xMin = 0, m_xMax = 0, m_yMin = 0, m_yMax = 0;
  Integer m_xMajorTicks = 10, m_xMinorTicks = 5, m_yMajorTicks = 5, m_yMinorTicks = 2;
  std::string m_dialogTitle = "Area Rate Log";
};

}  // namespace tg
