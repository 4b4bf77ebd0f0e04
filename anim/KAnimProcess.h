// The unit of animation: something started, that finishes by itself or on request and then
// tells its listeners. Queues, groups, drivers and steps are all processes.
#pragma once

#include <cstdint>
#include <map>

#include "anim/KRefCountedObject.h"

class KAnimProcess;

class IKAnimListener : public virtual KRefCountedObject {
public:
  virtual void OnProcessFinished(KAnimProcess* process) = 0;
};

// A container that accepts processes.
class IKAnimManager {
public:
  virtual ~IKAnimManager() = default;
  virtual void Add(KAnimProcess* process) = 0;
};

class KAnimProcess : public virtual KRefCountedObject {
public:
  KAnimProcess() = default;
  ~KAnimProcess() override;

  virtual void Start() {}
  // Tells the listeners that the process has ended.
  virtual void Finish() { NotifyListeners(); }
  // Drops the listeners without telling them.
  virtual void Cancel();

  // One listener is held once however often it is added; each call takes one reference,
  // and every reference is given back when the listener leaves the set.
  void AddListener(IKAnimListener* listener);
  void RemoveListener(IKAnimListener* listener);
  bool HasListeners() const { return !mListeners.empty(); }
  void NotifyListeners();

private:
  // Listener and the references the process holds on it.
  std::map<IKAnimListener*, int32_t> mListeners;
  bool mNotifying = false;
};
