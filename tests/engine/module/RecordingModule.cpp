// An add-on module for the tests: it records every event it sees and can be told, through
// its extra exports, to consume a key, to answer a key's query and to answer the yes/no
// questions.
#include <string>

#include "online/HwModule.h"

namespace {

struct Recorder {
  HwModuleHandler base;
  std::string keys;
  std::string events;
  std::string consumeKey;
  std::string answerKey;
  std::string answer;
  int queryBits = 0;
  bool alive = false;
};

const HwModuleHandlerTable kTable = {
    [](HwModuleHandler*) {},
    [](HwModuleHandler* self, const char* key, const char* value) {
      auto* r = reinterpret_cast<Recorder*>(self);
      r->keys += std::string(key) + ';';
      r->events += std::string(key) + '=' + value + ';';
      return r->consumeKey == key ? 1 : 0;
    },
    [](HwModuleHandler* self, const char* key, const char* defaultValue) {
      auto* r = reinterpret_cast<Recorder*>(self);
      return r->answerKey == key ? r->answer.c_str() : defaultValue;
    },
    [](HwModuleHandler* self) { return reinterpret_cast<Recorder*>(self)->queryBits & 1; },
    [](HwModuleHandler* self) { return (reinterpret_cast<Recorder*>(self)->queryBits >> 1) & 1; },
    [](HwModuleHandler* self) { return (reinterpret_cast<Recorder*>(self)->queryBits >> 2) & 1; },
    [](HwModuleHandler* self) { return (reinterpret_cast<Recorder*>(self)->queryBits >> 3) & 1; },
};

Recorder gRecorder = {{&kTable}, {}, {}, {}, {}, {}, 0, false};

}  // namespace

extern "C" {
__attribute__((visibility("default"))) HwModuleHandler* CreateHandler() {
  gRecorder.alive = true;
  return &gRecorder.base;
}
__attribute__((visibility("default"))) void DestroyHandler(HwModuleHandler*) {
  gRecorder.alive = false;
}
__attribute__((visibility("default"))) const char* RecordedKeys() { return gRecorder.keys.c_str(); }
// "key=value;" per event seen.
__attribute__((visibility("default"))) const char* RecordedEvents() {
  return gRecorder.events.c_str();
}
__attribute__((visibility("default"))) int HandlerAlive() { return gRecorder.alive ? 1 : 0; }
__attribute__((visibility("default"))) void ConsumeKey(const char* key) {
  gRecorder.consumeKey = key;
}
__attribute__((visibility("default"))) void AnswerQuery(const char* key, const char* answer) {
  gRecorder.answerKey = key;
  gRecorder.answer = answer;
}
// Bit 0 restart mode, 1 jump to menu, 2 mute, 3 host pause.
__attribute__((visibility("default"))) void AnswerQuestions(int bits) {
  gRecorder.queryBits = bits;
}
}
