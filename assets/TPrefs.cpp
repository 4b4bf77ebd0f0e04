// Loading and saving the preferences file, and the older XML form it replaced.
#include "assets/TPrefs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "assets/FileLayer.h"
#include "assets/FileReplace.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "platform/os/Directory.h"

namespace {

constexpr const char kPrefsFile[] = "user:prefs.dat";
constexpr const char kInstallFile[] = "install.txt";
// An install key is one short line; anything longer is not one.
constexpr int kMaxInstallText = 4096;

// Slots a file may number beyond its count of "USER" records (a file edited by hand can skip
// one).
constexpr int kSlotMargin = 4;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// Text up to the first zero byte (or the end).
str TextOf(const uint8_t* bytes, size_t length) {
  size_t n = 0;
  while (n < length && bytes[n] != 0) ++n;
  return str(reinterpret_cast<const char*>(bytes), unsigned(n));
}

std::vector<uint8_t> TextBytes(const str& text) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text.CStr());
  return std::vector<uint8_t>(p, p + text.Length() + 1);
}

// Enciphered size of a plain payload of n bytes.
uint64_t PaddedSize(uint64_t n) { return (n & ~uint64_t(7)) + 8; }

// Whether the file ends at the offset (moves the file's position).
bool EndsAt(TFile* file, int32_t offset) {
  FileSeek(file, 0, kSeekEnd);
  return FileTell(file) == offset;
}

// Number of "USER" records from the offset to the end of the file, read from the record heads
// alone; the file's position is put back.
int CountUserRecords(TFile* file, int32_t from) {
  int count = 0;
  uint8_t head[8];
  for (int32_t at = from; FileRead(file, head, 8) == 8;) {
    uint32_t length = uint32_t(head[4]) | (uint32_t(head[5]) << 8) | (uint32_t(head[6]) << 16) |
                      (uint32_t(head[7]) << 24);
    if (length == 0 || length > TPrefs::kMaxPayload) break;
    if (head[0] == 'U') ++count;
    at += 8 + int32_t(length);
    FileSeek(file, at, kSeekStart);
  }
  FileSeek(file, from, kSeekStart);
  return count;
}

// Reads "install.txt" whole; false when it does not exist.
bool ReadInstallFile(str& text) {
  text = str();
  TFile* file = FileOpen(kInstallFile, kFileReadText);
  if (file == nullptr) return false;
  char buffer[kMaxInstallText];
  int32_t got = FileRead(file, buffer, kMaxInstallText);
  FileClose(file);
  if (got > 0) text = str(buffer, unsigned(got));
  return true;
}

TXmlNode* DocumentRoot(TXmlNode& document) {
  // The older file's root element has no name: "<>...</>".
  TXmlNode* first = document.GetChild(0);
  return first != nullptr && first->GetName().IsEmpty() ? first : &document;
}

uint32_t OldChecksum(const str& text) {
  uint32_t sum = 0;
  for (unsigned i = 0; i < text.Length(); ++i) {
    uint32_t widened = uint32_t(int32_t(int8_t(text[i])));
    sum ^= widened << (8 * (i % 4));
  }
  return sum;
}

}  // namespace

TPrefs::TPrefs(bool writingEnabled)
    : mCipher(GetConfig(kConfigEncryptionKey, "").CStr()),
      mKeyText(GetConfig(kConfigEncryptionKey, "")),
      mFileName(kPrefsFile),
      mWritingEnabled(writingEnabled) {
  if (mKeyText.IsEmpty()) EngineLog("ERROR: No encryption key set before TPrefs construction!");
  mInstallKey = GetConfig(kConfigInstallKey, "");
  if (mInstallKey.IsEmpty()) mInstallKey = "unknown";
  Load();
}

TPrefs::~TPrefs() { Save(); }

