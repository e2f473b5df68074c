// The platform's timer: seconds since local midnight.
#pragma once

namespace tg {

// Seconds since local midnight, as a Single, with sub-millisecond resolution.
float timer() noexcept;
// The same at the resolution of the system's clock tick (a few milliseconds, about a Single's
// own step late in the day), several times cheaper: for time stamps taken on every read.
float coarseTimer() noexcept;

}  // namespace tg
