#pragma once

namespace kelvra {

// One check pass: measures the drive, files the figure in the day ring,
// records today's average, settles the chart bounds, saves the ring, draws
// the chart and logs the status line, then pauses one second. The first
// command-line argument, when given, names the drive. Without any drive it
// logs event 30001 and returns, touching no file. The schedule calls it with
// both flags false; they change nothing. Raises the history store's
// EConvertError or EInOutError, ending the pass where it stands. Service
// thread.
void DoItAll(bool flag1, bool flag2);

}  // namespace kelvra
