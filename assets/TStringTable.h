// The program-wide table of player-visible text, looked up by label. Read from spreadsheet
// files ("strings.xml", plain or "ZXML") scanned as text for rows and cells; lookups fill
// in up to five arguments and other labels through "%" escapes.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/str.h"

class TStringTable {
public:
  TStringTable();
  ~TStringTable();

  // Empties the table, then adds the file's rows.
  bool Load(const str& name);
  // Adds (or replaces) the rows of one file; false when it does not open or is a damaged
  // compressed file (logged).
  bool AddStrings(const str& name);
  // Adds every top-level string file of a folder prefix ("user:", "common:") in key order:
  // names starting with "string" and holding ".xml". Later files win.
  void AddFolderStrings(const str& prefix);

  // The text of a label with the escapes replaced; "#####" (logged) when it cannot be made.
  str GetString(const str& label, const str& arg1 = str(), const str& arg2 = str(),
                const str& arg3 = str(), const str& arg4 = str(), const str& arg5 = str());
  // Labels handed to a movie as text variables.
  void GetFlashStrings(std::vector<str>& labels) const;

  void SetQuiet(bool quiet) { mQuiet = quiet ? 1 : 0; }
  bool IsQuiet() const { return mQuiet != 0; }
  size_t GetCount() const { return mStrings.size(); }

private:
  void AddRows(const char* text, size_t length);
  // Logs, once for the file, where it is damaged or cut off.
  void ReportDamage(const str& name, const char* data, size_t length);

  std::map<str, str> mStrings;
  uint8_t mQuiet = 0;
};
