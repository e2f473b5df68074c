// tessaglyph.File: a source file and the machine of its script, read with numpy arrays.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "python_support.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg::python {

class SourceFile {
 public:
  // Opens the file (errors of opening raise); positions are asked on the script's own datum.
  SourceFile(const std::string& source, const std::string& script);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // The open file; ValueError once closed. Call it holding the library's lock.
  TessaglyphFile& file() const;
  bool closed() const { return !m_file; }
  void close();

  std::string source() const;
  const std::string& scriptPath() const { return m_script; }
  std::string datum() const;
  void setDatum(const std::string& datum);
  const std::string& ownDatum() const { return m_ownDatum; }
  TG_FILEMETRICS metrics() const;
  std::vector<std::string> interpolations() const;
  py::dict info() const;

  float point(double lat, double lon, const std::string& interp,
              const std::optional<std::string>& datum);
  py::array_t<float> points(py::handle lats, py::handle lons, const std::string& interp,
                            const std::optional<std::string>& datum, py::handle nodata);
  // The benchmark's yardstick: the same reads as points() in a plain loop, timed in C++.
  double baselineSeconds(const std::vector<double>& lats, const std::vector<double>& lons,
                         const std::string& interp);

 private:
  class CallSettings;
  void closeLocked() noexcept;

  std::shared_ptr<TessaglyphFile> m_file;
  std::string m_script;
  std::string m_ownDatum;
};

// The datum the script gives the file's data, at the middle of its bounds.
std::string scriptDatum(TessaglyphFile& file);
// ValueError unless positions on `from` convert to `to` (tried at the middle of `where`): a
// datum the conversion does not know would quietly read every position in the wrong place.
void requireConvertible(const std::string& from, const std::string& to, const TG_BOUNDS& where);
// A script argument as a program path: a bundled script's name becomes its program file.
std::string resolveScript(const std::string& script);

void bindFile(py::module_& m);

}  // namespace tg::python
