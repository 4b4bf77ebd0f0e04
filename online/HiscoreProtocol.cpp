// The conversation with the online score server: every request is a GET whose parameters
// stand in the query text, or a call into the score-service library when one was found; the
// replies are XML documents under "hiscore".
#include <algorithm>
#include <cstring>

#include "assets/TXmlNode.h"
#include "core/EngineLog.h"
#include "core/TSettings.h"
#include "online/THwHiscores.h"
#include "online/THwHiscoresData.h"

namespace {

constexpr const char kUnableToConnect[] = "Unable to connect to server. Please try again later.";
constexpr const char kLibraryName[] = "hwservlet_stub.so";

using CreateLocalServerFn = int32_t (*)();
using ServerFn = void (*)(int32_t);
using SetServerInfoFn = void (*)(int32_t, const char*, const char*, const char**, int32_t,
                                 const char**, int32_t);
using RequestCategoriesFn = void (*)(int32_t, const char*);
using RequestScoresFn = void (*)(int32_t, const char*, const char*, const char*, const char*);
using SubmitScoreFn = void (*)(int32_t, const char*, const char*, const char*, const char*,
                               const char*, const char*, const char*, int32_t, const char*,
                               const char*);
using SubmitMedalsFn = void (*)(int32_t, const char*, const char*, const char*, const char*,
                                const char*, const char*);
using GetStatusFn = int32_t (*)(int32_t);
using GetContentsFn = const char* (*)(int32_t);

// The text from the element's closing tag on is dropped, so raw content can follow.
str OpenElementText(TXmlNode& node) {
  str text = node.ToString();
  int close = text.Find(str("</") + node.GetName() + ">");
  return close < 0 ? text : text.Substr(0, unsigned(close));
}

std::vector<str> NumberedSettings(const char* prefix) {
  std::vector<str> values;
  for (int i = 1;; ++i) {
    str value = GetConfig(str::Format("%s%d", prefix, i));
    if (value.IsEmpty()) break;
    values.push_back(value);
  }
  return values;
}

std::vector<const char*> Pointers(const std::vector<str>& texts) {
  std::vector<const char*> out;
  for (const str& t : texts) out.push_back(t.CStr());
  return out;
}

// The document as the server reads it: enciphered without its zero byte, as Base64 text.
str EncipherText(StringCipher& cipher, const str& document) {
  int size = cipher.Encipher(document.CStr(), int(document.Length()), nullptr, 0, true);
  if (size <= 0) return str();
  std::vector<char> text(size_t(size), '\0');
  if (cipher.Encipher(document.CStr(), int(document.Length()), text.data(), size, true) != 0)
    return str();
  return str(text.data());
}

const char* NullWhenEmpty(const str& s) { return s.IsEmpty() ? nullptr : s.CStr(); }

}  // namespace

THwHiscoresData::~THwHiscoresData() {
  if (serviceLibrary) {
    if (serviceServer != 0)
      if (auto release = ServiceFunction<ServerFn>("HiscoreServer_FreeLocalServer"))
        release(serviceServer);
    serviceLibrary->Unload();
  }
}

void THwHiscores::LoadServiceLibrary() {
  auto library = std::make_unique<platform::os::DynamicLibrary>();
  if (!library->Load(kLibraryName)) return;
  mData->serviceLibrary = std::move(library);
  if (auto create = mData->ServiceFunction<CreateLocalServerFn>("HiscoreServer_CreateLocalServer"))
    mData->serviceServer = create();
  if (GetConfig(kConfigHwGameHandle).IsEmpty()) {
    if (auto load = mData->ServiceFunction<ServerFn>("HiscoreServer_LoadServerDefFile"))
      load(mData->serviceServer);
    return;
  }
  std::vector<str> modes = NumberedSettings(kConfigHwGameModeName);
  std::vector<str> medals = NumberedSettings(kConfigHwGameMedalName);
  if (auto info = mData->ServiceFunction<SetServerInfoFn>("HiscoreServer_SetServerInfo")) {
    std::vector<const char*> modeIds = Pointers(modes), medalIds = Pointers(medals);
    info(mData->serviceServer, mData->gameHandle.CStr(), mData->key.CStr(), modeIds.data(),
         int32_t(modeIds.size()), medalIds.data(), int32_t(medalIds.size()));
  }
}

