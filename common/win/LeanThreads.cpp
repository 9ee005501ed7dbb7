// The few POSIX thread functions that the static C++ run-time library calls
// in a program that starts no std::thread, on the system's own primitives,
// in place of the thread library's (30 KB of thread, cancellation, clock and
// scheduling code that such a program never runs; common/CMakeLists.txt:
// rm_lean_threads). Callers: the unwinder (pthread_once and a mutex around
// its table of frames), the thread-local variables of the exception
// machinery (pthread_key_* with a destructor that frees a thread's copies
// when the thread ends), the guard of function-local statics (a recursive
// mutex and a condition variable) and std::mutex / std::recursive_mutex.
//
// A program that needs more of the library (std::thread, timed waits,
// try_lock) fails to link with this object, because the library's objects
// that define those define these functions too: it then links the library
// alone.
//
// The types are the library's: a mutex or condition variable is a
// pointer-sized value that starts as one of the static initialisers
// (negative) and holds the object allocated on first use; a once flag is a
// long that starts at 0; a key is an index of fiber-local storage, whose
// callback runs the key's destructor when a thread ends, as POSIX does.
#include <windows.h>

#include <pthread.h>

#include <cerrno>
#include <cstdint>

namespace {

static_assert(sizeof(pthread_mutex_t) == sizeof(void*), "a mutex holds a pointer");
static_assert(sizeof(pthread_cond_t) == sizeof(void*), "a condition variable holds a pointer");
static_assert(sizeof(pthread_once_t) == sizeof(LONG), "a once flag is a LONG");

// The static initialisers are -1, -2 and -3 (an address above 2 GB, which a
// 32-bit program with a large address space has, is negative too); 0 never
// holds an object either.
bool Allocated(intptr_t value) { return value != 0 && (value < -3 || value > -1); }

// The object of a mutex or condition variable, allocated and set up by
// `init` on first use; of two threads that race, the second undoes its copy
// with `fini` and takes the first's.
template <typename T, typename Init, typename Fini>
T* Materialise(intptr_t* slot, Init init, Fini fini) {
  const intptr_t current = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
  if (Allocated(current)) return reinterpret_cast<T*>(current);
  T* made = static_cast<T*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(T)));
  if (!made) return nullptr;
  init(made);
  intptr_t expected = current;
  while (!__atomic_compare_exchange_n(slot, &expected, reinterpret_cast<intptr_t>(made), false,
                                      __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
    if (Allocated(expected)) break;
  }
  if (!Allocated(expected)) return made;  // ours went in
  fini(made);
  ::HeapFree(::GetProcessHeap(), 0, made);
  return reinterpret_cast<T*>(expected);
}

CRITICAL_SECTION* SectionOf(pthread_mutex_t* mutex) {
  return Materialise<CRITICAL_SECTION>(
      mutex, [](CRITICAL_SECTION* section) { ::InitializeCriticalSection(section); },
      [](CRITICAL_SECTION* section) { ::DeleteCriticalSection(section); });
}

CONDITION_VARIABLE* VariableOf(pthread_cond_t* cond) {
  return Materialise<CONDITION_VARIABLE>(
      cond, [](CONDITION_VARIABLE* variable) { ::InitializeConditionVariable(variable); },
      [](CONDITION_VARIABLE*) {});
}

// Keys: a few (the run-time library creates one); each has a callback of
// its own, so that the callback knows which destructor to run.
constexpr int kKeys = 4;
void (*keyDestructors[kKeys])(void*);
LONG keysMade = 0;

template <int N>
void WINAPI RunKeyDestructor(void* value) {
  if (value && keyDestructors[N]) keyDestructors[N](value);
}

constexpr PFLS_CALLBACK_FUNCTION kKeyCallbacks[kKeys] = {RunKeyDestructor<0>, RunKeyDestructor<1>,
                                                         RunKeyDestructor<2>, RunKeyDestructor<3>};

}  // namespace

extern "C" {

int pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
  // Every mutex is recursive (a critical section): what the normal and
  // error-checking kinds leave undefined or refuse, relocking, never
  // happens in the programs.
  *mutex = PTHREAD_MUTEX_INITIALIZER;
  return 0;
}

int pthread_mutex_destroy(pthread_mutex_t* mutex) {
  const intptr_t value = *mutex;
  if (Allocated(value)) {
    auto* section = reinterpret_cast<CRITICAL_SECTION*>(value);
    ::DeleteCriticalSection(section);
    ::HeapFree(::GetProcessHeap(), 0, section);
  }
  *mutex = PTHREAD_MUTEX_INITIALIZER;
  return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
  CRITICAL_SECTION* section = SectionOf(mutex);
  if (!section) return ENOMEM;
  ::EnterCriticalSection(section);
  return 0;
}

int pthread_mutex_unlock(pthread_mutex_t* mutex) {
  const intptr_t value = __atomic_load_n(mutex, __ATOMIC_ACQUIRE);
  if (!Allocated(value)) return EPERM;  // never locked
  ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(value));
  return 0;
}

int pthread_cond_wait(pthread_cond_t* cond, pthread_mutex_t* mutex) {
  CONDITION_VARIABLE* variable = VariableOf(cond);
  const intptr_t value = __atomic_load_n(mutex, __ATOMIC_ACQUIRE);
  if (!variable) return ENOMEM;
  if (!Allocated(value)) return EPERM;  // the caller holds no lock
  return ::SleepConditionVariableCS(variable, reinterpret_cast<CRITICAL_SECTION*>(value), INFINITE)
             ? 0
             : EINVAL;
}

int pthread_cond_broadcast(pthread_cond_t* cond) {
  // No waiter has ever waited on a variable that is not allocated yet.
  const intptr_t value = __atomic_load_n(cond, __ATOMIC_ACQUIRE);
  if (Allocated(value)) ::WakeAllConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(value));
  return 0;
}

int pthread_once(pthread_once_t* once, void (*routine)(void)) {
  // 0: not run, 1: running, 2: done. The callers' routines do not throw.
  LONG state = ::InterlockedCompareExchange(once, 1, 0);
  if (state == 0) {
    routine();
    ::InterlockedExchange(once, 2);
    return 0;
  }
  while (state != 2) {
    ::SwitchToThread();
    state = ::InterlockedCompareExchange(once, 2, 2);
  }
  return 0;
}

int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  const LONG n = ::InterlockedIncrement(&keysMade) - 1;
  if (n >= kKeys) return EAGAIN;
  keyDestructors[n] = destructor;
  const DWORD index = ::FlsAlloc(destructor ? kKeyCallbacks[n] : nullptr);
  if (index == FLS_OUT_OF_INDEXES) return EAGAIN;
  *key = index;
  return 0;
}

// Reading and writing a key keeps the thread's last error: the exception
// machinery reads its key between a failing system call and the caller's
// GetLastError.
void* pthread_getspecific(pthread_key_t key) {
  const DWORD error = ::GetLastError();
  void* value = ::FlsGetValue(key);
  ::SetLastError(error);
  return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
  const DWORD error = ::GetLastError();
  const BOOL stored = ::FlsSetValue(key, const_cast<void*>(value));
  ::SetLastError(error);
  return stored ? 0 : ENOMEM;
}

}  // extern "C"
