#include "datum_binding.hpp"

#include <string>
#include <tuple>

#include "source/datum_conversion.hpp"

namespace tg::python {

namespace {

std::tuple<py::array_t<double>, py::array_t<double>, py::array_t<std::int16_t>> convert(
    py::handle lats, py::handle lons, const std::string& from, const std::string& to) {
  const Positions positions(lats, lons);
  py::array_t<double> outLats(positions.shape()), outLons(positions.shape());
  py::array_t<std::int16_t> statuses(positions.shape());
  double* y = outLats.mutable_data();
  double* x = outLons.mutable_data();
  std::int16_t* status = statuses.mutable_data();
  {
    LibraryCall call;
    for (const std::string* name : {&from, &to}) {
      if (!datumConverter().isValidKey(datumKeyOf(*name, name == &to).key))
        throw py::value_error("unknown datum \"" + *name + "\"");
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
      Integer result = 0;
      convertDatum(positions.lat(i), positions.lon(i), from, y[i], x[i], to, result);
      status[i] = result;
    }
  }
  return {outLats, outLons, statuses};
}

}  // namespace

void bindDatum(py::module_& m) {
  m.def("convert", &convert, py::arg("lats"), py::arg("lons"), py::arg("from_datum"),
        py::arg("to_datum"),
        "Converts positions between datums (NAD27, NAD83, WGS84, WGS72, \"No Adjustment\" or a "
        "CRS PROJ knows). Returns (lats, lons, status): float64 arrays of the positions' shape "
        "and an int16 status per position, 0 when converted; any other status leaves that "
        "position as it was. A target beginning with UTM27 gives northing and easting in metres. "
        "An unknown datum raises ValueError.");
}

}  // namespace tg::python