str THwHiscores::MedalListXml(const std::vector<THiscoreMedal>& list, bool includeType) {
  str text;
  for (const THiscoreMedal& m : list) {
    text += "<medal name=\"" + XmlEscape(m.name) + "\" per=\"" + XmlEscape(m.per) + "\"";
    if (includeType && m.per == "type") text += " type=\"" + XmlEscape(m.mode) + "\"";
    text += "/>";
  }
  return text;
}

str THwHiscores::ScoreDocument(const THiscoreRow& row, const str& userName, const str& password,
                               bool account, const str& nestedMedals) const {
  TXmlNode node("score");
  node.SetAttribute("guid", row.guid);
  if (account) {
    node.SetAttribute("name", userName);
    node.SetAttribute("password", password);
  } else if (!userName.IsEmpty()) {
    node.SetAttribute("name", userName);
  }
  node.SetAttribute("type", mData->category);
  if (!mData->gameHandle.IsEmpty()) node.SetAttribute("game", mData->gameHandle);
  node.SetIntAttribute("score", row.score);
  if (!row.gameData.IsEmpty()) node.SetAttribute("data", row.gameData);
  if (!row.version.IsEmpty()) node.SetAttribute("ver", row.version);
  return str(kHiscoreXmlHead) + OpenElementText(node) + row.serverData + nestedMedals + "</score>";
}

// A request's first parameters; the action sits in a different place for the submissions.
void THwHiscores::StartRequest(const char* action) {
  TSimpleHttp& http = *mData->http;
  http.Setup(mData->serverAddress.CStr(), false, nullptr);
  http.AddParam("lang", mData->language.CStr());
  http.AddParam("ver", "1.0");
  bool submission = std::strcmp(action, "submit") == 0 || std::strcmp(action, "medals") == 0;
  if (!submission) http.AddParam("action", action);
  http.AddParam("game", mData->gameHandle.CStr());
  if (submission) http.AddParam("action", action);
}

void THwHiscores::RequestCategoryInformation() {
  StartRequest("tables");
  if (auto request =
          mData->ServiceFunction<RequestCategoriesFn>("HiscoreServer_RequestCategoryInformation"))
    request(mData->serviceServer, mData->gameHandle.CStr());
  else if (!mData->serviceLibrary)
    mData->http->Start(TSimpleHttp::kNoCacheWrite);
  mData->requestState = 2;
}

void THwHiscores::RequestScores(int32_t tableIndex) {
  StartRequest("get");
  TSimpleHttp& http = *mData->http;
  http.AddParam("type", mData->category.CStr());
  const THiscoreCategory* chosen = tableIndex >= 0 && tableIndex < GetCategoryCount()
                                       ? &mData->categories[size_t(tableIndex)]
                                       : nullptr;
  if (chosen) http.AddParam("table", chosen->id.CStr());
  http.AddIntParam("numScores", kMaxRows);
  if (!mData->serverUserName.IsEmpty()) http.AddParam("username", mData->serverUserName.CStr());
  if (auto request = mData->ServiceFunction<RequestScoresFn>("HiscoreServer_RequestScores"))
    request(mData->serviceServer, mData->gameHandle.CStr(), mData->category.CStr(),
            chosen ? chosen->id.CStr() : nullptr, NullWhenEmpty(mData->serverUserName));
  else if (!mData->serviceLibrary)
    mData->http->Start(TSimpleHttp::kNoCacheWrite);
  mData->requestState = 1;
}

bool THwHiscores::Submit(const str& userName, const str& password, bool remember, int32_t what) {
  if (!IsSingleByteText(userName)) {
    EngineLog("ERROR -------- ERROR -------- Invalid User name %s", userName.CStr());
    return false;
  }
  if (what & 1) return SubmitScore(userName.CStr(), password.CStr(), remember, (what & 2) != 0);
  if (what & 2) {
    auto list = mData->medals.find(mData->player);
    if (CountPendingMedals() == 0 || list == mData->medals.end()) return false;
    mData->submitMedals = &list->second;
    return SubmitMedals(MedalListXml(list->second, true).CStr(), userName.CStr(), password.CStr(),
                        remember);
  }
  return false;
}

