// Where the benchmarks find the format scripts: scripts/ beside the build folder
// (build/<kind>/../../scripts) or below the working folder.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

inline std::filesystem::path findBenchScripts() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  for (const fs::path& candidate :
       {exe.parent_path() / ".." / ".." / "scripts", fs::path("scripts")}) {
    if (fs::exists(candidate / "srtm_hgt.tgs")) return candidate;
  }
  throw std::runtime_error("cannot find scripts/srtm_hgt.tgs");
}
