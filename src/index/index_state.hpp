// The one index of the process: its open tables and the host's file names. Every
// TessaglyphIndex object works on this state.
#pragma once

#include <memory>
#include <string>

#include "index/index_store.hpp"

namespace tg::index {

struct IndexState {
  std::unique_ptr<IndexStore> store;  // null while the index is not open
  std::string iniFile;
  std::string dftFile;
};

IndexState& state();

// The open store; raises 32001 "The index system has not yet been initialized" with the source
// given otherwise.
IndexStore& requireStore(const std::string& source);

// The upper-case full path of a file, the key the source table knows it by.
std::string sourceKey(const std::string& path);

// Appends a line to the diagnostic log.
void diagnostic(const std::string& line);

}  // namespace tg::index
