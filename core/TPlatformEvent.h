// One event of the platform's event pump: what happened, its code, where, and which
// modifier keys were held.
#pragma once

#include <cstdint>

enum TPlatformEventType : int32_t {
  kEventIdle = 1,
  kEventNothing = 2,
  kEventCloseRequest = 3,
  kEventQuit = 4,
  kEventLeftDown = 5,
  kEventOtherButton = 6,
  kEventLeftUp = 7,
  kEventMouseMove = 8,
  kEventMouseLeave = 9,
  kEventMouseHover = 10,
  kEventKeyDown = 11,
  kEventKeyUp = 12,
  kEventChar = 13,
  kEventUnicodeChar = 14,
  kEventPaint = 15,
  kEventDisplayReset = 17,
  kEventActivate = 18,
  kEventAltEnter = 19,
};

// Codes of kEventOtherButton.
enum : int32_t {
  kButtonRightUp = 0,
  kButtonRightDown = 1,
  kButtonMiddleUp = 2,
  kButtonMiddleDown = 3,
  kButtonX1Down = 4,
  kButtonX2Down = 5,
  kWheelForward = 6,
  kWheelBack = 7,
};

// Modifier bits.
enum : int32_t {
  kModShift = 1,
  kModCtrl = 2,
  kModAlt = 4,
  kModExtended = 8,
};

// Key codes of the special keys, as 16-bit values (small negatives when read signed).
enum : int32_t {
  kKeyUp = 0xFF80,
  kKeyDown = 0xFF81,
  kKeyLeft = 0xFF82,
  kKeyRight = 0xFF83,
  kKeyInsert = 0xFF84,
  kKeyPageUp = 0xFF85,
  kKeyPageDown = 0xFF86,
  kKeyDelete = 0xFFFF,
};

struct TPlatformEvent {
  int32_t type = kEventNothing;
  int32_t code = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t modifiers = 0;
};

// Virtual-key number to the engine's key code.
int TranslateKey(int vk);
// A mouse message's key flags to the modifiers shift and ctrl.
int32_t MouseButtonModifiers(uint64_t wParam);
