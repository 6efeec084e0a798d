// What the standard library's internal throw helpers (std::__throw_length_error and its
// kin, which its templates call for a string too long, a position out of range) do in the
// exe. The library's own versions live in one object file that throws std::logic_error and
// its kin, whose reference-counted string is a second string implementation (measured:
// 81,408 bytes more in the 32-bit exe, over its size limit). Every std::string reaches
// them, so they cannot be avoided; nor may a program define names of its own in namespace
// std. So the exe is linked with --wrap=SYMBOL for each: the linker sends every call to
// __wrap_SYMBOL, a function of ours named so by its assembler label. If any call still
// reaches the library's object file, or the reference-counted string or the demangler
// comes in another way, the build fails (cmake/check-link-map.cmake reads the link map).
// Nothing in src/ catches these kinds: describeError tells them as unexpected errors.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <typeinfo>

#define DIAG_STRING(x) DIAG_STRING_OF(x)
#define DIAG_STRING_OF(x) #x
// Names a function of ours for the linker as the stand-in of the library's SYMBOL, which
// every call to SYMBOL then reaches (--wrap). src/CMakeLists.txt wraps every symbol quoted
// in this file.
#define DIAG_STANDS_IN_FOR(symbol) __asm__(DIAG_STRING(__USER_LABEL_PREFIX__) "__wrap_" symbol)
#define DIAG_THROW_HELPER(function, symbol, parameters)               \
    [[noreturn]] void function parameters DIAG_STANDS_IN_FOR(symbol); \
    [[noreturn]] void function parameters

namespace diag {

namespace {
// One error for all the library's words, kept in the error itself (the library passes
// string literals, but a formatted text must outlive its helper).
class LibraryError final : public std::exception {
  public:
    explicit LibraryError(const char* what) { std::snprintf(what_, sizeof what_, "%s", what); }
    const char* what() const noexcept override { return what_; }

  private:
    char what_[256];
};
} // namespace

DIAG_THROW_HELPER(throwBadAlloc, "_ZSt17__throw_bad_allocv", ()) { throw std::bad_alloc(); }
DIAG_THROW_HELPER(throwBadArrayNewLength, "_ZSt28__throw_bad_array_new_lengthv", ()) {
    throw std::bad_array_new_length();
}
DIAG_THROW_HELPER(throwBadCast, "_ZSt16__throw_bad_castv", ()) { throw std::bad_cast(); }
DIAG_THROW_HELPER(throwBadTypeid, "_ZSt18__throw_bad_typeidv", ()) { throw std::bad_typeid(); }
DIAG_THROW_HELPER(throwBadException, "_ZSt21__throw_bad_exceptionv", ()) { throw std::bad_exception(); }
DIAG_THROW_HELPER(throwLogicError, "_ZSt19__throw_logic_errorPKc", (const char* what)) { throw LibraryError(what); }
DIAG_THROW_HELPER(throwDomainError, "_ZSt20__throw_domain_errorPKc", (const char* what)) { throw LibraryError(what); }
DIAG_THROW_HELPER(throwInvalidArgument, "_ZSt24__throw_invalid_argumentPKc", (const char* what)) {
    throw LibraryError(what);
}
DIAG_THROW_HELPER(throwLengthError, "_ZSt20__throw_length_errorPKc", (const char* what)) { throw LibraryError(what); }
DIAG_THROW_HELPER(throwOutOfRange, "_ZSt20__throw_out_of_rangePKc", (const char* what)) { throw LibraryError(what); }
// Its words are a printf format with the numbers after it (%zu, %s): told with them.
DIAG_THROW_HELPER(throwOutOfRangeFormatted, "_ZSt24__throw_out_of_range_fmtPKcz", (const char* format, ...)) {
    char text[256];
    va_list values;
    va_start(values, format);
    std::vsnprintf(text, sizeof text, format, values);
    va_end(values);
    throw LibraryError(text);
}
DIAG_THROW_HELPER(throwRuntimeError, "_ZSt21__throw_runtime_errorPKc", (const char* what)) { throw LibraryError(what); }
DIAG_THROW_HELPER(throwRangeError, "_ZSt19__throw_range_errorPKc", (const char* what)) { throw LibraryError(what); }
DIAG_THROW_HELPER(throwOverflowError, "_ZSt22__throw_overflow_errorPKc", (const char* what)) {
    throw LibraryError(what);
}
DIAG_THROW_HELPER(throwUnderflowError, "_ZSt23__throw_underflow_errorPKc", (const char* what)) {
    throw LibraryError(what);
}

// The handler std::terminate runs by default. A window program has nowhere to print why
// it was terminated: the library's verbose handler would only bring its name demangler
// (some 45 KiB) into the exe.
void terminateQuietly() DIAG_STANDS_IN_FOR("_ZN9__gnu_cxx27__verbose_terminate_handlerEv");
void terminateQuietly() { std::abort(); }

} // namespace diag
