// Plays a scripted sprite animation: the sprite script's "DoAnim" runs as a coroutine, and
// the step ends when the script calls the global function bound under the done name.
#pragma once

#include <memory>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimProcess.h"
#include "core/str.h"

class TAnimatedSprite;

class KAnimSprite : public KAnimProcess {
public:
  KAnimSprite(boost::shared_ptr<TAnimatedSprite> sprite, const str& doneName);
  ~KAnimSprite() override;
  void Start() override;
  void Finish() override;
  void Cancel() override;

private:
  static int OnDoneCalled(struct lua_State* L);
  // The done function lives in the sprite's own script state, reached through the sprite each
  // time: the coroutine that runs the animation is replaced, and freed, by every play.
  void Bind();
  void Unbind();
  // Ends the step as the script's call does: unbound, the sprite let go, listeners told.
  void Done();
  bool HasDoAnim() const;

  std::unique_ptr<boost::shared_ptr<TAnimatedSprite>> mSprite;
  str mDoneName;
  bool mBound = false;
};
