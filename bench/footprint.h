#pragma once

namespace kelvra {

// Starts the built service in a temp program directory, waits for its first
// check pass (chart drawn) and prints its resident size (VmRSS and VmHWM
// from /proc), then stops it. Prints why when it cannot.
void PrintServiceFootprint();

}  // namespace kelvra
