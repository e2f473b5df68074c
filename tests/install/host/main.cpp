// A tiny host program built against an installed Tessaglyph: it opens a grid file with a
// format script, reads a few positions and tells the reserved values apart, as the README's
// host example does.
#include <tessaglyph/tessaglyph.hpp>

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: host GRID SCRIPT.tgp\n";
    return 2;
  }
  try {
    auto file = tg::Tessaglyph().OpenFile(argv[1], argv[2]);
    const double positions[][2] = {{20.5, 10.5}, {21.4, 11.4}, {20.6, 11.4}, {45, 45}};
    for (const auto& position : positions) {
      const tg::Single value = file->point(position[0], position[1]);
      std::cout << position[0] << ',' << position[1] << ',';
      if (value == tg::Single(tg::TG_M_DPEC_NONEXISTENTPOINT)) {
        std::cout << "no data\n";
      } else if (value == tg::Single(tg::TG_M_DPEC_NOTENOUGHINTERPDATA)) {
        std::cout << "a point the interpolation needs is missing\n";
      } else if (value == tg::Single(tg::TG_M_DPEC_RETRIEVALERROR)) {
        std::cout << "read failed\n";
      } else {
        std::cout << value << '\n';
      }
    }
  } catch (const tg::Error& error) {
    std::cerr << "host: error " << error.number() << ": " << error.description() << '\n';
    return 1;
  }
  return 0;
}
