#include "support/exception_report.h"

#include <exception>
#include <pugixml.hpp>

#include "platform/env.h"
#include "platform/errors.h"
#include "support/global_settings.h"
#include "support/text_helpers.h"

namespace kelvra {
namespace {

// Collects the saved document in memory (no stream machinery needed).
struct StringWriter : pugi::xml_writer {
  std::string data;
  void write(const void* bytes, size_t size) override {
    data.append(static_cast<const char*>(bytes), size);
  }
};

constexpr char kFallbackFile[] = "Exception.txt";
constexpr char kTimestampField[] = "{timestamp}";

int32_t gFailAtMarker = 0;
std::string gFailMessage;

// Records a finished step; raises the injected test fault when it is due.
void SetMarker(int32_t* marker, int32_t value) {
  *marker = value;
  if (gFailAtMarker != 0 && value == gFailAtMarker) throw KelvraError(gFailMessage);
}

// XML 1.0 admits no control characters but tab, LF and CR, not even as
// character references, so any other one (NUL included) would make the
// report unreadable; each becomes '?'.
std::string XmlSafeText(const std::string& text) {
  std::string out = text;
  for (char& ch : out) {
    const unsigned char u = static_cast<unsigned char>(ch);
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') ch = '?';
  }
  return out;
}

pugi::xml_node AddElement(pugi::xml_node parent, const char* name) {
  pugi::xml_node child = parent.append_child(name);
  if (!child) throw KelvraError(std::string("Cannot add element ") + name);
  return child;
}

void AddTextElement(pugi::xml_node parent, const char* name, const std::string& text) {
  pugi::xml_node child = AddElement(parent, name);
  if (!child.text().set(XmlSafeText(text).c_str()) && !text.empty())
    throw KelvraError(std::string("Cannot set the text of ") + name);
}

std::string ComposeFileName(const std::string& name_template) {
  const std::string directory = GetAppPath("");
  const std::string stamp = FormatDateTime("yyyymmddhhnnsszzz", GetEnv()->Now());
  if (name_template.empty()) return directory + "EXCEPTION-" + stamp + ".XML";
  std::string name = name_template;
  const size_t at = name.find(kTimestampField);
  if (at != std::string::npos) name.replace(at, sizeof kTimestampField - 1, stamp);
  return directory + name;
}

}  // namespace

void FailExceptionReportAtForTesting(int32_t marker, const std::string& message) {
  gFailAtMarker = marker;
  gFailMessage = message;
}

void SaveExceptionRecAsXML(const tExceptionRec& rec, std::string& file_name) {
  int32_t marker = 0;
  std::string composed_name;
  try {
    SetMarker(&marker, 100);
    pugi::xml_document document;
    SetMarker(&marker, 200);
    document.reset();
    SetMarker(&marker, 210);
    // Texts are single-byte code-page text and go out byte for byte; the
    // declaration names an encoding in which every byte is a character.
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "ISO-8859-1";
    SetMarker(&marker, 220);
    pugi::xml_node root = AddElement(document, "xml");
    SetMarker(&marker, 230);
    pugi::xml_node exception = AddElement(root, "Exception");
    SetMarker(&marker, 300);

    Env* env = GetEnv();
    // The children of "Exception" in order, each with the marker set once
    // it is added.
    const struct {
      const char* name;
      std::string text;
      int32_t marker;
    } children[] = {
        {"DateTime", FormatDateTime("YYYY-MM-DD HH:MM:SS", env->Now()), 305},
        {"MachineUpTime", GetMachineUpTime().Text, 310},
        {"SelfName", GlobalSettings.SelfName, 315},
        {"Version", GlobalSettings.Version, 320},
        {"Function", rec.Function, 325},
        {"Trace", std::to_string(rec.Trace), 330},
        {"HostName", GlobalSettings.HostName, 335},
        {"ClassName", rec.ClassName, 340},
        {"e.Message", rec.Message, 360},
        {"Notes", rec.Notes, 380},
    };
    for (const auto& child : children) {
      AddTextElement(exception, child.name, child.text);
      SetMarker(&marker, child.marker);
    }

    composed_name = ComposeFileName(rec.FileName);
    SetMarker(&marker, 420);

    // The document goes to memory first and then replaces the file whole, so
    // a failed save never leaves half a report.
    StringWriter text;
    document.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    SetMarker(&marker, 440);
    if (!env->ReplaceFile(composed_name, text.data))
      throw EInOutError("Cannot save file \"" + composed_name + "\"");
    SetMarker(&marker, 460);

    if (rec.Beep) {
      for (const uint32_t hz : {200u, 400u, 800u, 1600u}) env->Beep(hz, 50);
    }
    SetMarker(&marker, 480);
  } catch (const std::exception& e) {
    AppendTimestampedLine("tessix.SaveExceptionRecAsXML LogRec.Trace=" + std::to_string(marker) +
                              " E.Message=" + e.what() + " sFileName=" + composed_name + " ",
                          kFallbackFile);
  } catch (...) {
    AppendTimestampedLine("tessix.SaveExceptionRecAsXML LogRec.Trace=" + std::to_string(marker) +
                              " E.Message= sFileName=" + composed_name + " ",
                          kFallbackFile);
  }
  file_name = composed_name;
}

tMachineUpTime GetMachineUpTime() {
  constexpr uint64_t kMsPerWeek = 604800000;
  constexpr uint64_t kMsPerWholeDay = 86400000;
  tMachineUpTime up;
  const uint64_t t = GetEnv()->TickCount();
  up.Ticks = static_cast<int64_t>(t);
  const uint64_t weeks = t / kMsPerWeek;
  uint64_t rest = t - weeks * kMsPerWeek;
  const uint64_t days = rest / kMsPerWholeDay;
  rest -= days * kMsPerWholeDay;
  const uint64_t hours = rest / 3600000;
  rest -= hours * 3600000;
  const uint64_t minutes = rest / 60000;
  rest -= minutes * 60000;
  const uint64_t seconds = rest / 1000;
  up.Text = std::to_string(weeks) + "w" + std::to_string(days) + "d" + std::to_string(hours) + "h" +
            std::to_string(minutes) + "m" + std::to_string(seconds) + "s";
  up.Days = static_cast<double>(weeks * 7 + days) + static_cast<double>(hours) / 24 +
            static_cast<double>(minutes) / 1440 + static_cast<double>(seconds) / 86400;
  return up;
}

bool AppendTimestampedLine(const std::string& text, const std::string& file_name) {
  try {
    Env* env = GetEnv();
    if (text.empty()) {
      env->DeleteFile(file_name);
      return true;
    }
    return env->AppendToFile(file_name, DateTimeText(env->Now()) + ": " + text + "\r\n");
  } catch (...) {
    return false;
  }
}

}  // namespace kelvra
