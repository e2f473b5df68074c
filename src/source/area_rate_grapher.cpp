// The rate grapher: a rate log drawn as an SVG picture. The plot shows points per second (all
// and valid) against seconds since the log started, with grid lines at the major ticks, tick
// marks and their labels on both axes, and the events the properties ask for as vertical
// lines, dots or asterisks along the top of the plot.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/conversions.hpp"
#include "tessaglyph/area_rate_log.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/user_interface.hpp"

namespace tg {

namespace {

constexpr double kWidth = 800, kHeight = 500;
constexpr double kLeft = 70, kRight = 30, kTop = 60, kBottom = 60;
constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

// A platform colour (0x00BBGGRR) as an SVG colour.
std::string colorText(Long color) {
  const auto value = std::uint32_t(color);
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", value & 0xFF, (value >> 8) & 0xFF,
                (value >> 16) & 0xFF);
  return text;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

struct Axis {
  double min = 0, max = 1;
  int major = 1, minor = 1;
};

// The axis as set, or scaled to the data when its maximum is not above its minimum.
Axis makeAxis(Single min, Single max, double dataMax, Integer major, Integer minor) {
  Axis axis;
  axis.major = std::max<int>(1, major);
  axis.minor = std::max<int>(1, minor);
  if (max > min) {
    axis.min = min;
    axis.max = max;
  } else {
    axis.min = 0;
    axis.max = std::max(1.0, dataMax);
    // Round the top up to a whole number per major interval, so the labels read cleanly.
    axis.max = std::ceil(axis.max / axis.major) * axis.major;
  }
  return axis;
}

class Plot {
 public:
  Plot(const Axis& x, const Axis& y) : m_x(x), m_y(y) {}
  double px(double value) const {
    return kLeft + (value - m_x.min) / (m_x.max - m_x.min) * kPlotWidth;
  }
  double py(double value) const {
    return kTop + kPlotHeight - (value - m_y.min) / (m_y.max - m_y.min) * kPlotHeight;
  }
  bool xInside(double value) const { return value >= m_x.min && value <= m_x.max; }

