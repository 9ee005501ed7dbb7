// Replacements for two pieces of the static C++ run-time library that the
// shipped programs link only because of one reference each, and that bring
// far more code than the programs use (common/CMakeLists.txt: rm_lean_runtime).
// Only the shipped binaries link this object; the test programs keep the
// library's own versions.
//
// - The default terminate handler names the uncaught exception's type on
//   stderr, which takes the whole symbol demangler and the printf family.
//   None of the programs has a console for it except rmctl, and none lets
//   an exception escape: every entry point catches all of them.
// - The library's std::__throw_* helpers, called from the inline parts of
//   std::string, std::vector and std::mutex, all live in one object whose
//   logic_error family carries a reference-counted string and brings a
//   second string implementation. Ours throw the same std::bad_alloc family;
//   the errors that only a broken invariant can cause (a length beyond
//   max_size(), a lock that the system refuses) throw RuntimeFault instead
//   of std::length_error or std::system_error. The programs catch those
//   only with catch (...), so what they do with them is unchanged.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace rm {
namespace {

class RuntimeFault : public std::exception {
 public:
  explicit RuntimeFault(const char* what) noexcept : what_(what ? what : "run-time fault") {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;  // the library passes string literals
};

[[noreturn]] void Fault(const char* what) { throw RuntimeFault(what); }

}  // namespace
}  // namespace rm

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_exception() { throw bad_exception(); }
[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_bad_cast() { throw bad_cast(); }
[[noreturn]] void __throw_bad_typeid() { throw bad_typeid(); }
[[noreturn]] void __throw_logic_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_domain_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_invalid_argument(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_length_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_out_of_range(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) { rm::Fault(format); }
[[noreturn]] void __throw_runtime_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_range_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_overflow_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_underflow_error(const char* what) { rm::Fault(what); }
[[noreturn]] void __throw_system_error(int) { rm::Fault("system error"); }
}  // namespace std
