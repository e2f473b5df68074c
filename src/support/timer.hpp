// The platform's timer: seconds since local midnight.
#pragma once

namespace tg {

// Seconds since local midnight, as a Single, with sub-millisecond resolution.
float timer() noexcept;

}  // namespace tg
