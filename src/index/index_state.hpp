// The one index of the process: its open tables and the host's file names. Every
// TessaglyphIndex object works on this state.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "index/index_store.hpp"
#include "tessaglyph/index.hpp"

namespace tg::index {

struct IndexState {
  std::unique_ptr<IndexStore> store;  // null while the index is not open
  // The keys of every source file this process has seen in an opened table or tried to index.
  // Filled when the index opens, extended by indexSourceFile, kept when the index closes and
  // never shrunk: a file in it counts as indexed for the rest of the process.
  std::unordered_set<std::string> sourceKeys;
  std::string iniFile;
  std::string dftFile;
  // Set by area preparation: the pertinent-file searches show no message box while it is.
  bool silent = false;
  // Seconds from a fixed start, for the progress window of area preparation; a steady clock
  // unless replaced.
  std::function<double()> clock;
};

IndexState& state();

// The open store; raises 32001 "The index system has not yet been initialized" with the source
// given otherwise.
IndexStore& requireStore(const std::string& source);

// The upper-case full path of a file, the key the source table knows it by.
std::string sourceKey(const std::string& path);

// A source row as the index hands it out.
TG_I_INDEXRECORD indexRecordOf(const SourceRow& row);
// A record's full path: its folder, a separator where the folder lacks one, and its name.
std::string recordPath(const TG_I_INDEXRECORD& record);

// Seconds by the state's clock.
double seconds();

// Whether the host program's settings file (INIFile) sets a switch of its "Diagnostics"
// section ("NoRSLocal", "Skip_Priority_List").
bool diagnosticSwitch(const std::string& name);

// Appends a line to the diagnostic log.
void diagnostic(const std::string& line);

}  // namespace tg::index
