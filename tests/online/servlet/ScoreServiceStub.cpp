// A score-service library for the tests: a local server that answers each request at once.
// Its category list names the game handle and the modes it was given, so a test sees that the
// game reached it and what it passed.
#include <cstdint>
#include <string>

namespace {

std::string gModes;
std::string gReply;

}  // namespace

extern "C" {

int32_t HiscoreServer_CreateLocalServer() { return 7; }

void HiscoreServer_SetServerInfo(int32_t, const char*, const char*, const char** modes,
                                 int32_t modeCount, const char**, int32_t) {
  gModes.clear();
  for (int32_t i = 0; i < modeCount; ++i) gModes += (i ? "," : "") + std::string(modes[i]);
}

void HiscoreServer_RequestCategoryInformation(int32_t server, const char* game) {
  gReply = "<hiscore><tables><table table=\"" + std::to_string(server) + "\" name=\"" +
           std::string(game ? game : "") + ":" + gModes + "\"/></tables></hiscore>";
}

int32_t HiscoreServer_GetStatus(int32_t) { return 1; }

const char* HiscoreServer_GetContents(int32_t) { return gReply.c_str(); }

void HiscoreServer_FreeLocalServer(int32_t) {}
}
