// Timings of the engine string and the task list, with allocation counts: copying a string
// should cost a counter increment, and a task pass should allocate nothing.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <vector>

#include "core/TTaskList.h"
#include "core/str.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t n) {
  ++gAllocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
void Measure(const char* name, long iterations, F&& body) {
  const long before = gAllocations.load();
  const auto start = Clock::now();
  for (long i = 0; i < iterations; ++i) body(i);
  const double ns =
      std::chrono::duration<double, std::nano>(Clock::now() - start).count() / double(iterations);
  std::printf("%-34s %10.1f ns/op %8.3f allocations/op\n", name, ns,
              double(gAllocations.load() - before) / double(iterations));
}

struct Step : TTask {
  bool DoTask() override {
    ++count;
    return true;
  }
  long count = 0;
};

}  // namespace

int main() {
  const str text("a fairly ordinary setting value");
  std::vector<str> sink(1024);
  Measure("str copy (shared body)", 5'000'000, [&](long i) { sink[size_t(i) & 1023] = text; });
  Measure("str copy then edit (un-share)", 1'000'000, [&](long i) {
    str s = text;
    s += 'x';
    sink[size_t(i) & 1023] = s;
  });
  Measure("str::Format short", 1'000'000,
          [&](long i) { sink[size_t(i) & 1023] = str::Format("%ld", i); });

  std::map<str, str> settings;
  for (int i = 0; i < 200; ++i) settings[str::Format("key%03d", i)] = "value";
  const str key("key123");
  Measure("map<str,str> lookup of 200", 2'000'000, [&](long) { (void)settings.find(key); });

  TTaskList list;
  for (int i = 0; i < 100; ++i) list.Add(new Step);
  Measure("task pass over 100 tasks", 200'000, [&](long) { list.RunTasks(0); });
  return 0;
}
