// Runs all its children at once and finishes when the last of them has finished. Started
// without children it finishes at once.
#pragma once

#include <list>

#include "anim/KAnimProcess.h"

class KAnimMultiple : public IKAnimListener, public IKAnimManager, public KAnimProcess {
public:
  KAnimMultiple() = default;
  ~KAnimMultiple() override;

  void Add(KAnimProcess* process) override;
  void Start() override;
  // Finishes every remaining child, then tells the group's listeners once.
  void Finish() override;
  void Cancel() override;
  void OnProcessFinished(KAnimProcess* process) override;

  size_t GetChildCount() const { return mChildren.size(); }

private:
  // Walks a snapshot, so children leaving the list while it runs do not disturb it.
  template <class F>
  void ForEachChild(F f);

  std::list<KAnimProcess*> mChildren;
};
