// What the renderer asks of the window system above it. The window manager implements it and
// start-up hands it to the platform data; the renderer never includes the window system.
#pragma once

class IRenderHost {
public:
  virtual ~IRenderHost() = default;
  // Frames are suspended (a modal loop draws by itself): present nothing. Read from the
  // presentation thread too.
  virtual bool AreFramesSuspended() const = 0;
  // Redraw every window on the next frame (the display lost or changed what it showed).
  virtual void Invalidate() = 0;
  // The root window's size; false while there is no root.
  virtual bool GetRootSize(int& width, int& height) const = 0;
};

// The platform's render host, or null before start-up made one or after tear-down.
IRenderHost* CurrentRenderHost();
