// A Flash movie played over the game window in an embedded control, for intros and similar
// cut-scenes. The control and the library hosting it are reached through two small
// interfaces; this platform hosts no such control, so a movie never starts here and the
// scripts take their own path without it.
#pragma once

#include <cstdint>
#include <memory>

#include "core/TRect.h"
#include "core/str.h"

// The automation interface of one control.
class IFlashControl {
public:
  virtual ~IFlashControl() = default;
  // The control's version number; the major version is bits 16 to 23. 0 when unknown.
  virtual uint32_t FlashVersion() = 0;
  virtual bool PutMovie(const str& path) = 0;
  virtual bool PutLoop(bool loop) = 0;
  // False when the property cannot be read.
  virtual bool GetPlaying(bool& playing) = 0;
  // "Stop", "Play", "GetVariable" (name; result), "SetVariable" (name, value).
  virtual bool Call(const char* method, const str& arg1 = str(), const str& arg2 = str(),
                    str* result = nullptr) = 0;
};

// The library that hosts controls in child windows of the game window.
class IFlashControlHost {
public:
  virtual ~IFlashControlHost() = default;
  // Loads the library once; false when it or one of its entry points is missing.
  virtual bool Init() = 0;
  // A plain window over the game that keeps the clicks from it; false when none was made.
  virtual bool CreateBlocker(const TRect& rect) = 0;
  // A control of the program id over the rectangle; null when it cannot be made.
  virtual std::unique_ptr<IFlashControl> CreateControl(const str& programId, const TRect& rect) = 0;
  // Right clicks on the control reach neither the movie nor the game.
  virtual void SwallowRightClicks(IFlashControl& control) = 0;
  virtual void DestroyControl() = 0;
  virtual void DestroyBlocker() = 0;
};

// The host of this platform: no control can be hosted, so Init always fails.
IFlashControlHost* DefaultFlashControlHost();

class TFlashMovie {
public:
  // host null: the platform's own.
  explicit TFlashMovie(const str& name, IFlashControlHost* host = nullptr);
  ~TFlashMovie();
  TFlashMovie(const TFlashMovie&) = delete;
  TFlashMovie& operator=(const TFlashMovie&) = delete;

  bool Start(bool loop, bool texts, bool clickable);
  bool IsPlaying();
  void Close();

  // The program id and minimum major version a start asks for.
  static void SelectControl(bool texts, str& programId, int& minimumMajor);
  // Hands the game's texts to a movie that asks for them through "textvarnames".
  static void SetTextVariables(IFlashControl& control);

private:
  bool SetUpMovie(IFlashControl& control, bool loop, bool texts);
  void RestoreCursor();

  str mName;
  IFlashControlHost* mHost;
  std::unique_ptr<IFlashControl> mControl;
  bool mBlocker = false;
  bool mSavedCursorFlag = true;
  bool mClickable = false;
};