 private:
  Axis m_x, m_y;
};

void line(std::string& svg, double x1, double y1, double x2, double y2, const std::string& color,
          double width = 1) {
  svg += "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) +
         "\" y2=\"" + number(y2) + "\" stroke=\"" + color + "\" stroke-width=\"" + number(width) +
         "\"/>\n";
}

void label(std::string& svg, double x, double y, const std::string& text, const char* anchor,
           int size = 11) {
  svg += "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" font-family=\"sans-serif\" " +
         "font-size=\"" + std::to_string(size) + "\" text-anchor=\"" + anchor + "\">" +
         escaped(text) + "</text>\n";
}

void polyline(std::string& svg, const std::vector<std::pair<double, double>>& points,
              const std::string& color, const char* kind) {
  if (points.empty()) return;
  svg += std::string("<polyline class=\"") + kind + "\" fill=\"none\" stroke=\"" + color +
         "\" stroke-width=\"1.5\" points=\"";
  for (const auto& [x, y] : points)
    svg += number(x) + "," + number(y) + " ";
  svg += "\"/>\n";
}

// One event's marker at x: a line across the plot, a dot or an asterisk on the event kind's own
// row along the top.
void marker(std::string& svg, TG_ARG_EVENTMARKERTYPES type, double x, int row,
            const std::string& color, const char* kind) {
  if (type == TG_ARG_EMT_EXCLUDE) return;
  const double y = kTop + 6 + row * 10;
  svg += std::string("<g class=\"") + kind + "\">";
  switch (type) {
    case TG_ARG_EMT_EXCLUDE:
      break;
    case TG_ARG_EMT_VERTLINE:
      svg += "<line x1=\"" + number(x) + "\" y1=\"" + number(kTop) + "\" x2=\"" + number(x) +
             "\" y2=\"" + number(kTop + kPlotHeight) + "\" stroke=\"" + color +
             "\" stroke-dasharray=\"3,3\"/>";
      break;
    case TG_ARG_EMT_POINT:
      svg += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"2.5\" fill=\"" + color +
             "\"/>";
      break;
    case TG_ARG_EMT_ASTERIX:
      svg += "<text x=\"" + number(x) + "\" y=\"" + number(y + 5) +
             "\" font-family=\"sans-serif\" font-size=\"14\" text-anchor=\"middle\" fill=\"" +
             color + "\">*</text>";
      break;
  }
  svg += "</g>\n";
}

}  // namespace

std::string TessaglyphAreaRateGrapher::svg() const {
  if (!m_log) raisePlatformError(PLATFORM_E_INVALIDPROCEDURECALL, "TessaglyphAreaRateGrapher");
  const TessaglyphAreaRateLog& log = *m_log;
  double lastSecond = 0, highest = 0;
  for (Long i = 0; i < log.numEvents(); ++i) {
    const TG_ARL_RATEEVENT event = log.rateEvent(i);
    lastSecond = std::max(lastSecond, double(event.secondsIn));
    if (event.eventType == TG_ARL_RET_PPSENTRY || event.eventType == TG_ARL_RET_VALIDPPSENTRY) {
      highest = std::max(highest, double(event.data));
    }
  }
  const Axis xAxis = makeAxis(m_xMin, m_xMax, lastSecond, m_xMajorTicks, m_xMinorTicks);
  const Axis yAxis = makeAxis(m_yMin, m_yMax, highest * 1.1, m_yMajorTicks, m_yMinorTicks);
  const Plot plot(xAxis, yAxis);

  std::string svg = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) + "\" height=\"" +
         number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) + " " + number(kHeight) + "\">\n";
  svg += "<title>" + escaped(m_dialogTitle) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"" + colorText(m_backColor) + "\"/>\n";
  label(svg, kWidth / 2, 24, m_dialogTitle, "middle", 15);

  const std::string grid = colorText(m_gridColor);
  // Grid lines and ticks: majors carry a label, minors a short mark.
  for (int i = 0; i <= xAxis.major * xAxis.minor; ++i) {
    const double value = xAxis.min + (xAxis.max - xAxis.min) * i / (xAxis.major * xAxis.minor);
    const double x = plot.px(value);
    const bool major = i % xAxis.minor == 0;
    if (major && m_verticalGridLines) line(svg, x, kTop, x, kTop + kPlotHeight, grid);
    line(svg, x, kTop + kPlotHeight, x, kTop + kPlotHeight + (major ? 6 : 3), "#000000");
    if (major) label(svg, x, kTop + kPlotHeight + 20, singleToText(Single(value)), "middle");
  }
  for (int i = 0; i <= yAxis.major * yAxis.minor; ++i) {
    const double value = yAxis.min + (yAxis.max - yAxis.min) * i / (yAxis.major * yAxis.minor);
    const double y = plot.py(value);
    const bool major = i % yAxis.minor == 0;
    if (major && m_horizontalGridLines) line(svg, kLeft, y, kLeft + kPlotWidth, y, grid);
    line(svg, kLeft - (major ? 6 : 3), y, kLeft, y, "#000000");
    if (major) label(svg, kLeft - 9, y + 4, singleToText(Single(value)), "end");
  }
  svg += "<rect x=\"" + number(kLeft) + "\" y=\"" + number(kTop) + "\" width=\"" +
         number(kPlotWidth) + "\" height=\"" + number(kPlotHeight) +
         "\" fill=\"none\" stroke=\"#000000\"/>\n";
  label(svg, kLeft + kPlotWidth / 2, kHeight - 15, "seconds", "middle");
  svg += "<text transform=\"translate(18 " + number(kTop + kPlotHeight / 2) +
         ") rotate(-90)\" font-family=\"sans-serif\" font-size=\"11\" " +
         "text-anchor=\"middle\">points per second</text>\n";

  std::vector<std::pair<double, double>> pps, vpps;
  for (Long i = 0; i < log.numEvents(); ++i) {
    const TG_ARL_RATEEVENT event = log.rateEvent(i);
    const double x = plot.px(event.secondsIn);
    const bool inside = plot.xInside(event.secondsIn);
    switch (event.eventType) {
      case TG_ARL_RET_PPSENTRY:
        if (inside) pps.emplace_back(x, plot.py(event.data));
        break;
      case TG_ARL_RET_VALIDPPSENTRY:
        if (inside) vpps.emplace_back(x, plot.py(event.data));
        break;
      case TG_ARL_RET_SECTORCHANGE:
        if (inside)
          marker(svg, m_sectorSwitchEvents, x, 0, colorText(m_sectorSwitchEventsColor), "sector");
        break;
      case TG_ARL_RET_FILEOPEN:
        if (inside) marker(svg, m_fileOpenEvents, x, 1, colorText(m_fileOpenEventsColor), "open");
        break;
      case TG_ARL_RET_FILECLOSE:
        if (inside)
          marker(svg, m_fileCloseEvents, x, 2, colorText(m_fileCloseEventsColor), "close");
        break;
      case TG_ARL_RET_ARRAYRESIZE:
        if (inside) marker(svg, m_resizeEvents, x, 3, colorText(m_resizeEventsColor), "resize");
        break;
    }
  }
  if (m_ppsLine) polyline(svg, pps, colorText(m_ppsLineColor), "pps");
  if (m_vppsLine) polyline(svg, vpps, colorText(m_vppsLineColor), "vpps");

  // The legend names the two lines and the figures of the log.
  const double legendY = 44;
  line(svg, kLeft, legendY - 4, kLeft + 20, legendY - 4, colorText(m_ppsLineColor), 2);
  label(svg, kLeft + 24, legendY, "PPS (max " + longToText(log.maximumPPS()) + ")", "start");
  line(svg, kLeft + 180, legendY - 4, kLeft + 200, legendY - 4, colorText(m_vppsLineColor), 2);
  label(svg, kLeft + 204, legendY, "valid PPS (max " + longToText(log.maximumValidPPS()) + ")",
        "start");
  label(svg, kLeft + kPlotWidth, legendY,
        longToText(log.numPoints()) + " points, " + longToText(log.numEvents()) + " events", "end");
  svg += "</svg>\n";
  return svg;
}

void TessaglyphAreaRateGrapher::writeSvg(const std::string& path) const {
  const std::string picture = svg();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(picture.data(), std::streamsize(picture.size()));
  out.close();
  if (!out) raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR, "TessaglyphAreaRateGrapher");
}

void TessaglyphAreaRateGrapher::show() const {
  userInterface().showPicture(m_dialogTitle, svg());
}

}  // namespace tg
