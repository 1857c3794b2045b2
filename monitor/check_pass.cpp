#include "monitor/check_pass.h"

#include <cstdint>
#include <limits>
#include <string>

#include "monitor/drives.h"
#include "monitor/history_store.h"
#include "monitor/settings.h"
#include "monitor/usage_chart.h"
#include "platform/env.h"
#include "platform/jpeg_encoder.h"
#include "support/event_log.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"

namespace kelvra {
namespace {

constexpr uint32_t kPauseMs = 1000;
constexpr int64_t kMsPerSlot = 5 * 60 * 1000;

void Log(int32_t code, const std::string& message) {
  tLogRec rec;
  rec.Code = code;
  rec.Trace = 0;
  rec.Message = message;
  std::string file_name;
  LogEntry(rec, file_name);
}

// Signed 64-bit arithmetic that wraps instead of overflowing.
int64_t WrappingSub(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
int64_t WrappingMul(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

// The slot nearest to the time of day, halves to the even slot. From
// 23:57:30 the nearest time is the coming midnight, which is slot 0.
int32_t SlotOfTimeOfDay(const CivilDateTime& time) {
  const int64_t ms_of_day =
      ((time.hour * 60LL + time.minute) * 60 + time.second) * 1000 + time.millisecond;
  // Both operands are exact, so an exact half stays an exact half.
  const int64_t slot = RoundHalfEvenToInt64(static_cast<double>(ms_of_day) / kMsPerSlot);
  return static_cast<int32_t>(slot % kDaySlotCount);
}

// sum / count to the nearest whole number, an exact half to the even one;
// integer arithmetic keeps every digit of large sums. Both are above 0.
int64_t RoundedAverage(int64_t sum, int32_t count) {
  const int64_t quotient = sum / count;
  const int64_t twice_remainder = (sum % count) * 2;
  if (twice_remainder > count || (twice_remainder == count && quotient % 2 != 0))
    return quotient + 1;
  return quotient;
}

// The smallest power of ten from 1 up that is not below min, stopping at the
// largest one a signed 64-bit value holds.
int64_t MagnitudeOf(int64_t min) {
  int64_t magnitude = 1;
  while (magnitude < min && magnitude <= std::numeric_limits<int64_t>::max() / 10) magnitude *= 10;
  return magnitude;
}

void WorkOutBounds() {
  if (gSettings.i64Max < 0) {
    for (const int64_t value : DaySlots)
      if (value > gSettings.i64Max) gSettings.i64Max = value;
  }
  if (gSettings.i64Min < 0) {
    for (const int64_t value : DaySlots)
      if (value > 0 && (gSettings.i64Min < 0 || value < gSettings.i64Min)) gSettings.i64Min = value;
  }
}

std::string PercentText(int64_t used, int64_t total) {
  if (total <= 0) return FormatGrouped(int64_t{0});
  return FormatGrouped(static_cast<double>(WrappingMul(100, used)) / static_cast<double>(total));
}

}  // namespace

void DoItAll(bool, bool) {
  JpegEncoder encoder;
  Env* env = GetEnv();
  const std::string& host = GlobalSettings.HostName;

  const std::string argument = env->ParamStr(1);
  if (!argument.empty()) gSettings.Drive = UpperAscii(argument.substr(0, 1));
  if (gSettings.Drive.empty()) {
    Log(30001,
        "[Function=DiskSpaceLib.DoItAll][Error=No drive: set Drive in Kelvra.dat or name one on "
        "the command line]");
    return;
  }
  const int32_t drive_number = DriveNumber(gSettings.Drive);
  if (gSettings.LogFile.empty()) gSettings.LogFile = gSettings.Drive + ".log";
  if (gSettings.AvgFile.empty()) gSettings.AvgFile = gSettings.Drive + ".avg";
  if (gSettings.JpgFile.empty()) gSettings.JpgFile = gSettings.Drive + ".jpg";

  LoadDayRing(gSettings.LogFile);
  Log(70000, "DiskSpaceLib.DoItAll(start), host=" + host);

  const CivilDateTime now = DecodeDateTime(env->Now());
  const int32_t current_slot = SlotOfTimeOfDay(now);
  const int64_t total = DiskSize(drive_number);
  const int64_t free_bytes = DiskFree(drive_number);
  const int64_t used = WrappingSub(total, free_bytes);
  DaySlots[static_cast<size_t>(current_slot)] = used;

  int32_t count = 0;
  int64_t sum = 0;
  SummariseDayRing(count, sum);
  if (count > 0 && sum > 0) {
    gSettings.i64Avg = RoundedAverage(sum, count);
    LoadDailyAverages(gSettings.AvgFile);
    Log(72000, "gSettings.i64Avg=" + std::to_string(gSettings.i64Avg) +
                   ", iCount=" + std::to_string(count) + ", sAvgFile=" + gSettings.AvgFile);
    const int64_t today = DayNumberFromCivil(now.year, now.month, now.day);
    RecordDailyAverage(static_cast<int32_t>(today), gSettings.i64Avg);
    SaveDailyAverages(gSettings.AvgFile);
  } else {
    gSettings.i64Avg = 0;
  }

  WorkOutBounds();
  const int64_t delta = WrappingSub(gSettings.i64Max, gSettings.i64Min);
  const int64_t magnitude = MagnitudeOf(gSettings.i64Min);
  Log(72001, "gSettings.i64Min=" + std::to_string(gSettings.i64Min) +
                 ", gSettings.i64Max=" + std::to_string(gSettings.i64Max) +
                 ", i64Delta=" + std::to_string(delta) + ", i64Mag=" + std::to_string(magnitude) +
                 ", gSettings.JpgFile=" + gSettings.JpgFile);

  SaveDayRing(gSettings.LogFile);

  if (delta > 0 && !gSettings.JpgFile.empty()) {
    DrawUsageChart(DaySlots, current_slot, gSettings.i64Min, gSettings.i64Max, delta,
                   gSettings.Title, gSettings.JpgFile, encoder);
  }

  const std::string percent = PercentText(used, DiskSize(drive_number));
  Log(50001, "At " + DateTimeText(env->Now()) + " diskspace used on " + host + " '" +
                 gSettings.Drive + "' drive was " + FormatGrouped(used) + " bytes (" + percent +
                 "%).");

  env->SleepMs(kPauseMs);
  Log(70000, "DiskSpaceLib.DoItAll(end), host=" + host);
}

}  // namespace kelvra
