#pragma once
// The usage history store: the day ring of five-minute figures and the
// table of daily averages, each kept in a small text file, plus the scratch
// file behind the latest ring average. Service thread only; no lock.

#include <array>
#include <cstdint>
#include <string>

namespace kelvra {

constexpr int32_t kDaySlotCount = 288;   // five-minute slots of one day
constexpr int32_t kDailyAvgCount = 288;  // days the average table covers

// Used bytes per five-minute slot: entry k is the time of day k x 5 minutes.
// Above 0 is a figure; 0 or below counts as no figure.
extern std::array<int64_t, kDaySlotCount> DaySlots;
// Average used bytes of day BaseDay + i; above 0 is present.
extern std::array<int64_t, kDailyAvgCount> DailyAvg;
// Day number of DailyAvg entry 0; 0 until a file line or a record fixes it.
extern int32_t BaseDay;

extern const char kScratchFileName[];  // "scrap.txt"

// Reads the day-ring file into DaySlots, line by line. A line holding "="
// is "minute=value" (minute 0 to 1439, entry minute / 5); any other line is
// "entry-value" (entry 0 to 287). Commas are removed first; a field that is
// not a number counts as 0. A later line for an entry overwrites an earlier
// one; entries no line names keep their value. Lines naming a place outside
// the table are skipped once their value converted. A missing file changes
// nothing. Raises EConvertError at the first value that is not a signed
// decimal (an empty line included; earlier lines stay applied) and
// EInOutError when the file exists but cannot be read.
void LoadDayRing(const std::string& file_name);

// Counts and sums the DaySlots figures above 0 (sum wraps as a signed 64-bit
// value) and rewrites kScratchFileName: "count=value" per figure, then
// "gSettings.i64Avg=" with the sum. Raises EInOutError when the file cannot
// be written; the old file then stays whole.
void SummariseDayRing(int32_t& count, int64_t& sum);

// Clears DailyAvg and BaseDay, then reads the daily-average file
// ("day-value" lines, commas removed): the first non-zero day fixes BaseDay.
// A day 288 or more days after BaseDay moves BaseDay on, dropping the oldest
// days; a day before BaseDay is skipped. Returns BaseDay (0 when the file
// names no day). Raises as LoadDayRing.
int32_t LoadDailyAverages(const std::string& file_name);

// Files the average under the day today: BaseDay becomes today when it is 0;
// a day before BaseDay is ignored and one past the table moves BaseDay on.
void RecordDailyAverage(int32_t today, int64_t average);

// Rewrite the files whole from the tables: one "number-value" line, CR LF
// ended, per entry above 0 in ascending order, values grouped by threes with
// commas. Raise EInOutError when the file cannot be written; the old file
// then stays whole.
void SaveDailyAverages(const std::string& file_name);
void SaveDayRing(const std::string& file_name);

// Returns DaySlots, DailyAvg and BaseDay to their process-start values.
void ResetHistoryForTesting();

}  // namespace kelvra
