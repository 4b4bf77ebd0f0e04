// An arcade run of the sample game played to its game-over screen, and the score it made sent
// to a loopback score server as a player sends it: a new player finds an object, saves the run
// from the pause panel and quits; back in the next run with a few seconds left on the saved
// clock, lets time run out, opens the high scores from the game-over screen and submits. The
// score server and the score transfers run on threads of their own.
#include "e2e/PlayThrough.h"

#include <algorithm>
#include <string>
#include <vector>

#include "assets/StringCipher.h"
#include "core/TSettings.h"
#include "game/scenes/QMArcadeGame.h"
#include "game/shell/THiscore.h"
#include "support/Golden.h"

namespace {

constexpr int kEscape = 27;

class ArcadeScoreTest : public PlayThrough {
protected:
  static QMArcadeGame* Arcade() { return Find<QMArcadeGame>("puzzleWindow"); }

  // The menu's Arcade button; the run's scene fades in.
  static QMArcadeGame* OpenArcade(TPlatform* p) {
    ClickOn(p, "arcade");
    if (!Until(p, [] { return Arcade() != nullptr; })) return nullptr;
    Watch(p, 2000);
    return Arcade();
  }

  // Clicks the middle of the first object still to find, where the list's entry stands in the
  // scene; answers its name.
  static std::string FindAnObject(TPlatform* p, QMArcadeGame& arcade) {
    for (const QMArcadeGame::ItemPtr& item : *arcade.GetCurrentItems()) {
      if (item->state != kArcadeItemInList || item->RectUnset() || item->RectMissing()) continue;
      const int x = (item->left + item->right) / 2, y = (item->top + item->bottom) / 2;
      Click(p, x, y);
      Tick(p, 2);
      EXPECT_NE(item->state, kArcadeItemInList) << item->name.CStr() << " at " << x << ", " << y;
      return item->name.CStr();
    }
    std::string states;
    for (const QMArcadeGame::ItemPtr& item : *arcade.GetCurrentItems())
      states += " " + std::to_string(item->state) + (item->RectUnset() ? "u" : "");
    ADD_FAILURE() << "no object to find in " << arcade.GetCurrentScene().CStr() << states;
    return {};
  }

