#include "online/THwHiscores.h"

#include <algorithm>
#include <cstring>

#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "online/THwHiscoresData.h"

namespace {

// The score server used when "hiscoreserver.txt" names none.
constexpr const char kBuiltInServer[] = "http://scores.invalid/go/hiscore";

void FillRow(const THiscoreRow& from, int32_t* rank, int32_t* score, char* gameData, int32_t size) {
  if (score) *score = from.score;
  if (rank) *rank = from.rank;
  CopyHiscoreText(gameData, size, from.gameData);
}

}  // namespace

void CopyHiscoreText(char* buffer, int32_t size, const str& text) {
  if (!buffer || size < 1) return;
  size_t n = std::min<size_t>(text.Length(), size_t(size) - 1);
  std::memcpy(buffer, text.CStr(), n);
  buffer[n] = '\0';
}

bool IsSingleByteText(const str& text) {
  for (unsigned i = 0; i < text.Length(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0 || c >= 0xC0) return false;
  }
  return true;
}

THwHiscores::THwHiscores(bool saveEnabled) {
  str key = GetConfig(kConfigEncryptionKey);
  if (key.IsEmpty()) EngineLog("ERROR: No encryption key set before THwHiscores construction!");
  mData = std::make_unique<THwHiscoresData>(key, saveEnabled);
  mData->serverAddress = kBuiltInServer;
  mData->gameHandle = GetConfig(kConfigHwGameHandle);
  if (mData->gameHandle.IsEmpty()) mData->gameHandle = GetConfig(kConfigGameName);
  mData->version = GetConfig(kConfigVersion);
  Load();
  LoadServiceLibrary();
  LoadLanguageFile();
  ReadServerAddress();
}

THwHiscores::~THwHiscores() = default;

void THwHiscores::SetParameter(int32_t kind, const str& value) {
  switch (kind) {
    case 0:
      if (!mData->languageLocked) mData->language = value;
      break;
    case 1:
      mData->player = value;
      mData->serverUserName = str();
      break;
    case 2: mData->category = value; break;
    default: break;
  }
}

THiscoreTable* THwHiscores::FindTable(const str& category) const {
  auto it = mData->localTables.find(category);
  return it == mData->localTables.end() ? nullptr : it->second.get();
}

void THwHiscores::AddScore(int32_t score, bool onePerPlayer, const char* gameData) {
  AddScoreWithData(score, onePerPlayer, gameData, nullptr);
}

void THwHiscores::AddScoreWithData(int32_t score, bool onePerPlayer, const char* gameData,
                                   const char* serverData) {
  THiscoreTable* table = FindTable(mData->category);
  THiscoreRow row;
  row.score = score;
  row.name = mData->player;
  row.gameData = gameData ? gameData : "";
  row.serverData = serverData ? serverData : "";
  row.version = mData->version;
  row.guid = NewGuidString();

  if (!table) {
    auto made = std::make_unique<THiscoreTable>();
    made->name = mData->category;
    row.rank = 1;
    made->rows.push_back(std::move(row));
    mData->localTables[mData->category] = std::move(made);
    Save();
    return;
  }

  std::vector<THiscoreRow>& rows = table->rows;
  if (onePerPlayer && !rows.empty()) {
    auto mine = std::find_if(rows.begin(), rows.end(),
                             [&](const THiscoreRow& r) { return r.name == mData->player; });
    if (mine != rows.end()) {
      if (score <= mine->score) {
        Save();
        return;
      }
      row.guid = mine->guid;
      rows.erase(mine);
    }
  }

  // After every row of equal score; a full table drops its lowest row, and keeps its rows
  // when the new score would be the lowest.
  auto at =
      std::find_if(rows.begin(), rows.end(), [&](const THiscoreRow& r) { return r.score < score; });
  if (rows.size() < size_t(kMaxRows) || at != rows.end()) {
    rows.insert(at, std::move(row));
    if (rows.size() > size_t(kMaxRows)) rows.resize(kMaxRows);
  }
  for (size_t i = 0; i < rows.size(); ++i)
    rows[i].rank = (i > 0 && rows[i].score == rows[i - 1].score) ? rows[i - 1].rank
                                                                 : static_cast<int32_t>(i + 1);
  Save();
}

void THwHiscores::RenamePlayer(const str& from, const str& to) {
  if (from == to) return;
  for (auto& entry : mData->localTables)
    for (THiscoreRow& row : entry.second->rows)
      if (row.name == from) row.name = to;
  auto medals = mData->medals.find(from);
  if (medals != mData->medals.end()) {
    std::vector<THiscoreMedal>& list = mData->medals[to];
    list.insert(list.end(), medals->second.begin(), medals->second.end());
    // A submission in flight names its medal list; it follows the medals.
    if (mData->submitMedals == &medals->second) mData->submitMedals = &list;
    mData->medals.erase(medals);
  }
  auto login = mData->logins.find(from);
  if (login != mData->logins.end()) {
    if (!mData->logins.count(to)) {
      THiscoreLogin moved = login->second;
      moved.player = to;
      mData->logins[to] = moved;
    }
    mData->logins.erase(login);
  }
  if (mData->player == from) mData->player = to;
  Save();
}

