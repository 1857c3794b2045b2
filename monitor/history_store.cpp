#include "monitor/history_store.h"

#include <algorithm>
#include <string_view>

#include "platform/env.h"
#include "platform/errors.h"
#include "support/text_helpers.h"

namespace kelvra {

std::array<int64_t, kDaySlotCount> DaySlots{};
std::array<int64_t, kDailyAvgCount> DailyAvg{};
int32_t BaseDay = 0;

const char kScratchFileName[] = "scrap.txt";

namespace {

constexpr int32_t kMinutesPerDay = 1440;
constexpr int32_t kMinutesPerSlot = 5;

// The whole file, or an empty text when it does not exist.
std::string ReadHistoryFile(const std::string& file_name) {
  Env* env = GetEnv();
  std::string contents;
  if (env->ReadFile(file_name, &contents)) return contents;
  if (!env->FileExists(file_name)) return std::string();
  throw EInOutError("Cannot read the history file " + file_name);
}

void WriteHistoryFile(const std::string& file_name, const std::string& contents) {
  if (!GetEnv()->ReplaceFile(file_name, contents))
    throw EInOutError("Cannot write the history file " + file_name);
}

// The text with every comma removed, in a buffer reused from line to line
// (the store is used by the service thread only).
const std::string& WithoutCommas(std::string_view text) {
  static std::string out;
  out.clear();
  for (char c : text)
    if (c != ',') out += c;
  return out;
}

// Splits at the first separator; without one, the head is empty and the
// tail the whole text.
void SplitAt(const std::string& line, char separator, std::string_view* head,
             std::string_view* tail) {
  const std::string_view text(line);
  const size_t at = text.find(separator);
  if (at == std::string_view::npos) {
    *head = std::string_view();
    *tail = text;
  } else {
    *head = text.substr(0, at);
    *tail = text.substr(at + 1);
  }
}

void ApplyDayRingLine(std::string_view raw) {
  const std::string& line = WithoutCommas(raw);
  std::string_view head;
  std::string_view tail;
  int64_t entry = 0;
  bool in_table = false;
  if (line.find('=') != std::string::npos) {
    SplitAt(line, '=', &head, &tail);
    const int32_t minute = StrToIntZero(head);
    entry = minute / kMinutesPerSlot;
    in_table = minute >= 0 && minute < kMinutesPerDay;
  } else {
    SplitAt(line, '-', &head, &tail);
    entry = StrToIntZero(head);
    in_table = entry >= 0 && entry < kDaySlotCount;
  }
  const int64_t value = DecimalToInt64(tail);
  if (in_table) DaySlots[static_cast<size_t>(entry)] = value;
}

// Makes room for day in DailyAvg by moving BaseDay on so that day becomes
// the last entry; the days that fall off the front are dropped.
void MoveBaseDayToReach(int64_t day) {
  const int64_t shift = day - BaseDay - (kDailyAvgCount - 1);
  if (shift >= kDailyAvgCount) {
    DailyAvg.fill(0);
  } else {
    std::copy(DailyAvg.begin() + shift, DailyAvg.end(), DailyAvg.begin());
    std::fill(DailyAvg.end() - shift, DailyAvg.end(), 0);
  }
  BaseDay = static_cast<int32_t>(day - (kDailyAvgCount - 1));
}

void StoreDailyAverage(int32_t day, int64_t value) {
  if (static_cast<int64_t>(day) < BaseDay) return;
  if (static_cast<int64_t>(day) - BaseDay >= kDailyAvgCount) MoveBaseDayToReach(day);
  DailyAvg[static_cast<size_t>(static_cast<int64_t>(day) - BaseDay)] = value;
}

void ApplyDailyAverageLine(std::string_view raw) {
  const std::string& line = WithoutCommas(raw);
  std::string_view head;
  std::string_view tail;
  SplitAt(line, '-', &head, &tail);
  const int32_t day = StrToIntZero(head);
  if (BaseDay == 0) BaseDay = day;
  StoreDailyAverage(day, DecimalToInt64(tail));
}

std::string NumberedLines(const int64_t* values, size_t count, int64_t first_number) {
  std::string out;
  out.reserve(count * 24);
  for (size_t i = 0; i < count; ++i) {
    if (values[i] <= 0) continue;
    AppendDecimal(&out, first_number + static_cast<int64_t>(i));
    out += '-';
    AppendGrouped(&out, values[i], ",");
    out += "\r\n";
  }
  return out;
}

// What the last successful SaveDayRing wrote, and the ring it wrote it
// from. When the file still holds exactly those bytes and the ring is
// unchanged, reading the file again would give the ring it already holds,
// so the parse is skipped.
struct SavedRing {
  std::string file_name;
  std::string contents;
  std::array<int64_t, kDaySlotCount> slots{};
  bool valid = false;
};

SavedRing& LastSavedRing() {
  static SavedRing saved;
  return saved;
}

}  // namespace

void LoadDayRing(const std::string& file_name) {
  const std::string contents = ReadHistoryFile(file_name);
  const SavedRing& saved = LastSavedRing();
  if (saved.valid && saved.file_name == file_name && saved.contents == contents &&
      saved.slots == DaySlots)
    return;
  ForEachLine(contents, ApplyDayRingLine);
}

void SummariseDayRing(int32_t& count, int64_t& sum) {
  count = 0;
  uint64_t total = 0;  // wraps instead of overflowing on hand-edited figures
  std::string out;
  out.reserve(DaySlots.size() * 20 + 40);
  for (const int64_t value : DaySlots) {
    if (value <= 0) continue;
    ++count;
    total += static_cast<uint64_t>(value);
    AppendDecimal(&out, count);
    out += '=';
    AppendDecimal(&out, value);
    out += "\r\n";
  }
  sum = static_cast<int64_t>(total);
  out += "gSettings.i64Avg=";
  AppendDecimal(&out, sum);
  out += "\r\n";
  WriteHistoryFile(kScratchFileName, out);
}

int32_t LoadDailyAverages(const std::string& file_name) {
  DailyAvg.fill(0);
  BaseDay = 0;
  ForEachLine(ReadHistoryFile(file_name), ApplyDailyAverageLine);
  return BaseDay;
}

void RecordDailyAverage(int32_t today, int64_t average) {
  if (BaseDay == 0) BaseDay = today;
  StoreDailyAverage(today, average);
}

void SaveDailyAverages(const std::string& file_name) {
  WriteHistoryFile(file_name, NumberedLines(DailyAvg.data(), DailyAvg.size(), BaseDay));
}

void SaveDayRing(const std::string& file_name) {
  SavedRing& saved = LastSavedRing();
  saved.valid = false;
  saved.contents = NumberedLines(DaySlots.data(), DaySlots.size(), 0);
  WriteHistoryFile(file_name, saved.contents);
  saved.file_name = file_name;
  saved.slots = DaySlots;
  saved.valid = true;
}

void ResetHistoryForTesting() {
  LastSavedRing().valid = false;
  DaySlots.fill(0);
  DailyAvg.fill(0);
  BaseDay = 0;
}

}  // namespace kelvra