bool TPrefs::ReadChunk(TFile* file, char tag[4], std::vector<uint8_t>& payload) {
  uint8_t head[8];
  if (FileRead(file, head, 8) != 8) return false;
  std::memcpy(tag, head, 4);
  uint32_t length = uint32_t(head[4]) | (uint32_t(head[5]) << 8) | (uint32_t(head[6]) << 16) |
                    (uint32_t(head[7]) << 24);
  if (length == 0 || length > kMaxPayload) return false;
  payload.resize(length);
  if (FileRead(file, payload.data(), int(length)) != int32_t(length)) return false;
  if (tag[0] == 'U') return true;
  std::vector<uint8_t> plain(length);
  if (mCipher.Decipher(payload.data(), int(length), plain.data(), int(length), false) != 0)
    return false;
  int result = mCipher.GetLastLength();
  if (result <= 0) return false;
  plain.resize(size_t(result));
  payload.swap(plain);
  return true;
}

void TPrefs::Load() {
  // The file is the whole truth: nothing of an earlier load survives.
  mStore.clear();
  mCurrent = nullptr;
  mDamaged = false;
  str installText;
  bool installFileExists = ReadInstallFile(installText);
  bool adoptLeadingKey = installFileExists && installText.IsEmpty();
  if (installFileExists && !installText.IsEmpty()) mInstallKey = installText;
  mInstallKey = LowerAscii(mInstallKey);
  mCurrent = &mStore[mInstallKey];

  TFile* file = FileOpen(mFileName.CStr(), kFileReadBinary);
  if (file == nullptr) {
    // A save stopped after writing its new file but before putting it in place leaves only
    // that file; when it is whole it is the player's latest data.
    str replacement = mFileName + ".tmp";
    if (TFile* spare = FileOpen(replacement.CStr(), kFileReadBinary)) {
      if (ReadChunks(spare, replacement, adoptLeadingKey)) {
        EngineLog("TPrefs: %s is missing; the complete %s is used in its place", mFileName.CStr(),
                  replacement.CStr());
        mDamaged = false;
        return;
      }
      EngineLog("TPrefs: %s is missing and %s is incomplete; neither is read", mFileName.CStr(),
                replacement.CStr());
      mStore.clear();
      mDamaged = false;
    }
    if (installFileExists && !installText.IsEmpty()) mInstallKey = installText;
    mCurrent = &mStore[mInstallKey];
    return;
  }
  char lead[2] = {};
  if (FileRead(file, lead, 2) == 2 && lead[0] == '<' && lead[1] == '>') {
    FileClose(file);
    LoadOldXml(installFileExists, installText);
    Save();
    return;
  }
  FileSeek(file, 0, kSeekStart);
  ReadChunks(file, mFileName, adoptLeadingKey);
}

int32_t TPrefs::FindInstallRecord(TFile* file, int32_t from) {
  FileSeek(file, 0, kSeekEnd);
  int32_t size = FileTell(file);
  if (size <= from) return -1;
  std::vector<uint8_t> bytes(size_t(size - from));
  FileSeek(file, from, kSeekStart);
  if (FileRead(file, bytes.data(), int(bytes.size())) != int32_t(bytes.size())) return -1;
  static constexpr char kTag[4] = {'I', 'K', 'E', 'Y'};
  char tag[4];
  std::vector<uint8_t> payload;
  for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), kTag, kTag + 4)) != bytes.end();
       ++at) {
    int32_t offset = from + int32_t(at - bytes.begin());
    FileSeek(file, offset, kSeekStart);
    if (ReadChunk(file, tag, payload)) return offset;
  }
  return -1;
}

