// The descriptions of removable media that the index keeps, as a source file asks for them when
// it shows the "Disk Swap" box. The index implements it and hands it to the files it makes;
// a host that builds files itself may hand in its own.
#pragma once

#include <string>

namespace tg {

class MediumDescriptions {
 public:
  virtual ~MediumDescriptions() = default;
  // The description recorded for a medium identifier; empty when there is none.
  virtual std::string mediumDescription(const std::string& RMDescID) const = 0;
};

}  // namespace tg
