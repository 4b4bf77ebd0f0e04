// The private record of THwHiscores, shared by its source files.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "assets/StringCipher.h"
#include "online/THiscoreTypes.h"
#include "online/TSimpleHttp.h"
#include "platform/os/DynamicLibrary.h"

// The head of every XML document the store writes, the file and the server requests alike.
inline constexpr char kHiscoreXmlHead[] = "<?xml version=\"1.0\"?>\n";

struct THwHiscoresData {
  explicit THwHiscoresData(const str& keyText, bool save)
      : key(keyText),
        http(std::make_unique<TSimpleHttp>()),
        cipher(std::make_unique<StringCipher>(keyText.CStr())),
        saveEnabled(save) {}
  ~THwHiscoresData();

  str gameHandle;
  str key;
  str language = "en";
  str version;
  str player;
  str category;
  // How the next completed reply is read.
  int32_t requestState = 0;
  std::unique_ptr<TSimpleHttp> http;
  std::vector<THiscoreCategory> categories;
  str serverAddress;
  str lastError;
  str lastReply;
  // The account of the last account submission; empty after an anonymous one.
  str serverUserName;
  THiscoreTable serverTable;
  int32_t accountRow = -1;
  std::map<str, std::unique_ptr<THiscoreTable>> localTables;
  std::map<str, std::vector<THiscoreMedal>> medals;
  std::map<str, THiscoreLogin> logins;
  // The submission in flight (not owned).
  THiscoreTable* submitTable = nullptr;
  std::vector<THiscoreMedal>* submitMedals = nullptr;
  bool languageLocked = false;
  str defaultError;
  std::unique_ptr<StringCipher> cipher;
  bool saveEnabled;
  // "user:hiscore.dat" failed its check at load: the next save keeps it aside.
  bool rejectedFile = false;
  // The score-service library standing in for the server, when one was found.
  std::unique_ptr<platform::os::DynamicLibrary> serviceLibrary;
  int32_t serviceServer = 0;

  // A function of the score-service library; null without the library or the export.
  template <typename F>
  F ServiceFunction(const char* name) const {
    return serviceLibrary ? reinterpret_cast<F>(serviceLibrary->Symbol(name)) : nullptr;
  }
};

// Copies text into a caller's buffer, cut to size-1 bytes and NUL-terminated; nothing
// without a buffer or with a size below 1.
void CopyHiscoreText(char* buffer, int32_t size, const str& text);