bool TPrefs::ReadChunks(TFile* file, const str& name, bool adoptLeadingKey) {
  char tag[4];
  std::vector<uint8_t> payload;
  const bool leadIntact = ReadChunk(file, tag, payload) && tag[0] == 'I';
  if (!leadIntact) {
    // The cipher does not depend on the leading record, and every section begins with an
    // installation record of its own: reading goes on from the next one that reads.
    int32_t next = FindInstallRecord(file, 1);
    if (next < 0) {
      mDamaged = !EndsAt(file, 0);
      FileClose(file);
      EngineLog("TPrefs: %s does not begin with an installation record; its settings are not read",
                name.CStr());
      return false;
    }
    FileSeek(file, next, kSeekStart);
    ReadChunk(file, tag, payload);
    mDamaged = true;
    EngineLog("TPrefs: the installation record of %s is damaged; reading on from byte %d",
              name.CStr(), int(next));
  }
  str section = LowerAscii(TextOf(payload.data(), payload.size()));
  if (adoptLeadingKey && leadIntact) {
    mInstallKey = section;
    mCurrent = &mStore[mInstallKey];
  }
  int slot = 0;
  // Pairs are taken only after a "USER" marker of their own section; a file that names no
  // slot for them is damaged.
  bool haveSlot = false;
  int records = 1;
  int32_t at = FileTell(file);
  // A slot number is only believed when the file could hold that many records: one damaged
  // byte must not make dozens of empty players, or two markers one player.
  const int slotLimit = CountUserRecords(file, at) + kSlotMargin;
  std::set<std::pair<str, int>> seen;
  bool intact = true;
  for (; ReadChunk(file, tag, payload); at = FileTell(file), ++records) {
    if (tag[0] == 'I') {
      section = LowerAscii(TextOf(payload.data(), payload.size()));
      haveSlot = false;
    } else if (tag[0] == 'U') {
      if (payload.size() < 2) continue;
      slot = U16(payload.data());
      if (slot > kMaxSlot || slot >= slotLimit || !seen.insert({section, slot}).second) {
        intact = false;
        break;
      }
      Slots& slots = mStore[section];
      if (slots.size() < size_t(slot) + 1) slots.resize(size_t(slot) + 1);
      haveSlot = true;
    } else if (tag[0] == 'K') {
      size_t keyLength = payload.size() < 2 ? 0 : U16(payload.data());
      if (payload.size() < 2 || keyLength + 2 > payload.size()) {
        intact = false;
        break;
      }
      if (!haveSlot) continue;
      str key = TextOf(payload.data() + 2, keyLength);
      mStore[section][size_t(slot)][key] =
          Value(payload.begin() + 2 + long(keyLength), payload.end());
    } else {
      intact = false;
      break;
    }
  }
  // Reading stops at the first record it cannot take; anything after it is lost to this run,
  // so the file is kept aside when it is next replaced.
  if (!intact || !EndsAt(file, at)) {
    mDamaged = true;
    EngineLog("TPrefs: %s is damaged after record %d (byte %d); the rest of it is not read",
              name.CStr(), records, int(at));
  }
  FileClose(file);
  return !mDamaged;
}

