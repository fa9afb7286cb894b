// The standard library's throw helpers, defined here for Velmora.exe so that
// the library's own (which build std::logic_error and its kin on a second,
// reference-counted string implementation) are not linked: about 40 KB for
// errors Velmora never tells apart. Every catch in Velmora is catch (...);
// these throw the same kinds of failure, with the library's message kept. A
// link that brought in the library's own as well would fail on the duplicates.
#include <bits/functexcept.h>

#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* message) noexcept : message_(message) {}
  const char* what() const noexcept override { return message_ ? message_ : "library error"; }

 private:
  const char* message_;
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* message) { throw LibraryError(message); }
void __throw_domain_error(const char* message) { throw LibraryError(message); }
void __throw_invalid_argument(const char* message) { throw LibraryError(message); }
void __throw_length_error(const char* message) { throw LibraryError(message); }
void __throw_out_of_range(const char* message) { throw LibraryError(message); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* message) { throw LibraryError(message); }
void __throw_range_error(const char* message) { throw LibraryError(message); }
void __throw_overflow_error(const char* message) { throw LibraryError(message); }
void __throw_underflow_error(const char* message) { throw LibraryError(message); }

}  // namespace std
