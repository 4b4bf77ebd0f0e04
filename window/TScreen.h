// The root of the window tree: a full-screen window the size of the display.
#pragma once

class TScreen {
public:
  TScreen() = default;
  void SetSize(int width, int height) {
    mWidth = width;
    mHeight = height;
  }
  int GetWidth() const { return mWidth; }
  int GetHeight() const { return mHeight; }

private:
  int mWidth = 0;
  int mHeight = 0;
};