void TPrefs::LoadOldXml(bool installFileExists, const str& installText) {
  TXmlNode document;
  TXmlNode plainDocument;
  TXmlNode* root = nullptr;
  if (!mKeyText.IsEmpty()) {
    document.LoadFile(mFileName);
    TXmlNode* outer = DocumentRoot(document);
    TXmlNode* data1 = outer->FindChild("data1");
    TXmlNode* data2 = outer->FindChild("data2");
    if (data1 != nullptr && data2 != nullptr) {
      str enciphered, checksum;
      data1->GetAttribute(enciphered, "data");
      data2->GetAttribute(checksum, "data");
      str plain = mCipher.DecipherString(enciphered.CStr());
      if (uint32_t(std::strtoll(checksum.CStr(), nullptr, 10)) == OldChecksum(plain) &&
          !checksum.IsEmpty()) {
        plainDocument.ParseString(plain.CStr());
        root = DocumentRoot(plainDocument);
      } else {
        EngineLog("TPrefs: %s fails its checksum; its records are not read", mFileName.CStr());
        mDamaged = true;
      }
    }
  } else {
    document.LoadFile(mFileName);
    root = DocumentRoot(document);
  }

  if (installFileExists && !installText.IsEmpty()) {
    mInstallKey = LowerAscii(installText);
  } else if (installFileExists && root != nullptr) {
    if (TXmlNode* install = root->FindChild("install")) {
      str key;
      install->GetAttribute(key, "hwinstallkey");
      mInstallKey = LowerAscii(key);
    }
  }

  if (root != nullptr) {
    str name;
    TXmlNode* install = nullptr;
    root->BeginChildren();
    while (root->NextChild(name, install)) {
      if (name != "install") continue;
      str section;
      install->GetAttribute(section, "hwinstallkey");
      // An installation is kept only with a record in it: the chunk form has no way to write
      // an empty one that reads back.
      Slots* slots = nullptr;
      str slotName;
      TXmlNode* record = nullptr;
      size_t slot = 0;
      install->BeginChildren();
      while (install->NextChild(slotName, record) && slot <= size_t(kMaxSlot)) {
        if (!slots) slots = &mStore[LowerAscii(section)];
        if (slots->size() < slot + 1) slots->resize(slot + 1);
        str key, value;
        record->BeginAttributes();
        while (record->NextAttribute(key, value)) (*slots)[slot][key] = TextBytes(value);
        ++slot;
      }
    }
  }
  mCurrent = &mStore[mInstallKey];
}

const TPrefs::Value* TPrefs::Find(const str& key, int user) const {
  if (mCurrent == nullptr || user < -1 || size_t(user + 1) >= mCurrent->size()) return nullptr;
  const Slot& slot = (*mCurrent)[size_t(user + 1)];
  auto it = slot.find(key);
  return it == slot.end() ? nullptr : &it->second;
}

str TPrefs::GetString(const str& key, const str& defaultValue, int user) const {
  const Value* value = Find(key, user);
  return value ? TextOf(value->data(), value->size()) : defaultValue;
}

int TPrefs::GetInt(const str& key, int defaultValue, int user) const {
  return GetString(key, str::Format("%d", defaultValue), user).ToInt();
}

int TPrefs::GetData(const str& key, void* buffer, int size, int user) const {
  if (mCurrent == nullptr || user < -1 || size_t(user + 1) >= mCurrent->size()) return 0;
  const Value* value = Find(key, user);
  if (value == nullptr) return -1;
  int length = int(value->size());
  if (buffer == nullptr || size < length) return length;
  if (length > 0) std::memcpy(buffer, value->data(), value->size());
  return 0;
}

void TPrefs::Store(const str& key, const uint8_t* bytes, size_t size, int user, bool saveNow) {
  if (mCurrent == nullptr) mCurrent = &mStore[mInstallKey];
  if (user < -1 || user + 1 > kMaxSlot) {
    EngineLog("TPrefs: no record for user %d; %s not stored", user, key.CStr());
    return;
  }
  // The file could not carry it: the reader stops at a chunk past the payload limit.
  uint64_t plain = 2 + uint64_t(key.Length()) + 1 + size;
  if (key.Length() + 1 > 0xFFFF || PaddedSize(plain) > kMaxPayload) {
    EngineLog("TPrefs: value of %s too large to store (%zu bytes)", key.CStr(), size);
    return;
  }
  if (mCurrent->size() < size_t(user) + 2) mCurrent->resize(size_t(user) + 2);
  (*mCurrent)[size_t(user + 1)][key] = Value(bytes, bytes + size);
  if (saveNow) Save();
}

void TPrefs::SetString(const str& key, const str& value, int user, bool saveNow) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(value.CStr());
  Store(key, p, value.Length() + 1, user, saveNow);
}

void TPrefs::SetInt(const str& key, int value, int user, bool saveNow) {
  SetString(key, str::Format("%d", value), user, saveNow);
}

