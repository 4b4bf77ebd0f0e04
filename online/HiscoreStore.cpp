// Keeping the high scores in "user:hiscore.dat": the saved text is enciphered as raw bytes and
// followed by an enciphered block holding its checksum. Also the language file and the server
// address file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "assets/FileLayer.h"
#include "assets/FileReplace.h"
#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "online/THwHiscores.h"
#include "online/THwHiscoresData.h"
#include "platform/os/ModuleInfo.h"

namespace {

constexpr const char kFileName[] = "user:hiscore.dat";
constexpr const char kChecksumMessage[] =
    "HiScores: Checksum did not match! Ignoring saved score data.\n";

void SetIfNotEmpty(TXmlNode* node, const char* name, const str& value) {
  if (!value.IsEmpty()) node->SetAttribute(name, value);
}

str Attribute(TXmlNode* node, const char* name) {
  str value;
  node->GetAttribute(value, name);
  return value;
}

std::vector<uint8_t> Encipher(StringCipher& cipher, const void* data, int length) {
  int size = cipher.Encipher(data, length, nullptr, 0, false);
  std::vector<uint8_t> out(size_t(std::max(size, 0)));
  if (size <= 0 || cipher.Encipher(data, length, out.data(), size, false) != 0) out.clear();
  return out;
}

// The plain bytes of an enciphered run whose padding is exactly what Encipher writes; false
// for anything else. Enciphering the result again must give the input back.
bool DecipherExactly(StringCipher& cipher, const uint8_t* data, size_t size,
                     std::vector<uint8_t>& plain) {
  if (size == 0 || size % 8 != 0 || size > size_t(INT32_MAX)) return false;
  int n = cipher.Decipher(data, int(size), nullptr, 0, false);
  if (n <= 0) return false;
  plain.assign(size_t(n), 0);
  if (cipher.Decipher(data, int(size), plain.data(), n, false) != 0) return false;
  std::vector<uint8_t> again = Encipher(cipher, plain.data(), n);
  return again.size() == size && std::memcmp(again.data(), data, size) == 0;
}

bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes) {
  TFile* file = FileOpen(name, 0);
  if (!file) return false;
  FileSeek(file, 0, 2);
  int32_t size = FileTell(file);
  FileSeek(file, 0, 1);
  bytes.assign(size_t(std::max(size, 0)), 0);
  bool ok = size >= 0 && FileRead(file, bytes.data(), size) == size;
  FileClose(file);
  return ok;
}

}  // namespace

uint32_t HiscoreChecksum(const void* data, size_t size) {
  uint8_t sum[4] = {0, 0, 0, 0};
  const uint8_t* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) sum[i % 4] ^= p[i];
  return uint32_t(sum[0]) | uint32_t(sum[1]) << 8 | uint32_t(sum[2]) << 16 | uint32_t(sum[3]) << 24;
}

std::vector<uint8_t> THwHiscores::SaveBytes() const {
  str text = kHiscoreXmlHead;
  for (const auto& [player, login] : mData->logins) {
    TXmlNode node("user");
    node.SetAttribute("player", login.player);
    node.SetAttribute("name", login.name);
    node.SetAttribute("pass", login.pass);
    text += node.ToString();
  }
  for (const auto& [name, table] : mData->localTables) {
    TXmlNode node("score");
    node.SetAttribute("name", name);
    for (const THiscoreRow& row : table->rows) {
      TXmlNode* child = node.AddChild("row");
      child->SetIntAttribute("rank", row.rank);
      child->SetIntAttribute("score", row.score);
      child->SetIntAttribute("submit", row.submitted ? 1 : 0);
      SetIfNotEmpty(child, "guid", row.guid);
      SetIfNotEmpty(child, "name", row.name);
      SetIfNotEmpty(child, "gameData", row.gameData);
      SetIfNotEmpty(child, "serverData", row.serverData);
      SetIfNotEmpty(child, "version", row.version);
    }
    text += node.ToString();
  }
  for (const auto& [player, list] : mData->medals) {
    TXmlNode node("medals");
    node.SetAttribute("user", player);
    for (const THiscoreMedal& medal : list) {
      TXmlNode* child = node.AddChild("medal");
      child->SetAttribute("medalname", medal.name);
      child->SetAttribute("type", medal.per);
      child->SetAttribute("mode", medal.mode);
      child->SetAttribute("gameData", medal.gameData);
      child->SetIntAttribute("submit", medal.submitted ? 1 : 0);
    }
    text += node.ToString();
  }

  std::vector<uint8_t> bytes = Encipher(*mData->cipher, text.CStr(), int(text.Length()) + 1);
  if (bytes.empty()) return bytes;
  uint32_t sum = HiscoreChecksum(bytes.data(), bytes.size());
  uint8_t word[4] = {uint8_t(sum), uint8_t(sum >> 8), uint8_t(sum >> 16), uint8_t(sum >> 24)};
  std::vector<uint8_t> block = Encipher(*mData->cipher, word, 4);
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

// The new content replaces the old file only once it is whole on the disk: a crash, a power
// loss or a full disk leaves the previous scores in place. A file that was rejected at load
// still holds the player's scores for anyone who can mend it, so it is kept aside first.
void THwHiscores::Save() const {
  if (!mData->saveEnabled) return;
  std::vector<uint8_t> bytes = SaveBytes();
  if (bytes.empty()) return;
  const bool keepAside = mData->rejectedFile;
  str kept;
  if (!ReplaceFileWhole(kFileName, bytes.data(), bytes.size(), keepAside, {}, &kept)) {
    EngineLog("HiScores: saving %s failed; the previous scores are kept", kFileName);
    return;
  }
  if (!keepAside) return;
  if (kept.IsEmpty())
    EngineLog("HiScores: the rejected %s could not be kept aside", kFileName);
  else
    EngineLog("HiScores: the rejected %s is kept as %s", kFileName, kept.CStr());
  mData->rejectedFile = false;
}

void THwHiscores::Load() {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(kFileName, bytes) || bytes.size() <= 8) return;
  if (!LoadBytes(bytes.data(), bytes.size())) mData->rejectedFile = true;
}

