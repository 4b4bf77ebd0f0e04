#include "anim/KAnimFilterStack.h"

#include "core/TPlatform.h"
#include "render/TSprite.h"
#include "render/TTexture.h"

KAnimFilterStack::~KAnimFilterStack() {
  for (Entry& e : mEntries) KReleaseRef(e.filter);
}

void KAnimFilterStack::AddFilter(IKAnimFilter* filter, float from, float to) {
  if (!filter) return;
  KAddRef(filter);
  mEntries.push_back(Entry{filter, KAnimFilterStream<float>(from, to)});
}

void KAnimFilterStack::SetStream(size_t entry, float from, float to) {
  if (entry < mEntries.size()) mEntries[entry].stream.SetStream(from, to);
}

bool KAnimFilterStack::Animate() {
  const bool running = KAnimDriverBase::Animate();
  // The last frame shows the end values, wherever the frames before it fell.
  FilterAt(running ? mT : 1.0f);
  if (running) return true;
  Finish();
  return false;
}

void KAnimFilterStack::FilterAt(float t) {
  if (!mSprite) return;
  if (!mHasBase) {
    mTarget = mSprite->GetTexture();
    mHasBase = true;
  }
  boost::shared_ptr<TTexture> texture = mTarget;
  for (Entry& e : mEntries) {
    float value = e.stream.At(t);
    e.stream.Apply(value);
    texture = e.filter->Apply(&value, texture);
  }
  mSprite->SetTexture(texture);
}

QMFilterStack::~QMFilterStack() {
  if (mHold) mHold->Detach();
  for (KFilter* f : mFilters) KReleaseRef(f);
}

void QMFilterStack::AddFilter(KFilter* filter) {
  if (!filter) return;
  KAddRef(filter);
  mFilters.push_back(filter);
}

void QMFilterStack::SetSource(boost::shared_ptr<TTexture> source) {
  if (source == mSource) return;
  mSource = std::move(source);
}

bool QMFilterStack::DoTask() {
  boost::shared_ptr<TTexture> texture = mSource;
  for (KFilter* f : mFilters) texture = FilteredCopy(f, texture);
  if (!texture) return true;
  if (!mOutput) {
    mOutput = texture;
    // A stack without filters must not hand out its source as the output it writes into.
    if (mOutput == mSource) mOutput = FilteredCopy(nullptr, mSource);
    return true;
  }
  if (texture != mOutput) texture->CopyRect(0, 0, nullptr, mOutput);
  return true;
}

void QMFilterStack::AddToIdleList() {
  TPlatform* platform = TPlatform::Instance();
  if (!platform || mHold) return;
  platform->AddIdleTask(new KAnimTaskHold(this, this, &mHold));
}

bool QMFilterStack::RemoveFromIdleList() {
  if (!mHold) return false;
  // The detached hold leaves the list at its next pass (or with the list) and gives back the
  // list's reference then; deleting it here could pull it from under a running pass.
  mHold->Detach();
  return true;
}
