// Pi as a float holds it: the animation steps turn degrees into radians with this value, and the
// bias curves keep it (widened) so their easing matches the float-based steps exactly.
#pragma once

inline constexpr float kFloatPi = 3.1415927f;
