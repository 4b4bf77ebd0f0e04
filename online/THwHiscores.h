// The game's high scores: one local table per score category, each player's medals and the
// server logins players chose to remember, all kept enciphered in "user:hiscore.dat"; and what
// the online score server (or the score-service library standing in for it) last sent: the
// categories and one score table. Requests never block: start one, then poll
// GetRequestStatus. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/str.h"
#include "online/THiscoreTypes.h"

struct THwHiscoresData;

class THwHiscores {
public:
  // Local tables hold at most this many rows; the server is asked for as many.
  static constexpr int32_t kMaxRows = 500;

  explicit THwHiscores(bool saveEnabled);
  ~THwHiscores();
  THwHiscores(const THwHiscores&) = delete;
  THwHiscores& operator=(const THwHiscores&) = delete;

  // Kind 0 the language (unless "::hiscore.xml" fixed it), 1 the player, 2 the category.
  void SetParameter(int32_t kind, const str& value);
  void AddScore(int32_t score, bool onePerPlayer, const char* gameData);
  void AddScoreWithData(int32_t score, bool onePerPlayer, const char* gameData,
                        const char* serverData);
  // perType 1: a medal per category, 0: one per game.
  void SetMedal(const char* name, int32_t perType, const str& gameData);
  // A renamed player takes their local rows, medals and remembered login along; when the
  // current player had the old name, the new one is current. Saved at once.
  void RenamePlayer(const str& from, const str& to);

  // local false reads the server's table, true the current category's local table.
  int32_t GetScoreCount(bool local) const;
  bool GetScore(bool local, int32_t index, int32_t* rank, char* nameBuffer, int32_t nameSize,
                bool* anonymous, int32_t* score, char* gameDataBuffer, int32_t gameDataSize) const;
  // Kind 0: the player's pending local score; kind 1: the player's place on the server.
  bool FindPlayerScore(int32_t kind, int32_t* score, int32_t* rank, char* gameDataBuffer,
                       int32_t gameDataSize) const;
  bool GetPlayerLogin(str* name, str* pass) const;
  int32_t CountPendingMedals() const;
  int32_t GetCategoryCount() const;
  bool GetCategoryName(int32_t index, char* buffer, int32_t size) const;

  // Server requests.
  void RequestCategoryInformation();
  void RequestScores(int32_t tableIndex);
  // Bit 0 the pending score (with bit 1 also the medals), bit 1 alone the medals. True when a
  // request was started.
  bool Submit(const str& userName, const str& password, bool remember, int32_t what);
  // 0 done, 1 in progress, 2 failed with the message for the player in the buffer.
  int32_t GetRequestStatus(char* messageBuffer, int32_t bufferSize, bool* scoreReceived);

  // Reading stored and received data; each takes any bytes, so malformed input can be fed to
  // them directly. LoadBytes reads the content of "user:hiscore.dat" (false, logged, and
  // nothing taken when it does not check out).
  bool LoadBytes(const void* data, size_t size);
  bool CheckReply(const str& reply);
  bool ParseScoresReply(const str& reply);
  bool ParseTablesReply(const str& reply);

  // The enciphered file content for the current data.
  std::vector<uint8_t> SaveBytes() const;
  void Save() const;
  void Load();
  void LoadLanguageFile();
  THiscoreTable* FindTable(const str& category) const;

  const str& GetServerAddress() const;
  const str& GetLastError() const;
  const str& GetLastReply() const;
  int32_t GetAccountRow() const;

  // The score submission's document and the medal list as the server reads them.
  str ScoreDocument(const THiscoreRow& row, const str& userName, const str& password, bool account,
                    const str& nestedMedals) const;
  static str MedalListXml(const std::vector<THiscoreMedal>& list, bool includeType);

private:
  bool SubmitScore(const char* userName, const char* password, bool remember, bool withMedals);
  bool SubmitMedals(const char* medalText, const char* userName, const char* password,
                    bool remember);
  bool FindPendingLocalScore(int32_t* score, int32_t* rank, char* gameData, int32_t size) const;
  bool FindServerRankOfPlayer(int32_t* score, int32_t* rank, char* gameData, int32_t size) const;
  void StartRequest(const char* action);
  void RememberLogin(const str& userName, const str& password, bool remember);
  void CopyReplyMessage(char* buffer, int32_t size) const;
  void ReadServerAddress();
  void LoadServiceLibrary();

  std::unique_ptr<THwHiscoresData> mData;
};

// True when no byte is 0 or 0xC0 and above (no UTF-8 lead byte); "" passes.
bool IsSingleByteText(const str& text);
// XOR of the bytes into four accumulator bytes by position, read as little-endian.
uint32_t HiscoreChecksum(const void* data, size_t size);
