#include "assets/TStringTable.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "assets/FileLayer.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"

namespace {

// Larger than any string table a game ships; a bigger file is refused, not allocated.
constexpr int32_t kMaxStringFile = 64 * 1024 * 1024;

// `noCloseFrom` remembers where a search for ">" last failed: nothing beyond it can find one,
// so a file of cells without ">" is not searched to its end once per cell.
str CellValue(std::string_view text, size_t dataPos, size_t& end, size_t& noCloseFrom) {
  size_t gt = dataPos + 5 >= noCloseFrom ? std::string_view::npos : text.find('>', dataPos + 5);
  if (gt == std::string_view::npos) {
    if (dataPos + 5 < noCloseFrom) noCloseFrom = dataPos + 5;
    end = text.size();
    return str();
  }
  size_t lt = text.find('<', gt + 1);
  end = lt == std::string_view::npos ? text.size() : lt;
  str value(text.data() + gt + 1, static_cast<unsigned>(end - gt - 1));
  uint32_t length = 0;
  bool entityStart = false;
  XmlUnescape(value, length, entityStart);
  return value;
}

size_t Count(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Where a damaged or cut-off file first goes wrong (npos when it looks whole), and how. The rows
// before that point are still read; the log names the file so that the missing labels that
// follow have a cause.
size_t FindDamage(std::string_view text, const char*& what) {
  size_t row = text.find("<Row");
  size_t lastClose = 0;
  while (row != std::string_view::npos) {
    const size_t next = text.find("<Row", row + 4);
    const std::string_view rowText =
        text.substr(row, next == std::string_view::npos ? std::string_view::npos : next - row);
    const size_t close = rowText.find("</Row>");
    if (close == std::string_view::npos) {
      what = "a row is not closed";
      return row;
    }
    if (Count(rowText, "<Data") != Count(rowText, "</Data>")) {
      what = "a cell is not closed";
      return row;
    }
    lastClose = row + close;
    row = next;
  }
  if (text.find("<Table") != std::string_view::npos &&
      text.find("Table>", lastClose) == std::string_view::npos) {
    what = "the file ends before its table is closed";
    return text.size();
  }
  return std::string_view::npos;
}

bool AllDigits(const str& s) {
  for (unsigned i = 0; i < s.Length(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return s.Length() > 0;
}

}  // namespace

TStringTable::TStringTable() = default;

TStringTable::~TStringTable() { mStrings.clear(); }

bool TStringTable::Load(const str& name) {
  mStrings.clear();
  return AddStrings(name);
}

bool TStringTable::AddStrings(const str& name) {
  TFile* file = FileOpen(name.CStr(), kFileReadBinary);
  if (!file) return false;
  FileSeek(file, 0, kSeekEnd);
  int32_t size = FileTell(file);
  FileSeek(file, 0, kSeekStart);
  if (size < 0 || size > kMaxStringFile) {
    EngineLog("String file %s is too large to read", name.CStr());
    FileClose(file);
    return false;
  }
  std::vector<char> bytes(static_cast<size_t>(size) + 1, 0);
  int32_t got = FileRead(file, bytes.data(), size);
  FileClose(file);
  size_t length = got > 0 ? static_cast<size_t>(got) : 0;

  if (length >= 4 && std::memcmp(bytes.data(), "ZXML", 4) == 0) {
    std::vector<char> inflated;
    if (!InflateZxml(bytes.data(), length, inflated)) {
      EngineLog("String file %s does not inflate", name.CStr());
      return false;
    }
    AddRows(inflated.data(), inflated.size());
    ReportDamage(name, inflated.data(), inflated.size());
    return true;
  }
  AddRows(bytes.data(), length);
  ReportDamage(name, bytes.data(), length);
  return true;
}

void TStringTable::ReportDamage(const str& name, const char* data, size_t length) {
  const std::string_view text(data, length);
  const char* what = "";
  const size_t at = FindDamage(text, what);
  if (at == std::string_view::npos) return;
  const size_t line = Count(text.substr(0, at), "\n") + 1;
  EngineLog("String file %s is damaged at line %u: %s; labels from there on are missing",
            name.CStr(), static_cast<unsigned>(line), what);
}

void TStringTable::AddRows(const char* data, size_t length) {
  std::string_view text(data, length);
  size_t noCloseFrom = std::string_view::npos;
  size_t row = text.find("<Row");
  while (row != std::string_view::npos) {
    size_t next = text.find("<Row", row + 4);
    size_t rowEnd = next == std::string_view::npos ? text.size() : next;
    // Cells are looked for inside the row only, so rows without cells cost no search
    // through the rest of the file.
    const std::string_view rowText = text.substr(0, rowEnd);
    size_t labelCell = rowText.find("<Data", row);
    if (labelCell != std::string_view::npos) {
      size_t end = 0;
      str label = CellValue(text, labelCell, end, noCloseFrom);
      str value;
      size_t textCell = end < rowEnd ? rowText.find("<Data", end) : std::string_view::npos;
      if (textCell != std::string_view::npos) value = CellValue(text, textCell, end, noCloseFrom);
      mStrings[label] = value;
    }
    row = next;
  }
}

void TStringTable::AddFolderStrings(const str& prefix) {
  str name;
  while (FindIndexedFile(prefix, name, false)) {
    str rest = name.Substr(prefix.Length());
    if (rest.Length() >= 6 && std::memcmp(rest.CStr(), "string", 6) == 0 && name.Find(".xml") >= 0)
      AddStrings(name);
  }
}

str TStringTable::GetString(const str& label, const str& arg1, const str& arg2, const str& arg3,
                            const str& arg4, const str& arg5) {
  const str* args[5] = {&arg1, &arg2, &arg3, &arg4, &arg5};
  bool failed = false;
  std::string result;

  auto appendLabel = [&](const str& name) {
    auto it = mStrings.find(name);
    if (it == mStrings.end())
      failed = true;
    else
      result.append(it->second.CStr(), it->second.Length());
  };
  auto escape = [&](const str& name) {
    if (name.IsEmpty()) {
      result += '%';
    } else if (AllDigits(name)) {
      // By value, so "01" is argument 1; a long run of digits saturates and fails.
      const int n = name.ToInt();
      if (n < 1 || n > 5) {
        failed = true;
        return;
      }
      const str& arg = *args[n - 1];
      if (arg.IsEmpty() || arg[0] != '%') {
        result.append(arg.CStr(), arg.Length());
      } else if (arg == "%%") {
        result += '%';
      } else if (arg.Length() >= 2 && arg[arg.Length() - 1] == '%') {
        appendLabel(arg.Substr(1, arg.Length() - 2));
      } else {
        failed = true;
      }
    } else {
      appendLabel(name);
    }
  };

  auto found = mStrings.find(label);
  if (found == mStrings.end()) {
    failed = true;
  } else {
    const str text = found->second;
    const char* bytes = text.CStr();
    const unsigned n = text.Length();
    for (unsigned i = 0; i < n && !failed;) {
      if (bytes[i] != '%') {
        result += bytes[i++];
        continue;
      }
      int close = text.Find('%', 0, i + 1);
      if (close < 0) {
        EngineLog("Non-matched percent (%%) escape found in string %s, '%s'", label.CStr(),
                  text.CStr());
        escape(text.Substr(i + 1));
        ++i;
        continue;
      }
      escape(text.Substr(i + 1, static_cast<unsigned>(close) - i - 1));
      i = static_cast<unsigned>(close) + 1;
    }
  }
  if (failed) {
    if (!mQuiet) EngineLog(" ##### : Missing string for label '%s'", label.CStr());
    return "#####";
  }
  return str(result.data(), static_cast<unsigned>(result.size()));
}

void TStringTable::GetFlashStrings(std::vector<str>& labels) const {
  size_t before = labels.size();
  for (const auto& entry : mStrings)
    if (entry.first.Length() >= 6 && std::memcmp(entry.first.CStr(), "FLASH_", 6) == 0)
      labels.push_back(entry.first);
  if (labels.size() != before) return;
  for (const auto& entry : mStrings) {
    int a = 0, b = 0;
    if (std::sscanf(entry.first.CStr(), "flash%2d_%2d", &a, &b) >= 1) labels.push_back(entry.first);
  }
}
