#pragma once

namespace kelvra {

// One check pass: measures the drive, files the figure in the day ring,
// records today's average, settles the chart bounds, saves the ring, draws
// the chart and logs the status line. The schedule calls it with both flags
// false. Raises the history store's EConvertError or EInOutError.
void DoItAll(bool flag1, bool flag2);

}  // namespace kelvra