void TPrefs::SetData(const str& key, const void* bytes, int size, int user, bool saveNow) {
  if (size < 0 || (size > 0 && bytes == nullptr)) {
    EngineLog("TPrefs: no data given for %s", key.CStr());
    return;
  }
  Store(key, static_cast<const uint8_t*>(bytes), size_t(size), user, saveNow);
}

int TPrefs::GetUserCount() const {
  return mCurrent != nullptr && !mCurrent->empty() ? int(mCurrent->size()) - 1 : 0;
}

void TPrefs::DeleteUser(int user) {
  if (user < 0 || user >= GetUserCount()) return;
  mCurrent->erase(mCurrent->begin() + (user + 1));
}

void TPrefs::AppendChunk(std::vector<uint8_t>& out, const char* tag,
                         const std::vector<uint8_t>& plain) {
  out.insert(out.end(), tag, tag + 4);
  if (tag[0] == 'U') {
    PutU32(out, uint32_t(plain.size()));
    out.insert(out.end(), plain.begin(), plain.end());
    return;
  }
  int size = mCipher.Encipher(plain.data(), int(plain.size()), nullptr, 0, false);
  std::vector<uint8_t> enciphered(static_cast<size_t>(size));
  mCipher.Encipher(plain.data(), int(plain.size()), enciphered.data(), size, false);
  PutU32(out, uint32_t(enciphered.size()));
  out.insert(out.end(), enciphered.begin(), enciphered.end());
}

bool TPrefs::Save() {
  if (!mWritingEnabled) return true;
  std::vector<uint8_t> bytes;
  AppendChunk(bytes, "IKEY", TextBytes(mInstallKey));
  for (const auto& [installKey, slots] : mStore) {
    AppendChunk(bytes, "IKEY", TextBytes(installKey));
    for (size_t n = 0; n < slots.size(); ++n) {
      std::vector<uint8_t> number;
      PutU16(number, uint32_t(n));
      AppendChunk(bytes, "USER", number);
      for (const auto& [key, value] : slots[n]) {
        // Only the older XML form can bring a pair the chunk form cannot carry; the
        // reader would stop at it and lose every record after it.
        uint64_t plain = 2 + uint64_t(key.Length()) + 1 + value.size();
        if (key.Length() + 1 > 0xFFFF || PaddedSize(plain) > kMaxPayload) {
          EngineLog("TPrefs: value of %s too large to store (%zu bytes)", key.CStr(), value.size());
          continue;
        }
        std::vector<uint8_t> pair;
        PutU16(pair, key.Length() + 1);
        std::vector<uint8_t> keyBytes = TextBytes(key);
        pair.insert(pair.end(), keyBytes.begin(), keyBytes.end());
        pair.insert(pair.end(), value.begin(), value.end());
        AppendChunk(bytes, "KVPR", pair);
      }
    }
  }

  str target = ResolveFilePath(mFileName, false);
  std::string to(target.CStr(), target.Length());
  // A rename would replace even a file the player made read-only.
  if (platform::os::CanRead(to) && !platform::os::CanReadWrite(to)) {
    EngineLog("TPrefs: could not write %s; the previous file is kept", mFileName.CStr());
    return false;
  }
  // What could not be read of a damaged file is not thrown away: it stays beside the new one.
  const bool keepAside = mDamaged && platform::os::CanRead(to);
  str kept;
  bool saved =
      ReplaceFileWhole(mFileName, bytes.data(), bytes.size(), keepAside, mReplaceHook, &kept);
  if (keepAside && !kept.IsEmpty())
    EngineLog("TPrefs: the damaged %s is kept as %s", mFileName.CStr(), kept.CStr());
  else if (keepAside && saved)
    EngineLog("TPrefs: could not keep the damaged %s", mFileName.CStr());
  if (saved) mDamaged = false;
  if (!saved) EngineLog("TPrefs: could not write %s; the previous file is kept", mFileName.CStr());
  return saved;
}
