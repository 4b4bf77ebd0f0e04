// The score-service library found beside the program stands in for the score server. This
// program is built into a folder of its own together with a small library of that name, so
// the other tests keep talking to their loopback servers.
#include <gtest/gtest.h>

#include "online/HiscoreFixture.h"

TEST_F(HiscoreTest, TheScoreServiceLibraryBesideTheProgramAnswersInPlaceOfTheServer) {
  SetConfig("hwgamemodename1", "story");
  SetConfig("hwgamemodename2", "arcade");
  THwHiscores h(true);
  h.RequestCategoryInformation();
  char message[256] = "";
  ASSERT_EQ(h.GetRequestStatus(message, sizeof message, nullptr), 0) << message << Log();
  ASSERT_EQ(h.GetCategoryCount(), 1);
  char name[64] = "";
  ASSERT_TRUE(h.GetCategoryName(0, name, sizeof name));
  EXPECT_STREQ(name, "quill:story,arcade");
}
