// The score-server conversation against a loopback server named in "hiscoreserver.txt": the
// query of each request, the enciphered documents, and how each kind of reply, a refused
// connection and a stalled server come back through GetRequestStatus.
#include <cstring>
#include <map>

#include "HiscoreFixture.h"
#include "online/TSimpleHttp.h"
#include "support/LoopbackHttpServer.h"

namespace {

std::string PercentDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The value of one query parameter, decoded.
std::string Param(const std::string& target, const std::string& name) {
  size_t at = target.find("?" + name + "=");
  if (at == std::string::npos) at = target.find("&" + name + "=");
  if (at == std::string::npos) return "<absent>";
  at += name.size() + 2;
  return PercentDecode(target.substr(at, target.find('&', at) - at));
}

std::string Decipher(const std::string& text) {
  StringCipher cipher(HiscoreTest::kKey);
  int n = cipher.Decipher(text.c_str(), int(text.size()), nullptr, 0, true);
  std::vector<char> plain(size_t(std::max(n, 1)));
  cipher.Decipher(text.c_str(), int(text.size()), plain.data(), n, true);
  return std::string(plain.data(), size_t(std::max(n, 0)));
}

}  // namespace

class HiscoreServerTest : public HiscoreTest {
protected:
  void SetUp() override {
    HiscoreTest::SetUp();
    mServer = std::make_unique<LoopbackHttpServer>([this](const LoopbackHttpServer::Request& r) {
      std::lock_guard<std::mutex> lock(mReplyMutex);
      LoopbackHttpServer::Reply reply;
      reply.body = mReply;
      reply.status = mStatus;
      reply.stall = mStall;
      (void)r;
      return reply;
    });
    // A Windows line end must not become part of the address.
    std::ofstream("hiscoreserver.txt") << mServer->Url("/go/hiscore") << "\r\n";
  }

  void Answer(const std::string& body) {
    std::lock_guard<std::mutex> lock(mReplyMutex);
    mReply = body;
  }