void THwHiscores::SetMedal(const char* name, int32_t perType, const str& gameData) {
  std::vector<THiscoreMedal>& list = mData->medals[mData->player];
  str medalName = name ? name : "";
  str per = MedalPerKindName(perType == 1);
  for (const THiscoreMedal& m : list)
    if (m.name == medalName && m.per == per && (perType != 1 || m.mode == mData->category)) return;
  list.push_back(THiscoreMedal{medalName, per, mData->category, gameData, 0});
  Save();
}

int32_t THwHiscores::GetScoreCount(bool local) const {
  if (!local) return mData->serverTable.Count();
  const THiscoreTable* table = FindTable(mData->category);
  return table ? table->Count() : 0;
}

bool THwHiscores::GetScore(bool local, int32_t index, int32_t* rank, char* nameBuffer,
                           int32_t nameSize, bool* anonymous, int32_t* score, char* gameDataBuffer,
                           int32_t gameDataSize) const {
  const THiscoreTable* table = local ? FindTable(mData->category) : &mData->serverTable;
  if (!table || index < 0 || index >= table->Count()) return false;
  const THiscoreRow& row = table->rows[size_t(index)];
  if (rank) *rank = row.rank;
  CopyHiscoreText(nameBuffer, nameSize, row.name);
  if (anonymous) *anonymous = row.anonymous != 0;
  if (score) *score = row.score;
  CopyHiscoreText(gameDataBuffer, gameDataSize, row.gameData);
  return true;
}

bool THwHiscores::FindPlayerScore(int32_t kind, int32_t* score, int32_t* rank, char* gameDataBuffer,
                                  int32_t gameDataSize) const {
  if (kind == 0) return FindPendingLocalScore(score, rank, gameDataBuffer, gameDataSize);
  if (kind == 1) return FindServerRankOfPlayer(score, rank, gameDataBuffer, gameDataSize);
  return false;
}

bool THwHiscores::FindPendingLocalScore(int32_t* score, int32_t* rank, char* gameData,
                                        int32_t size) const {
  const THiscoreTable* table = FindTable(mData->category);
  if (!table) return false;
  for (const THiscoreRow& row : table->rows) {
    if (row.name == mData->player && !row.submitted) {
      FillRow(row, rank, score, gameData, size);
      return true;
    }
  }
  return false;
}

bool THwHiscores::FindServerRankOfPlayer(int32_t* score, int32_t* rank, char* gameData,
                                         int32_t size) const {
  const std::vector<THiscoreRow>& server = mData->serverTable.rows;
  if (mData->accountRow >= 0 && mData->accountRow < mData->serverTable.Count()) {
    FillRow(server[size_t(mData->accountRow)], rank, score, gameData, size);
    return true;
  }
  str name = mData->player;
  auto login = mData->logins.find(mData->player);
  if (login != mData->logins.end())
    name = login->second.name;
  else if (!mData->serverUserName.IsEmpty())
    name = mData->serverUserName;

  const THiscoreTable* local = FindTable(mData->category);
  if (!local || server.empty()) return false;
  for (const THiscoreRow& s : server) {
    if (s.name != name) continue;
    for (const THiscoreRow& l : local->rows) {
      if (l.guid == s.guid) {
        FillRow(s, rank, score, gameData, size);
        return true;
      }
      if (l.score < s.score) break;
    }
  }
  return false;
}

bool THwHiscores::GetPlayerLogin(str* name, str* pass) const {
  auto it = mData->logins.find(mData->player);
  if (it == mData->logins.end()) return false;
  if (name) *name = it->second.name;
  if (pass) *pass = it->second.pass;
  return true;
}

int32_t THwHiscores::CountPendingMedals() const {
  auto it = mData->medals.find(mData->player);
  if (it == mData->medals.end()) return 0;
  return static_cast<int32_t>(std::count_if(it->second.begin(), it->second.end(),
                                            [](const THiscoreMedal& m) { return !m.submitted; }));
}

int32_t THwHiscores::GetCategoryCount() const {
  return static_cast<int32_t>(mData->categories.size());
}

bool THwHiscores::GetCategoryName(int32_t index, char* buffer, int32_t size) const {
  if (!buffer || index < 0 || index >= GetCategoryCount()) return false;
  CopyHiscoreText(buffer, size, mData->categories[size_t(index)].name);
  return true;
}

const str& THwHiscores::GetServerAddress() const { return mData->serverAddress; }
const str& THwHiscores::GetLastError() const { return mData->lastError; }
const str& THwHiscores::GetLastReply() const { return mData->lastReply; }
int32_t THwHiscores::GetAccountRow() const { return mData->accountRow; }