bool THwHiscores::SubmitScore(const char* userName, const char* password, bool remember,
                              bool withMedals) {
  mData->submitMedals = nullptr;
  mData->submitTable = FindTable(mData->category);
  const THiscoreRow* row = nullptr;
  if (mData->submitTable)
    for (const THiscoreRow& r : mData->submitTable->rows)
      if (r.name == mData->player && !r.submitted) {
        row = &r;
        break;
      }
  auto medals = mData->medals.find(mData->player);
  bool hasMedals = medals != mData->medals.end();
  if (!row) {
    if (!withMedals || CountPendingMedals() == 0 || !hasMedals) return false;
    mData->submitMedals = &medals->second;
    return SubmitMedals(MedalListXml(medals->second, true).CStr(), userName, password, remember);
  }

  StartRequest("submit");
  str user = userName ? userName : "";
  str pass = password ? password : "";
  bool account = !pass.IsEmpty();
  mData->serverUserName = account ? user : str();
  str nested;
  if (account && withMedals && hasMedals && !medals->second.empty()) {
    nested = MedalListXml(medals->second, false);
    mData->submitMedals = &medals->second;
  }
  mData->http->AddParam(
      "score",
      EncipherText(*mData->cipher, ScoreDocument(*row, user, pass, account, nested)).CStr());

  if (auto submit = mData->ServiceFunction<SubmitScoreFn>("HiscoreServer_SubmitScore")) {
    str extra = row->serverData + nested;
    submit(mData->serviceServer, mData->gameHandle.CStr(), mData->category.CStr(), user.CStr(),
           pass.CStr(), row->guid.CStr(), row->version.CStr(), row->gameData.CStr(), row->score,
           mData->key.CStr(), extra.CStr());
  } else if (!mData->serviceLibrary) {
    mData->http->Start(TSimpleHttp::kNoCacheWrite);
  }
  mData->requestState = 0;
  RememberLogin(user, pass, remember);
  return true;
}

bool THwHiscores::SubmitMedals(const char* medalText, const char* userName, const char* password,
                               bool remember) {
  if (!medalText || !userName || !password) return false;
  if (!IsSingleByteText(userName)) {
    EngineLog("ERROR -------- ERROR -------- Invalid User name %s", userName);
    return false;
  }
  StartRequest("medals");
  mData->serverUserName = userName;
  TXmlNode node("medals");
  node.SetAttribute("name", userName);
  node.SetAttribute("password", password);
  if (!mData->gameHandle.IsEmpty()) node.SetAttribute("game", mData->gameHandle);
  str document = str(kHiscoreXmlHead) + OpenElementText(node) + medalText + "</medals>";
  mData->http->AddParam("medals", EncipherText(*mData->cipher, document).CStr());
  if (auto submit = mData->ServiceFunction<SubmitMedalsFn>("HiscoreServer_SubmitMedals"))
    submit(mData->serviceServer, mData->gameHandle.CStr(), mData->category.CStr(), userName,
           password, medalText, mData->key.CStr());
  else if (!mData->serviceLibrary)
    mData->http->Start(TSimpleHttp::kNoCacheWrite);
  mData->requestState = 0;
  RememberLogin(userName, password, remember);
  return true;
}

void THwHiscores::RememberLogin(const str& userName, const str& password, bool remember) {
  if (remember)
    mData->logins[mData->player] = THiscoreLogin{mData->player, userName, password};
  else
    mData->logins.erase(mData->player);
}

void THwHiscores::CopyReplyMessage(char* buffer, int32_t size) const {
  const str& text = !mData->lastError.IsEmpty()      ? mData->lastError
                    : !mData->defaultError.IsEmpty() ? mData->defaultError
                                                     : str(kUnableToConnect);
  CopyHiscoreText(buffer, size, text);
}

