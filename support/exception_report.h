#pragma once
// Exception reports: one small XML file per failure caught in the support
// library, with a fallback line in "Exception.txt" when the report cannot be
// written. Also the machine up-time text and time-stamped text lines.

#include <cstdint>
#include <string>

namespace kelvra {

// One failure to report.
struct tExceptionRec {
  std::string Function;   // failed routine, e.g. "tessix.SetServiceRegistry"
  std::string ClassName;  // class name of the caught exception
  std::string Message;    // its message
  int32_t Trace = 0;      // the failed routine's progress marker
  std::string Notes;      // free text, may be empty
  std::string FileName;   // name template with "{timestamp}"; empty: default
  bool Beep = false;      // four tones after a successful save
};

// The machine's up-time as read from the 32-bit millisecond tick counter,
// which wraps after 4294967295 ms.
struct tMachineUpTime {
  std::string Text;  // e.g. "0w1d1h1m1s"
  int64_t Ticks = 0;
  double Days = 0;  // whole seconds, in days
};

// Writes the report of rec as an XML document: element "xml" holding
// "Exception" with DateTime, MachineUpTime, SelfName, Version, Function,
// Trace, HostName, ClassName, e.Message and Notes. The file is the program's
// directory followed by rec.FileName with its first "{timestamp}" replaced
// by the time as 17 digits (or "EXCEPTION-<digits>.XML" when rec.FileName is
// empty); it is replaced whole. Beeps four tones after a successful save when
// rec.Beep is set. On any failure appends one line to "Exception.txt"
// instead. file_name receives the name composed (empty when the failure came
// before it was). Never raises; runs on the calling thread.
void SaveExceptionRecAsXML(const tExceptionRec& rec, std::string& file_name);

// Reads the tick counter once and splits it into weeks, days, hours,
// minutes and seconds.
tMachineUpTime GetMachineUpTime();

// Appends "<DateTimeText(now)>: <text>" and CR LF to the file, creating it
// when missing; an empty text deletes the file instead. False on failure,
// never raises.
bool AppendTimestampedLine(const std::string& text, const std::string& file_name);

// Makes SaveExceptionRecAsXML fail with an error of the given message as soon
// as its progress marker reaches marker; 0 turns the fault off.
void FailExceptionReportAtForTesting(int32_t marker, const std::string& message);

}  // namespace kelvra