  // The value of a request's query parameter, decoded.
  static std::string Param(const std::string& target, const std::string& name) {
    size_t at = target.find("&" + name + "=");
    if (at == std::string::npos) return {};
    at += name.size() + 2;
    const std::string coded = target.substr(at, target.find('&', at) - at);
    std::string out;
    for (size_t i = 0; i < coded.size(); ++i) {
      if (coded[i] == '%' && i + 2 < coded.size()) {
        out += static_cast<char>(std::stoi(coded.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += coded[i];
      }
    }
    return out;
  }
  // A document sent to the score server, read back with the game's key.
  static std::string Decipher(const std::string& key, const std::string& text) {
    StringCipher cipher(key.c_str());
    const int n = cipher.Decipher(text.c_str(), static_cast<int>(text.size()), nullptr, 0, true);
    std::vector<char> plain(static_cast<size_t>(std::max(n, 1)));
    cipher.Decipher(text.c_str(), static_cast<int>(text.size()), plain.data(), n, true);
    return std::string(plain.data(), static_cast<size_t>(std::max(n, 0)));
  }

  // Robin's score in the arcade's local table; -1 when there is none.
  static int32_t ArcadeTableScore(QMGameManager& game) {
    game.SetCurrentGameMode(1);
    for (int32_t row = 0; row < game.GetHiscores().GetScoreCount(true); ++row) {
      int32_t rank = 0, score = 0;
      char name[64] = {};
      bool anonymous = false;
      if (game.GetHiscores().GetScore(true, row, &rank, name, sizeof name, &anonymous, &score,
                                      nullptr, 0) &&
          std::string(name) == "Robin")
        return score;
    }
    return -1;
  }
};

TEST_F(ArcadeScoreTest, ARunsScoreGoesFromTheGameOverScreenToHiscoreDatAndTheScoreServer) {
  int robin = -1;
  int32_t saved = 0;
  std::string key;  // the game's key, which enciphers what goes to the score server

  // First run: a new player starts an arcade run, finds an object and saves the run from the
  // pause panel.
  Play([&](TPlatform* p, QMGameManager& game) {
    robin = FirstPlayer(p, game, "Robin");
    ASSERT_EQ(std::string(game.GetUserName(robin).CStr()), "Robin");
    ASSERT_TRUE(AtMenu()) << Log();

    QMArcadeGame* arcade = OpenArcade(p);
    ASSERT_NE(arcade, nullptr) << Log();
    EXPECT_EQ(game.GetCurrentGameMode(), 1);
    EXPECT_EQ(arcade->GetScore(), 0);
    ASSERT_FALSE(FindAnObject(p, *arcade).empty());
    // The find's points count up into the score, some each frame.
    EXPECT_TRUE(Until(
        p, [&] { return arcade->GetPendingScore() == 0; }, 12000));
    saved = arcade->GetScore();
    EXPECT_GT(saved, 0) << "the find scores";

    Send(p, kEventKeyDown, 0, 0, kEscape);
    Send(p, kEventChar, 0, 0, kEscape);
    ASSERT_TRUE(Until(p, [] { return Shown("savequit"); })) << "the pause panel\n" << Log();
    ClickOn(p, "savequit");
    ASSERT_TRUE(Until(p, AtMenu)) << Log();
    EXPECT_EQ(game.GetArcadeScore(), saved);
    QuitFromMenu(p);
  });

  // Second run: the saved run resumes with a few seconds left on its clock (the saved run's
  // time shortened, so the clock runs out after a few whole-second steps); the game-over screen
  // shows the score, and its high-score button leads to the table the score is sent from.
  Play([&](TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(SkipIntro(p)) << Log();
    key = GetConfig(kConfigEncryptionKey).CStr();
    EXPECT_EQ(game.GetCurrentUser(), robin);
    ASSERT_STREQ(game.GetSearchItem(14).CStr(), "Saved Game") << "the run is saved";
    game.SetArcadeTime(4.0f / 60.0f);

    QMArcadeGame* arcade = OpenArcade(p);
    ASSERT_NE(arcade, nullptr) << Log();
    EXPECT_EQ(arcade->GetScore(), saved) << "the saved run resumes";
    int steps = 0;
    for (; steps < 30 && !arcade->IsRunOver(); ++steps) Tick(p, 1, 1000);
    ASSERT_TRUE(arcade->IsRunOver()) << Log();
    EXPECT_LE(steps, 4) << "time runs out";
    ASSERT_TRUE(Until(p, [] { return Shown("gameoverwin"); })) << Log();
    Watch(p, 480);
    EXPECT_TRUE(golden::MatchesGolden(Frame(), "e2e/gameover.png", 2));
    ASSERT_TRUE(Shown("highscorebutton")) << "the score beats the player's best";
    ClickOn(p, "highscorebutton");
    ASSERT_TRUE(Until(p, [] { return Find<THiscore>("hiscores") != nullptr; })) << Log();
    ASSERT_TRUE(Shown("submit"));
    ClickOn(p, "submit");
    ASSERT_TRUE(Until(p, [] { return Shown("submittoserver"); })) << Log();
    EXPECT_EQ(Global("gNameEdit"), "Robin");
    ClickOn(p, "submittoserver");
    ASSERT_TRUE(UntilAnswered(p, [] { return Find<THiscore>("hiscores") != nullptr; })) << Log();
    EXPECT_FALSE(Shown("submiterror"));
    ClickOn(p, "back");
    ASSERT_TRUE(Until(p, [] { return Shown("continue"); })) << "the game-over screen\n" << Log();
    ClickOn(p, "continue");
    ASSERT_TRUE(Until(p, AtMenu)) << Log();
    EXPECT_EQ(Arcade(), nullptr);
    QuitFromMenu(p);
  });

  std::string submitted;
  for (const auto& request : mServer->Requests())
    if (request.target.find("action=submit") != std::string::npos)
      submitted = Decipher(key, Param(request.target, "score"));
  EXPECT_NE(submitted.find("score=\"" + std::to_string(saved) + "\""), std::string::npos)
      << "the run's score reached the server: " << submitted;
  EXPECT_FALSE(Logged("rror")) << Log();
  EXPECT_TRUE(std::filesystem::exists(DataFolder() + "hiscore.dat"));

  // Third run: the score is kept in the arcade's table of "hiscore.dat", and no run is saved.
  Play([&](TPlatform* p, QMGameManager& game) {
    ASSERT_TRUE(SkipIntro(p)) << Log();
    EXPECT_EQ(game.GetCurrentUser(), robin);
    EXPECT_STREQ(game.GetSearchItem(14).CStr(), "");
    EXPECT_EQ(ArcadeTableScore(game), saved);
  });
}

}  // namespace
