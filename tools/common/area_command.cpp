// tessaglyph area info: what an area of source files looks like once prepared.
//
//   tessaglyph area info --script S.tgp FILE|FOLDER... [--max-open N] [--interp M] [--macro M]
//       prints the area's extent, its sectors (size and count) with the files listed in each,
//       and every file with its bounds and whether it is open
//   tessaglyph area info --index [--bounds N,W,S,E] [--rules NAME] ...
//       the same for the area of the indexed files (all of them, or those of --bounds)
//
// Exit status: 0, or 2 for a bad command line or files that cannot be read.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "common/area_query.hpp"
#include "common/subcommand.hpp"

namespace tg::tools {
namespace {

int runAreaInfo(const AreaQueryOptions& options) {
  const auto area = prepareArea("area info", options);
  if (!area) return 2;
  std::printf("%-14s %d\n", "files", int(area->numFiles()));
  std::printf("%-14s %d of at most %d\n", "open files", int(area->numOpenFiles()),
              int(area->maximumOpenFiles()));
  std::printf("%-14s %.9g\n%-14s %.9g\n%-14s %.9g\n%-14s %.9g\n", "north", area->areaMaxY(),
              "south", area->areaMinY(), "west", area->areaMinX(), "east", area->areaMaxX());
  std::printf("%-14s %d x %d (%.9g x %.9g degrees)\n", "sectors", int(area->numSectorsX()),
              int(area->numSectorsY()), area->sectorXRes(), area->sectorYRes());
  std::printf("\nsector  (col,row)  west          north         files\n");
  for (Integer row = 0; row < area->numSectorsY(); ++row) {
    for (Integer col = 0; col < area->numSectorsX(); ++col) {
      const TG_BOUNDS bounds = area->sectorBoundaries(col, row);
      std::string list;
      for (Integer i = 1; i <= area->sectorFileCount(col, row); ++i) {
        const auto file = area->sectorFile(col, row, i);
        for (Integer f = 1; f <= area->numFiles(); ++f) {
          if (area->files(f) == file) list += (list.empty() ? "" : " ") + std::to_string(f);
        }
      }
      std::printf("%-7d (%d,%d)%*s%-13.9g %-13.9g %s\n",
                  int(row) * int(area->numSectorsX()) + int(col), int(col), int(row),
                  int(9 - std::to_string(col).size() - std::to_string(row).size()), "",
                  bounds.westLon, bounds.northLat, list.empty() ? "-" : list.c_str());
    }
  }
  std::printf("\nfile  open  west          east          south         north         name\n");
  for (Integer f = 1; f <= area->numFiles(); ++f) {
    const auto file = area->files(f);
    const TG_BOUNDS& b = file->metrics().bounds;
    std::printf("%-5d %-5s %-13.9g %-13.9g %-13.9g %-13.9g %s\n", int(f),
                area->fileOpen(f) ? "yes" : "no", b.westLon, b.eastLon, b.southLat, b.northLat,
                file->filename().c_str());
  }
  return 0;
}

}  // namespace

Subcommand addAreaCommand(CLI::App& app) {
  auto options = std::make_shared<AreaQueryOptions>();
  CLI::App* area = app.add_subcommand("area", "Areas of source files");
  area->require_subcommand(1);
  CLI::App* info = area->add_subcommand(
      "info", "Prints the sectors and files of an area and which files are open");
  addAreaQueryOptions(*info, *options);
  info->add_option("files", options->files, "FILE|FOLDER... (none with --index)");
  return {area, [info, options] { return info->parsed() ? runAreaInfo(*options) : 2; }};
}

}  // namespace tg::tools
