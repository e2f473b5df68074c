// The index's descriptions of removable disks, for the files that ask for a missing disk.
#pragma once

#include <memory>

#include "source/removable_media.hpp"

namespace tg {

// Looks descriptions up in the open index; with the index closed every description is empty.
std::shared_ptr<const MediumDescriptions> indexMediumDescriptions();

}  // namespace tg
