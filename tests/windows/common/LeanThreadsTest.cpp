// The thread functions that rmtray links in place of the thread library's,
// driven as the C++ run-time library drives them: exceptions and
// function-local statics on many threads at once, std::mutex and
// std::recursive_mutex, a once routine raced by several threads, and a key
// whose destructor must run when each thread ends. This program links them
// as rmtray does, and so it cannot link GoogleTest, which needs more of the
// thread library: it is a plain program that prints each failed check and
// exits with the number of failures (tests/windows/common/CMakeLists.txt).
#include <windows.h>

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int failures = 0;

#define CHECK(condition)                                                   \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                          \
    }                                                                      \
  } while (0)

template <typename Body>
struct Start {
  HANDLE gate;
  Body* body;
  int index;
};

template <typename Body>
DWORD WINAPI StartBody(void* p) {
  auto* start = static_cast<Start<Body>*>(p);
  ::WaitForSingleObject(start->gate, INFINITE);
  (*start->body)(start->index);
  return 0;
}

// Starts `count` threads that wait on one gate, opens it, so that they run
// `body` at once, and waits for all of them to end.
template <typename Body>
void RunTogether(int count, Body body) {
  HANDLE gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CHECK(gate != nullptr);
  std::vector<Start<Body>> starts(count);
  std::vector<HANDLE> threads;
  for (int i = 0; i < count; ++i) {
    starts[i] = Start<Body>{gate, &body, i};
    HANDLE thread = ::CreateThread(nullptr, 0, StartBody<Body>, &starts[i], 0, nullptr);
    CHECK(thread != nullptr);
    threads.push_back(thread);
  }
  ::SetEvent(gate);
  for (HANDLE thread : threads) {
    CHECK(::WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0);
    ::CloseHandle(thread);
  }
  ::CloseHandle(gate);
}

std::atomic<int> constructions{0};

struct SlowToMake {
  SlowToMake() {
    ++constructions;
    ::Sleep(50);  // the other threads reach the guard meanwhile and wait
    ready = true;
  }
  bool ready = false;
};

const SlowToMake& TheStatic() {
  static SlowToMake instance;
  return instance;
}

void ExceptionsAndStaticsOnSixteenThreadsAtOnce() {
  std::atomic<int> caught{0};
  std::atomic<int> sawUnready{0};
  RunTogether(16, [&](int index) {
    if (!TheStatic().ready) ++sawUnready;
    for (int round = 0; round < 50; ++round) {
      try {
        throw std::runtime_error(std::to_string(index * 100 + round));
      } catch (const std::runtime_error& e) {
        if (std::stoi(e.what()) == index * 100 + round) ++caught;
      }
    }
  });
  CHECK(constructions.load() == 1);
  CHECK(sawUnready.load() == 0);
  CHECK(caught.load() == 16 * 50);
}

void MutexesExcludeAndARecursiveMutexRelocks() {
  std::mutex lock;
  long counter = 0;  // unguarded increments would lose some
  RunTogether(8, [&](int) {
    for (int i = 0; i < 20000; ++i) {
      std::lock_guard<std::mutex> guard(lock);
      const long seen = counter;
      if (i % 1000 == 0) ::SwitchToThread();
      counter = seen + 1;
    }
  });
  CHECK(counter == 8 * 20000);

  std::recursive_mutex recursive;
  recursive.lock();
  recursive.lock();
  recursive.unlock();
  // Still held once: another thread waits for the last unlock.
  std::atomic<bool> otherHasIt{false};
  auto takeIt = [&](int) {
    std::lock_guard<std::recursive_mutex> guard(recursive);
    otherHasIt = true;
  };
  Start<decltype(takeIt)> start{::CreateEventW(nullptr, TRUE, TRUE, nullptr), &takeIt, 0};
  HANDLE other = ::CreateThread(nullptr, 0, StartBody<decltype(takeIt)>, &start, 0, nullptr);
  CHECK(other != nullptr);
  CHECK(::WaitForSingleObject(other, 200) == static_cast<DWORD>(WAIT_TIMEOUT));
  CHECK(!(otherHasIt.load()));
  recursive.unlock();
  CHECK(::WaitForSingleObject(other, 30000) == WAIT_OBJECT_0);
  CHECK(otherHasIt.load());
  ::CloseHandle(other);
  ::CloseHandle(start.gate);
}

std::atomic<int> onceRuns{0};
std::atomic<bool> onceDone{false};
void OnceRoutine() {
  ++onceRuns;
  ::Sleep(50);
  onceDone = true;
}

std::atomic<int> destroyed{0};
void CountDestroyed(void* value) {
  if (value == reinterpret_cast<void*>(0x5a)) ++destroyed;
}

void OnceRunsOnceAndKeysAreDestroyedAtEachThreadsEnd() {
  pthread_once_t once = PTHREAD_ONCE_INIT;
  std::atomic<int> returnedEarly{0};
  RunTogether(8, [&](int) {
    CHECK(pthread_once(&once, OnceRoutine) == 0);
    if (!onceDone) ++returnedEarly;
  });
  CHECK(onceRuns.load() == 1);
  CHECK(returnedEarly.load() == 0);

  pthread_key_t key;
  CHECK(pthread_key_create(&key, CountDestroyed) == 0);
  std::atomic<int> lastErrorKept{0};
  RunTogether(12, [&](int index) {
    CHECK(pthread_getspecific(key) == nullptr);  // each thread starts with none
    if (index % 2 == 0) return;                    // nothing to destroy
    ::SetLastError(1234);
    pthread_setspecific(key, reinterpret_cast<void*>(0x5a));
    if (pthread_getspecific(key) == reinterpret_cast<void*>(0x5a) && ::GetLastError() == 1234) ++lastErrorKept;
  });
  CHECK(destroyed.load() == 6);
  CHECK(lastErrorKept.load() == 6);
}

}  // namespace

int main() {
  ExceptionsAndStaticsOnSixteenThreadsAtOnce();
  MutexesExcludeAndARecursiveMutexRelocks();
  OnceRunsOnceAndKeysAreDestroyedAtEachThreadsEnd();
  std::printf("%d failed checks\n", failures);
  return failures == 0 ? 0 : 1;
}
