// Two ways of keeping a sprite's image filtered while a scene runs: KAnimFilterStack animates
// filter parameters (blur amount, darkening) over its duration; QMFilterStack re-applies a
// fixed list of filters to a source texture every pass, into one persistent output texture.
#pragma once

#include <deque>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "anim/KAnimDriver.h"
#include "anim/KFilter.h"
#include "core/TTask.h"

class TSprite;

class IKAnimFilter : public virtual KRefCountedObject {
public:
  // The input itself when the value changes nothing, else a filtered copy.
  virtual boost::shared_ptr<TTexture> Apply(const float* value,
                                            boost::shared_ptr<TTexture> input) = 0;
  virtual bool IsIdentity(const float* value) = 0;
};

template <class F>
class KAnimFilterT : public IKAnimFilter {
public:
  boost::shared_ptr<TTexture> Apply(const float* value,
                                    boost::shared_ptr<TTexture> input) override {
    if (IsIdentity(value)) return input;
    auto* filter = new F(*value);
    boost::shared_ptr<TTexture> out = FilteredCopy(filter, input);
    KReleaseRef(filter);
    return out;
  }
};

struct KAnimBlurDefaults {};
struct KAnimDarkenDefaults {};

class KAnimBlur : public KAnimFilterT<KBlur>, public KAnimBlurDefaults {
public:
  bool IsIdentity(const float* value) override { return *value == 0.0f; }
};

class KAnimDarken : public KAnimFilterT<KDarken>, public KAnimDarkenDefaults {
public:
  bool IsIdentity(const float* value) override { return *value == 1.0f; }
};

template <class V>
class KAnimFilterStream : public KAnimStream<V> {
public:
  KAnimFilterStream(const V& from, const V& to) : KAnimStream<V>(from, to) {}
  void Apply(const V& value) override { this->mCurrent = value; }
};

// Each frame filters the texture its sprite had when the stack first ran, so a blur does not
// compound and a darken does not run to black; the result becomes the sprite's texture.
class KAnimFilterStack : public KAnimDriver<boost::shared_ptr<TTexture>> {
public:
  KAnimFilterStack() : KAnimDriver<boost::shared_ptr<TTexture>>(boost::shared_ptr<TTexture>()) {}
  ~KAnimFilterStack() override;

  // Takes a reference on the filter.
  void AddFilter(IKAnimFilter* filter, float from, float to);
  void SetStream(size_t entry, float from, float to);
  void SetTarget(boost::shared_ptr<TSprite> sprite) { mSprite = std::move(sprite); }
  size_t GetFilterCount() const { return mEntries.size(); }
  bool Animate() override;

private:
  // The base texture through every filter at its value for progress t, onto the sprite.
  void FilterAt(float t);

  struct Entry {
    IKAnimFilter* filter;
    KAnimFilterStream<float> stream;
  };
  std::vector<Entry> mEntries;
  boost::shared_ptr<TSprite> mSprite;
  bool mHasBase = false;
};

class QMFilterStack : public TTask, public virtual KRefCountedObject {
public:
  QMFilterStack() = default;
  ~QMFilterStack() override;

  // Takes a reference on the filter.
  void AddFilter(KFilter* filter);
  void SetSource(boost::shared_ptr<TTexture> source);
  boost::shared_ptr<TTexture> GetOutput() const { return mOutput; }
  size_t GetFilterCount() const { return mFilters.size(); }

  bool Ready(int) override { return true; }
  // Recomputes from the source and copies into the output; never finishes by itself.
  bool DoTask() override;

  // The platform's idle list holds the stack through a reference of its own.
  void AddToIdleList();
  // Stops the stack's passes; false when it was not listed.
  bool RemoveFromIdleList();

private:
  std::deque<KFilter*> mFilters;
  boost::shared_ptr<TTexture> mSource;
  boost::shared_ptr<TTexture> mOutput;
  KAnimTaskHold* mHold = nullptr;
};