int32_t THwHiscores::GetRequestStatus(char* messageBuffer, int32_t bufferSize,
                                      bool* scoreReceived) {
  if (!mData->http) return 2;
  int32_t status;
  if (mData->serviceLibrary) {
    auto getStatus = mData->ServiceFunction<GetStatusFn>("HiscoreServer_GetStatus");
    status = getStatus ? getStatus(mData->serviceServer) : 2;
  } else {
    status = mData->http->GetStatus();
  }
  if (status == 0) return 1;
  if (status != 1) {
    CopyHiscoreText(messageBuffer, bufferSize,
                    mData->defaultError.IsEmpty() ? str(kUnableToConnect) : mData->defaultError);
    return 2;
  }
  const char* reply = nullptr;
  if (mData->serviceLibrary) {
    if (auto contents = mData->ServiceFunction<GetContentsFn>("HiscoreServer_GetContents"))
      reply = contents(mData->serviceServer);
  } else {
    reply = mData->http->GetData();
  }
  mData->lastReply = reply ? reply : "";

  switch (mData->requestState) {
    case 0: {
      if (!CheckReply(mData->lastReply)) {
        CopyReplyMessage(messageBuffer, bufferSize);
        if (mData->lastReply.Find(str("hiscore.error.invalidUsernameOrPassword")) >= 0)
          mData->logins.erase(mData->player);
        return 2;
      }
      TXmlNode root;
      root.ParseString(mData->lastReply.CStr());
      TXmlNode* hiscore = root.FindChild("hiscore");
      bool changed = false;
      if (hiscore->FindChild("medals")) {
        if (scoreReceived) *scoreReceived = false;
      } else {
        if (mData->submitTable)
          for (THiscoreRow& row : mData->submitTable->rows)
            if (row.name == mData->player) row.submitted = 1;
        changed = true;
        if (scoreReceived) *scoreReceived = hiscore->FindChild("score") != nullptr;
      }
      if (mData->submitMedals) {
        for (THiscoreMedal& medal : *mData->submitMedals) medal.submitted = 1;
        mData->submitMedals = nullptr;
        changed = true;
      }
      // Saved after the medals too: otherwise a restart would send them again.
      if (changed) Save();
      return 0;
    }
    case 1:
      if (ParseScoresReply(mData->lastReply)) return 0;
      if (mData->lastReply.Find(str("Missing required parameter: type")) >= 0)
        mData->lastError = "Score request failed because game mode is not valid";
      else if (GetCategoryCount() <= 0)
        mData->lastError =
            "Score request failed because no category information has been received yet";
      CopyReplyMessage(messageBuffer, bufferSize);
      return 2;
    case 2:
      if (ParseTablesReply(mData->lastReply)) return 0;
      CopyReplyMessage(messageBuffer, bufferSize);
      return 2;
    default: return 0;
  }
}

bool THwHiscores::CheckReply(const str& reply) {
  mData->lastError = str();
  TXmlNode root;
  root.ParseString(reply.CStr());
  TXmlNode* hiscore = root.FindChild("hiscore");
  if (!hiscore) {
    EngineLog("HiScore XML parsing error!\n");
    return false;
  }
  if (TXmlNode* message = hiscore->FindChild("message")) {
    mData->lastError = message->GetText();
    EngineLog("HiScore User Message: %s\n", mData->lastError.CStr());
    return false;
  }
  if (TXmlNode* error = hiscore->FindChild("protocolError")) {
    EngineLog("HiScore Protocol Error: %s\n", error->GetText().CStr());
    return false;
  }
  return true;
}

bool THwHiscores::ParseScoresReply(const str& reply) {
  mData->serverTable.rows.clear();
  mData->accountRow = -1;
  if (!CheckReply(reply)) return false;
  TXmlNode root;
  root.ParseString(reply.CStr());
  TXmlNode* scores = root.FindChild("hiscore")->FindChild("scores");
  if (!scores) return false;
  for (size_t i = 0; i < scores->GetChildCount(); ++i) {
    TXmlNode* node = scores->GetChild(i);
    if (node->GetName() != "score") continue;
    THiscoreRow row;
    str value;
    node->GetAttribute(row.name, "name");
    node->GetAttribute(row.gameData, "data");
    node->GetAttribute(row.serverData, "serverData");
    node->GetAttribute(row.version, "ver");
    node->GetAttribute(row.guid, "guid");
    node->GetAttribute(value, "anonymous");
    row.anonymous = value == "true" ? 1 : 0;
    node->GetAttribute(value, "score");
    row.score = value.ToInt();
    node->GetAttribute(value, "rank");
    row.rank = value.ToInt();
    node->GetAttribute(value, "account");
    if (value == "true" && mData->accountRow < 0) mData->accountRow = mData->serverTable.Count();
    mData->serverTable.rows.push_back(std::move(row));
  }
  return true;
}

bool THwHiscores::ParseTablesReply(const str& reply) {
  mData->categories.clear();
  if (!CheckReply(reply)) return false;
  TXmlNode root;
  root.ParseString(reply.CStr());
  TXmlNode* tables = root.FindChild("hiscore")->FindChild("tables");
  if (!tables) return false;
  for (size_t i = 0; i < tables->GetChildCount(); ++i) {
    TXmlNode* node = tables->GetChild(i);
    if (node->GetName() != "table") continue;
    THiscoreCategory category;
    node->GetAttribute(category.id, "table");
    node->GetAttribute(category.name, "name");
    mData->categories.push_back(std::move(category));
  }
  return true;
}
