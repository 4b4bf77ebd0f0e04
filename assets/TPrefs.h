// The per-user preferences file "user:prefs.dat": key/value records per installation of the
// game, slot 0 global and slot n + 1 for user n, each chunk payload but the user markers
// enciphered under the game's key.
//
// File: a sequence of chunks, each a 4-byte tag, a u32 little-endian payload length
// (1..0x400000) and the payload. "IKEY": an install key's text with its zero byte; "USER": the
// slot number as u16 (not enciphered); "KVPR": u16 key length K (text + zero byte), the key's
// K bytes, then the value's bytes.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "assets/FileReplace.h"
#include "assets/StringCipher.h"
#include "core/str.h"

class TFile;

class TPrefs {
public:
  // Reads "encryptionkey" and "installkey" from the settings, then loads the file.
  explicit TPrefs(bool writingEnabled);
  // Saves as Save does.
  ~TPrefs();
  TPrefs(const TPrefs&) = delete;
  TPrefs& operator=(const TPrefs&) = delete;

  // user -1 is the global record, 0, 1, ... the users.
  str GetString(const str& key, const str& defaultValue, int user = -1) const;
  int GetInt(const str& key, int defaultValue, int user = -1) const;
  // Slot absent: 0; key absent: -1; no buffer or a buffer smaller than the value: the value's
  // length (nothing copied); else the value is copied and 0 returned.
  int GetData(const str& key, void* buffer, int size, int user = -1) const;

  // Text values are stored with their zero byte. A value too large for the file, or a user
  // number past the file's slot limit, is refused with a log line.
  void SetString(const str& key, const str& value, int user = -1, bool saveNow = false);
  void SetInt(const str& key, int value, int user = -1, bool saveNow = false);
  void SetData(const str& key, const void* bytes, int size, int user = -1, bool saveNow = false);

  int GetUserCount() const;
  // Later users move down by one.
  void DeleteUser(int user);

  // Reads what is intact of the file; a damaged file is named in the log, and the next save
  // keeps it beside the new one as "prefs.dat.damaged" (numbered when that is taken). With no
  // file but a complete "prefs.dat.tmp" (a save stopped before its rename), that is read.
  void Load();
  // Writes a new file beside the old one and replaces the old one only once the new one is
  // complete and on the disk; false (logged) when it could not be written. True without writing when
  // writing is disabled.
  bool Save();

  const str& GetInstallKey() const { return mInstallKey; }
  // Tests stop a save at one of its steps, as a crash there would.
  void SetReplaceHook(FileReplaceHook hook) { mReplaceHook = std::move(hook); }

  // Slot limit of the file format: "USER" numbers above it end the reading.
  static constexpr int kMaxSlot = 0x400;
  static constexpr uint32_t kMaxPayload = 0x400000;

private:
  using Value = std::vector<uint8_t>;
  using Slot = std::map<str, Value>;
  using Slots = std::vector<Slot>;

  const Value* Find(const str& key, int user) const;
  void Store(const str& key, const uint8_t* bytes, size_t size, int user, bool saveNow);
  void LoadOldXml(bool installFileExists, const str& installText);
  // Offset of the first installation record at or after `from` that reads; -1 when none.
  int32_t FindInstallRecord(TFile* file, int32_t from);
  // Reads the chunks of an open file (and closes it); false when it is damaged.
  bool ReadChunks(TFile* file, const str& name, bool adoptLeadingKey);
  bool ReadChunk(TFile* file, char tag[4], std::vector<uint8_t>& payload);
  void AppendChunk(std::vector<uint8_t>& out, const char* tag, const std::vector<uint8_t>& plain);

  StringCipher mCipher;
  std::map<str, Slots> mStore;
  Slots* mCurrent = nullptr;
  str mKeyText;
  str mFileName;
  str mInstallKey;
  bool mWritingEnabled;
  // The file last loaded could not be read to its end: the next save keeps it aside.
  bool mDamaged = false;
  FileReplaceHook mReplaceHook;
};