  // Polls (bounded) until the request leaves "in progress".
  int Finish(THwHiscores& h, bool* scoreReceived = nullptr) {
    mMessage[0] = '\0';
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 1;
    while ((status = h.GetRequestStatus(mMessage, sizeof mMessage, scoreReceived)) == 1 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return status;
  }

  std::string LastTarget() const {
    auto requests = mServer->Requests();
    return requests.empty() ? std::string() : requests.back().target;
  }

  std::unique_ptr<LoopbackHttpServer> mServer;
  std::mutex mReplyMutex;
  std::string mReply = "<hiscore/>";
  int mStatus = 200;
  bool mStall = false;
  char mMessage[256] = {0};
};

TEST_F(HiscoreServerTest, RequestsSendExactlyTheirParameters) {
  THwHiscores h(false);
  EXPECT_EQ(std::string(h.GetServerAddress().CStr()), mServer->Url("/go/hiscore"));
  // The log says which file gave the address.
  EXPECT_NE(Log().find("the score server is " + mServer->Url("/go/hiscore") + ", named by " +
                       std::filesystem::current_path().string() + "/hiscoreserver.txt"),
            std::string::npos)
      << Log();
  Play(h, "Ann", "story mode");

  Answer(
      "<hiscore><tables><table table=\"t1\" name=\"Daily\"/><skip/>"
      "<table table=\"t&amp;2\" name=\"All time\"/></tables></hiscore>");
  h.RequestCategoryInformation();
  ASSERT_EQ(Finish(h), 0);
  EXPECT_EQ(LastTarget(), "/go/hiscore?lang=en&ver=1.0&action=tables&game=quill");
  ASSERT_EQ(h.GetCategoryCount(), 2);
  char name[32];
  ASSERT_TRUE(h.GetCategoryName(1, name, sizeof name));
  EXPECT_STREQ(name, "All time");

  Answer("<hiscore><scores/></hiscore>");
  struct Case {
    int index;
    const char* query;
  } cases[] = {
      {-1, "/go/hiscore?lang=en&ver=1.0&action=get&game=quill&type=story%20mode&numScores=500"},
      {2, "/go/hiscore?lang=en&ver=1.0&action=get&game=quill&type=story%20mode&numScores=500"},
      {1,
       "/go/hiscore?lang=en&ver=1.0&action=get&game=quill&type=story%20mode&table=t%262"
       "&numScores=500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    h.RequestScores(c.index);
    ASSERT_EQ(Finish(h), 0);
    EXPECT_EQ(LastTarget(), c.query);
    EXPECT_EQ(h.GetScoreCount(false), 0);
    EXPECT_EQ(h.GetAccountRow(), -1);
  }
}

TEST_F(HiscoreServerTest, LanguageFileFixesTheLanguageAndTheDefaultError) {
  std::ofstream("hiscore.xml")
      << "<hiscore><language>de</language><defaulterror>Kein Server</defaulterror></hiscore>";
  THwHiscores h(false);
  h.SetParameter(0, "fr");
  h.RequestCategoryInformation();
  Answer("not xml at all");
  EXPECT_EQ(Finish(h), 2);
  EXPECT_STREQ(mMessage, "Kein Server");
  EXPECT_EQ(Param(LastTarget(), "lang"), "de");
}

TEST_F(HiscoreServerTest, AnonymousSubmissionSendsTheScoreDocumentAndMarksTheRows) {
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScoreWithData(120, false, "ch=3", "<extra/>");
    h.AddScore(80, false, "");
    h.SetParameter(1, "Bob");
    h.AddScore(90, false, "");
    h.SetParameter(1, "Ann");

    Answer("<hiscore><score/></hiscore>");
    ASSERT_TRUE(h.Submit("Ann", "", true, -1));
    bool received = false;
    ASSERT_EQ(Finish(h, &received), 0) << mMessage;
    EXPECT_TRUE(received);

    std::string target = LastTarget();
    EXPECT_EQ(target.substr(0, target.find("&score=")),
              "/go/hiscore?lang=en&ver=1.0&game=quill&action=submit");
    std::string text = SavedText();
    std::string guid = text.substr(text.find("guid=\"") + 6, 32);
    EXPECT_EQ(Decipher(Param(target, "score")),
              "<?xml version=\"1.0\"?>\n<score\n    guid=\"" + guid +
                  "\"\n    name=\"Ann\"\n    type=\"story\"\n    game=\"quill\"\n    "
                  "score=\"120\"\n    data=\"ch=3\"\n    ver=\"1.2\">\n<extra/></score>");
    // Every row of the player is marked, and the file says so.
    int score = 0;
    EXPECT_FALSE(h.FindPlayerScore(0, &score, nullptr, nullptr, 0));
    EXPECT_FALSE(h.Submit("Ann", "", true, 1));
    str login, pass;
    ASSERT_TRUE(h.GetPlayerLogin(&login, &pass));
    EXPECT_EQ(login, "Ann");
  }
  THwHiscores h(false);
  Play(h, "Ann", "story");
  int score = 0;
  EXPECT_FALSE(h.FindPlayerScore(0, &score, nullptr, nullptr, 0));
  h.SetParameter(1, "Bob");
  EXPECT_TRUE(h.FindPlayerScore(0, &score, nullptr, nullptr, 0));
  EXPECT_EQ(score, 90);
  std::string text = SavedText();
  size_t submitted = 0;
  for (size_t at = text.find("submit=\"1\""); at != std::string::npos;
       at = text.find("submit=\"1\"", at + 1))
    ++submitted;
  EXPECT_EQ(submitted, 2u);
}

TEST_F(HiscoreServerTest, AccountSubmissionNestsEscapedMedalsAndSavesTheirFlags) {
  {
    THwHiscores h(true);
    Play(h, "Ann", "story");
    h.AddScore(50, false, "");
    h.SetMedal("gold\"/><medal name=\"x", 0, "");
    h.SetMedal("fast", 1, "");
    ASSERT_EQ(h.CountPendingMedals(), 2);
    Answer("<hiscore><score/></hiscore>");
    ASSERT_TRUE(h.Submit("acct", "pw&1", false, -1));
    ASSERT_EQ(Finish(h), 0) << mMessage;
    std::string document = Decipher(Param(LastTarget(), "score"));
    EXPECT_NE(document.find("    name=\"acct\"\n    password=\"pw&amp;1\"\n"), std::string::npos);
    EXPECT_EQ(document.substr(document.rfind("\">\n") + 3),
              "<medal name=\"gold&quot;/&gt;&lt;medal name=&quot;x\" per=\"game\"/>"
              "<medal name=\"fast\" per=\"type\"/></score>");
    EXPECT_EQ(h.CountPendingMedals(), 0);

    // The next score request names the account.
    Answer("<hiscore><scores/></hiscore>");
    h.RequestScores(-1);
    ASSERT_EQ(Finish(h), 0);
    EXPECT_EQ(Param(LastTarget(), "username"), "acct");
    EXPECT_FALSE(h.GetPlayerLogin(nullptr, nullptr));
  }
  THwHiscores h(false);
  Play(h, "Ann", "story");
  EXPECT_EQ(h.CountPendingMedals(), 0) << "medal flags must survive a restart";
}

TEST_F(HiscoreServerTest, MedalSubmissionSendsTheMedalDocument) {
  THwHiscores h(true);
  Play(h, "Ann", "story");
  h.SetMedal("fast", 1, "");
  EXPECT_FALSE(h.Submit("Ann\xC3\xA9", "pw", false, 2));
  EXPECT_NE(Log().find("ERROR -------- ERROR -------- Invalid User name"), std::string::npos);
  EXPECT_TRUE(mServer->Requests().empty());

  Answer("<hiscore><medals/></hiscore>");
  ASSERT_TRUE(h.Submit("acct", "pw", true, 2));
  bool received = true;
  ASSERT_EQ(Finish(h, &received), 0);
  EXPECT_FALSE(received);
  std::string target = LastTarget();
  EXPECT_EQ(target.substr(0, target.find("&medals=")),
            "/go/hiscore?lang=en&ver=1.0&game=quill&action=medals");
  EXPECT_EQ(Decipher(Param(target, "medals")),
            "<?xml version=\"1.0\"?>\n<medals\n    name=\"acct\"\n    password=\"pw\"\n    "
            "game=\"quill\">\n<medal name=\"fast\" per=\"type\" type=\"story\"/></medals>");
  EXPECT_EQ(h.CountPendingMedals(), 0);
  EXPECT_FALSE(h.Submit("acct", "pw", true, 2));
}

TEST_F(HiscoreServerTest, ScoreRepliesFillTheServerTable) {
  THwHiscores h(false);
  Play(h, "Ann", "story");
  Answer(
      "<hiscore><scores>"
      "<score name=\"Zed\" data=\"d1\" ver=\"2\" guid=\"g1\" anonymous=\"true\" score=\"900\" "
      "rank=\"1\"/><note/>"
      "<score name=\"acct\" guid=\"g2\" anonymous=\"false\" score=\"x\" rank=\"2\" "
      "account=\"true\"/>"
      "</scores></hiscore>");
  h.RequestScores(-1);
  ASSERT_EQ(Finish(h), 0);
  ASSERT_EQ(h.GetScoreCount(false), 2);
  int rank = 0, score = -1;
  char name[16], data[16];
  bool anonymous = false;
  ASSERT_TRUE(h.GetScore(false, 0, &rank, name, 16, &anonymous, &score, data, 16));
  EXPECT_EQ(std::string(name) + "/" + data + "/" + std::to_string(score), "Zed/d1/900");
  EXPECT_TRUE(anonymous);
  ASSERT_TRUE(h.GetScore(false, 1, &rank, name, 16, &anonymous, &score, nullptr, 0));
  EXPECT_EQ(std::string(name) + "/" + std::to_string(rank) + "/" + std::to_string(score),
            "acct/2/0");
  EXPECT_FALSE(anonymous);
  EXPECT_EQ(h.GetAccountRow(), 1);
  EXPECT_TRUE(h.FindPlayerScore(1, &score, &rank, data, 16));
  EXPECT_EQ(rank, 2);
}

TEST_F(HiscoreServerTest, FailuresComeBackWithTheirTexts) {
  struct Case {
    const char* reply;
    int request;  // 0 categories, 1 scores
    const char* message;
    const char* logLine;
  } cases[] = {
      {"<hiscore><message>Name taken</message></hiscore>", 0, "Name taken",
       "HiScore User Message: Name taken"},
      {"<hiscore><protocolError>bad game</protocolError></hiscore>", 0,
       "Unable to connect to server. Please try again later.", "HiScore Protocol Error: bad game"},
      {"<html>down</html>", 0, "Unable to connect to server. Please try again later.",
       "HiScore XML parsing error!"},
      {"<hiscore><message>Missing required parameter: type</message></hiscore>", 1,
       "Score request failed because game mode is not valid", nullptr},
      {"<hiscore/>", 1,
       "Score request failed because no category information has been received yet", nullptr},
      {"<hiscore/>", 0, "Unable to connect to server. Please try again later.", nullptr},
  };
  THwHiscores h(false);
  Play(h, "Ann", "story");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    Answer(c.reply);
    size_t before = Log().size();
    if (c.request == 0)
      h.RequestCategoryInformation();
    else
      h.RequestScores(-1);
    EXPECT_EQ(Finish(h), 2);
    EXPECT_STREQ(mMessage, c.message);
    if (c.logLine) {
      EXPECT_NE(Log().find(c.logLine, before), std::string::npos);
    }
  }
}