bool THwHiscores::LoadBytes(const void* data, size_t size) {
  if (!data || size <= 8) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  size_t n = size - 8;
  std::vector<uint8_t> plain, block;
  bool ok = DecipherExactly(*mData->cipher, bytes, n, plain) &&
            DecipherExactly(*mData->cipher, bytes + n, 8, block) && block.size() == 4 &&
            (uint32_t(block[0]) | uint32_t(block[1]) << 8 | uint32_t(block[2]) << 16 |
             uint32_t(block[3]) << 24) == HiscoreChecksum(bytes, n) &&
            plain.back() == 0 && std::memchr(plain.data(), 0, plain.size() - 1) == nullptr;
  if (!ok) {
    EngineLog("%s", kChecksumMessage);
    return false;
  }

  TXmlNode root;
  root.ParseString(reinterpret_cast<const char*>(plain.data()));
  for (size_t i = 0; i < root.GetChildCount(); ++i) {
    TXmlNode* node = root.GetChild(i);
    if (node->GetName() == "user") {
      THiscoreLogin login{Attribute(node, "player"), Attribute(node, "name"),
                          Attribute(node, "pass")};
      mData->logins[login.player] = login;
    } else if (node->GetName() == "score" && node->FindChild("row")) {
      auto table = std::make_unique<THiscoreTable>();
      table->name = Attribute(node, "name");
      for (size_t k = 0; k < node->GetChildCount(); ++k) {
        TXmlNode* r = node->GetChild(k);
        if (r->GetName() != "row") continue;
        THiscoreRow row;
        row.rank = Attribute(r, "rank").ToInt();
        row.score = Attribute(r, "score").ToInt();
        row.submitted = Attribute(r, "submit").ToInt() >= 1 ? 1 : 0;
        row.guid = Attribute(r, "guid");
        row.name = Attribute(r, "name");
        row.gameData = Attribute(r, "gameData");
        row.serverData = Attribute(r, "serverData");
        row.version = Attribute(r, "version");
        table->rows.push_back(std::move(row));
      }
      // An edited or damaged file must not break the table's order or size.
      std::stable_sort(
          table->rows.begin(), table->rows.end(),
          [](const THiscoreRow& a, const THiscoreRow& b) { return a.score > b.score; });
      if (table->rows.size() > size_t(kMaxRows)) table->rows.resize(kMaxRows);
      str name = table->name;
      mData->localTables[name] = std::move(table);
    } else if (node->GetName() == "medals") {
      // A player without a name keeps medals too: what the save writes, the load reads.
      std::vector<THiscoreMedal> list;
      for (size_t k = 0; k < node->GetChildCount(); ++k) {
        TXmlNode* m = node->GetChild(k);
        if (m->GetName() != "medal") continue;
        list.push_back(THiscoreMedal{Attribute(m, "medalname"), Attribute(m, "type"),
                                     Attribute(m, "mode"), Attribute(m, "gameData"),
                                     uint8_t(Attribute(m, "submit").ToInt() >= 1 ? 1 : 0)});
      }
      mData->medals[Attribute(node, "user")] = std::move(list);
    }
  }
  return true;
}

void THwHiscores::LoadLanguageFile() {
  mData->languageLocked = false;
  mData->defaultError = str();
  TXmlNode root;
  if (!root.LoadFile("::hiscore.xml")) return;
  TXmlNode* hiscore = root.FindChild("hiscore");
  if (!hiscore) return;
  if (TXmlNode* language = hiscore->FindChild("language")) {
    mData->language = language->GetText();
    mData->languageLocked = true;
  }
  if (TXmlNode* error = hiscore->FindChild("defaulterror")) mData->defaultError = error->GetText();
}

// The program's folder first, then the working folder (the one "-wd=" names); the first line
// names the server. Read once, at start.
void THwHiscores::ReadServerAddress() {
  std::string folder = platform::os::GetExecutableFolder();
  std::string beside = folder.empty() ? std::string() : folder + "/hiscoreserver.txt";
  std::error_code error;
  std::string working = std::filesystem::current_path(error).string();
  std::string here =
      working.empty() ? std::string("hiscoreserver.txt") : working + "/hiscoreserver.txt";
  for (const std::string& path : {beside, here}) {
    if (path.empty()) continue;
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) continue;
    char line[512] = {0};
    bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read) {
      EngineLog("HiScores: %s is empty; the built-in score server is used", path.c_str());
      return;
    }
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = '\0';
    mData->serverAddress = line;
    EngineLog("HiScores: the score server is %s, named by %s", line, path.c_str());
    return;
  }
  EngineLog(
      "HiScores: no hiscoreserver.txt beside the program or in the working folder; the "
      "built-in score server %s is used",
      mData->serverAddress.CStr());
}
