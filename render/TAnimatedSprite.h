// A sprite whose frames, alpha, layer and life are driven by a small Lua script running as a
// coroutine on the engine's task list. The frames come from an animated texture whose
// description may carry the script; the sprite gives it a private Lua state with the
// built-in animation library and a set of bound functions.
#pragma once

#include <cstdint>

#include "render/TAnimatedTexture.h"
#include "render/TSprite.h"

class TClock;
class TScript;
struct lua_State;

class TAnimatedSprite : public TSprite {
  T_CLASS_IDENTITY(TAnimatedSprite, TSprite)

public:
  explicit TAnimatedSprite(int32_t layer = 0);
  ~TAnimatedSprite() override;

  static boost::shared_ptr<TAnimatedSprite> Create(int32_t layer = 0);
  // Empty unless the sprite is an animated sprite.
  static boost::shared_ptr<TAnimatedSprite> SharedCast(TSprite* sprite);

  void Draw(const TSpriteDrawState& parent, int depth) override;
  void GetBounds(TRect& out, const TSpriteDrawState& parent, int depth) override;
  bool HitTest(const TPoint& point, const TSpriteDrawState& parent, int threshold,
               int depth) override;
  void SetTexture(boost::shared_ptr<TTexture> texture) override;

  // The running thread, else the script (built first when there is none).
  TScript* GetScript();
  // The script's own state, whose globals every coroutine of the sprite shares and which
  // outlives them; built first when there is none and build is set. Null when there is none.
  lua_State* GetScriptState(bool build);
  // Starts the named global function of the script as a new coroutine.
  void Play(const str& function);
  // Below -1 is ignored; an index the source has no frame for is kept but not selected.
  void SetCurrentFrame(int frame);
  int GetCurrentFrame() const;
  // Pause cancels the coroutine's timer, resume fires it again 1 ms later; depth reaches
  // the animated children (-1: the whole tree).
  void Pause(bool pause, int depth);
  bool IsPlaying(int depth);
  bool IsStaticTree(int depth);
  // Ends the script and its coroutine.
  void Stop();
  // Ends the coroutine, keeping the script.
  void ReleaseScript();
  void RemoveFromParent();
  // Makes the named description the animation source and the texture the sprite draws.
  bool Load(const str& name, const str& image, const str& mask);
  void SetAlpha(float alpha);
  boost::shared_ptr<TAnimatedTexture> GetAnimationSource() const;
  // Time source of the script's tasks; none means the platform timer.
  void SetClock(TClock* clock);

  class Record;

private:
  void BuildScript();
  void RestoreEnvironment();

  // Lives apart from the sprite: a script may end the sprite while it is still running, and
  // the Lua state must then outlive it until the script is off the stack.
  Record* mRecord;
};