TEST_F(HiscoreServerTest, ErrorStatusStillDeliversTheServersMessage) {
  THwHiscores h(false);
  {
    std::lock_guard<std::mutex> lock(mReplyMutex);
    mStatus = 503;
  }
  Answer("<hiscore><message>Down for repairs</message></hiscore>");
  h.RequestCategoryInformation();
  EXPECT_EQ(Finish(h), 2);
  EXPECT_STREQ(mMessage, "Down for repairs");
  EXPECT_NE(Log().find("HTTP status 503 from " + mServer->Url("/go/hiscore")), std::string::npos);
}

TEST_F(HiscoreServerTest, RejectedLoginIsForgotten) {
  THwHiscores h(true);
  Play(h, "Ann", "story");
  h.AddScore(5, false, "");
  Answer("<hiscore><message>hiscore.error.invalidUsernameOrPassword</message></hiscore>");
  ASSERT_TRUE(h.Submit("acct", "wrong", true, 1));
  EXPECT_TRUE(h.GetPlayerLogin(nullptr, nullptr));
  EXPECT_EQ(Finish(h), 2);
  EXPECT_STREQ(mMessage, "hiscore.error.invalidUsernameOrPassword");
  EXPECT_FALSE(h.GetPlayerLogin(nullptr, nullptr));
  int score = 0;
  EXPECT_TRUE(h.FindPlayerScore(0, &score, nullptr, nullptr, 0));
}

TEST_F(HiscoreServerTest, RefusedAndStalledServersFail) {
  std::ofstream("hiscoreserver.txt")
      << "http://127.0.0.1:" << LoopbackHttpServer::RefusedPort() << "/go/hiscore\n";
  {
    THwHiscores h(false);
    h.RequestCategoryInformation();
    EXPECT_EQ(Finish(h), 2);
    EXPECT_STREQ(mMessage, "Unable to connect to server. Please try again later.");
  }
  std::ofstream("hiscoreserver.txt") << mServer->Url("/go/hiscore");
  SetConfig("httpstalltimeout", "1");
  {
    std::lock_guard<std::mutex> lock(mReplyMutex);
    mStall = true;
  }
  THwHiscores h(false);
  h.RequestCategoryInformation();
  EXPECT_EQ(Finish(h), 2);
  EXPECT_STREQ(mMessage, "Unable to connect to server. Please try again later.");
  EXPECT_EQ(mServer->Requests().size(), 1u);
}

TEST(HttpEncodingTest, UrlEncodeAndHexEncode) {
  struct Case {
    const char* in;
    const char* out;
  } urls[] = {
      {"", ""},
      {"x y&z", "x%20y%26z"},
      {" \"#$%&+,/:;<=>?@[\\]^`{|}",
       "%20%22%23%24%25%26%2B%2C%2F%3A%3B%3C%3D%3E%3F%40%5B%5C%5D%5E%60%7B%7C%7D"},
      {"Az09!'()*-._~", "Az09!'()*-._~"},
      {"\xE9\x7F\t", "\xE9\x7F\t"},
  };
  for (const Case& c : urls) EXPECT_STREQ(UrlEncode(c.in).CStr(), c.out) << c.in;
  EXPECT_STREQ(UrlEncode(nullptr).CStr(), "");

  const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  struct Hex {
    int length;
    const char* out;
  } hexes[] = {{4, "000FA5FF"}, {1, "00"}, {0, ""}, {-3, ""}};
  for (const Hex& c : hexes) EXPECT_STREQ(HexEncode(bytes, c.length).CStr(), c.out);
}

TEST(HttpEncodingTest, GetParametersGoIntoTheQueryAndPostParametersIntoTheBody) {
  TSimpleHttp http;
  EXPECT_EQ(http.GetStatus(), TSimpleHttp::kFailed);
  EXPECT_EQ(http.GetData(), nullptr);
  http.Setup("http://h/p", false, nullptr);
  http.AddParam("a", "x y&z");
  http.AddIntParam("b", 5);
  EXPECT_STREQ(http.GetUrl().CStr(), "http://h/p?a=x%20y%26z&b=5");
  http.Setup("http://h/p", true, nullptr);
  http.AddParam("a", "1");
  http.AddParam("c", "=");
  EXPECT_STREQ(http.GetUrl().CStr(), "http://h/p");
  EXPECT_STREQ(http.GetFormBody().CStr(), "a=1&c=%3D");
}

TEST_F(HiscoreServerTest, RepliesIntoFilesGoThroughTheFileLayer) {
  Answer("<hiscore/>");
  TSimpleHttp http;
  http.Setup(mServer->Url("/file").c_str(), false, "user:reply.xml");
  ASSERT_NE(http.Start(TSimpleHttp::kNoCacheWrite), nullptr);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (http.GetStatus() == TSimpleHttp::kRunning && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(http.GetStatus(), TSimpleHttp::kDone);
  EXPECT_EQ(http.GetData(), nullptr);
  std::vector<uint8_t> bytes = ReadBytes(mRoot + "/user/reply.xml");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<hiscore/>");

  http.Setup(mServer->Url("/file").c_str(), false, "user:no/such/folder/reply.xml");
  http.Start(TSimpleHttp::kNoCacheWrite);
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (http.GetStatus() == TSimpleHttp::kRunning && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(http.GetStatus(), TSimpleHttp::kFileUnusable);
}
