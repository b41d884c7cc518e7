#ifndef TAL_EXCEPTION_TAL_EXCEPTION_H
#define TAL_EXCEPTION_TAL_EXCEPTION_H

#include <cstdarg>
#include <cstddef>
#include <exception>
#include <typeinfo>

#include "tal/AutoBuffer.h"

namespace tal {

// The pooled string lives in its own header; exceptions only stream its text.
template <typename _Tp>
class pool_allocator;
template <typename _CharT, typename _Alloc>
class basic_string;
typedef basic_string<char, pool_allocator<char>> string;

// Grade of an exception; any int value may be held, named or not.
enum exception_level_t : int {
    EXCEPTION_LEVEL_SILENT = -999,
    EXCEPTION_LEVEL_DEBUG = 0,
    EXCEPTION_LEVEL_TRACE = 100,
    EXCEPTION_LEVEL_NOTICE = 200,
    EXCEPTION_LEVEL_WARNING = 400,
    EXCEPTION_LEVEL_FATAL = 800,
    EXCEPTION_LEVEL_CORE_DUMPED = 999,
    EXCEPTION_LEVEL_DEFAULT = EXCEPTION_LEVEL_DEBUG
};

extern const char* const EXCEPTION_LEVEL_SILENT_CSTRING;
extern const char* const EXCEPTION_LEVEL_DEBUG_CSTRING;
extern const char* const EXCEPTION_LEVEL_TRACE_CSTRING;
extern const char* const EXCEPTION_LEVEL_NOTICE_CSTRING;
extern const char* const EXCEPTION_LEVEL_WARNING_CSTRING;
extern const char* const EXCEPTION_LEVEL_FATAL_CSTRING;
extern const char* const EXCEPTION_LEVEL_CORE_DUMPED_CSTRING;
extern const char* const EXCEPTION_LEVEL_DEFAULT_CSTRING;
extern const char* const EXCEPTION_LEVEL_UNKNOWN_CSTRING;

// Constant text of the range a level falls in.
const char* to_cstring(exception_level_t level);

// Appends the calling thread's stack, one line per frame, innermost first,
// skipping begin_level frames (the first is this routine's own). At most
// max_level frames are looked at. Never throws.
void stack_trace(AutoBuffer& buf, size_t total_level, size_t begin_level, size_t max_level,
                 const char* line_delimiter);

// Appends the demangled form of a symbol or type name, or the name unchanged
// when it does not demangle. Never throws.
void demangle(AutoBuffer& buf, const char* mangled_name);

// Throw site. The texts are not copied: they must outlive the exception
// (throw sites pass literals, see TAL_EXCEPTION_ARG).
struct ExceptionArg {
    ExceptionArg(const char* function, const char* file, int line)
        : _function(function), _file(file), _line(line)
    {
    }

    const char* _function;
    const char* _file;
    int _line;
};

// Throw site of the enclosing statement:
//   throw tal::NullPointerException() << TAL_EXCEPTION_ARG << "cstr";
#define TAL_EXCEPTION_ARG tal::ExceptionArg(__PRETTY_FUNCTION__, __FILE__, __LINE__)

// All data of every exception. Its texts live in AutoBuffers, so building,
// filling, copying and reporting an exception never throws.
class ExceptionBase : public std::exception {
public:
    static const size_t DEFAULT_STACK_CAPACITY = 64;
    static const size_t DEFAULT_NAME_CAPACITY = 32;
    static const size_t DEFAULT_WHAT_CAPACITY = 256;
    static const size_t DEFAULT_MSG_CAPACITY = 64;
    static const char* const DEFAULT_FUNCTION;
    static const char* const DEFAULT_FILE;
    static const int DEFAULT_LINE = 0;

    ExceptionBase();
    // Transfer copy: takes the stack, name and message texts out of other
    // (which is const only so that `throw` can use it) instead of copying
    // them; other keeps its level and throw site and is left with empty texts.
    ExceptionBase(const ExceptionBase& other);
    ~ExceptionBase() noexcept override;

protected:
    // Appends the demangled dynamic class name to _name once.
    void _fill_name() const;
    // The class sits under a typed base that names another class.
    void _warn_invalid_definition();

    exception_level_t _level;
    // Mutable: the transfer copy empties its const source, and name() and
    // all() fill their texts on first demand.
    mutable AutoBuffer _stack;
    mutable AutoBuffer _name;
    mutable AutoBuffer _msg;
    mutable AutoBuffer _all;
    ExceptionArg _arg;

private:
    ExceptionBase& operator=(const ExceptionBase&);
};

// Typed chaining operations for class D with base B. Each returns the object
// as a D, so a chain started on a D temporary is still a D at `throw`, and
// runs check_type() after its own work.
template <typename D, typename B>
class BasicException : public B {
public:
    BasicException() {}

    D& operator<<(const ExceptionArg& arg) { return push(arg); }
    D& operator<<(exception_level_t level) { return push(level); }
    // Scalars and texts, rendered as AutoBuffer renders them.
    template <typename T>
    D& operator<<(T value)
    {
        this->_msg << value;
        return _checked();
    }
    D& operator<<(const AutoBuffer& buf)
    {
        this->_msg << buf;
        return _checked();
    }
    // The pooled string (tal::string), streamed by reference so that no
    // string is copied while an exception is built; appends up to its first
    // NUL, as the string's own AutoBuffer operator<< does.
    template <typename _CharT, typename _Alloc>
    D& operator<<(const basic_string<_CharT, _Alloc>& s)
    {
        this->_msg << s.c_str();
        return _checked();
    }

    D& push(const ExceptionArg& arg)
    {
        this->_arg = arg;
        return _checked();
    }
    D& push(exception_level_t level)
    {
        this->_level = level;
        return _checked();
    }
    D& pushf(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list ap;
        va_start(ap, format);
        this->_msg.vpushf(format, ap);
        va_end(ap);
        return _checked();
    }
    D& vpushf(const char* format, va_list ap)
    {
        this->_msg.vpushf(format, ap);
        return _checked();
    }

private:
    D& _checked()
    {
        check_type();
        return static_cast<D&>(*this);
    }
    // Warns (once per streamed item) when the object is not exactly a D.
    virtual void check_type()
    {
        if (typeid(*this) != typeid(D)) this->_warn_invalid_definition();
    }
};

// Root of everything the system throws; captures the stack on construction.
class Exception : public BasicException<Exception, ExceptionBase> {
public:
    static const size_t DEFAULT_STACK_TRACE_LEVEL = 10;
    static const size_t MAX_STACK_TRACE_LEVEL = 100;

    Exception();

    // The message only. Texts returned here stay valid until the buffer
    // behind them changes or the exception is destroyed.
    const char* what() const noexcept override;
    // Demangled name of the dynamic class, e.g. "tal::OutOfBoundException".
    const char* name() const;
    // Full report, composed on the first call and unchanged afterwards.
    const char* all() const;
    const char* stack() const;
    const char* function() const;
    const char* file() const;
    int line() const;
    int level() const;
    const char* level_str() const;

    // Frames recorded by exceptions built from now on; returns the old value.
    static size_t set_stack_trace_level(size_t level);
    // Keeps at most the first _S_LINE_DELIMITER_SIZE - 1 characters; null
    // sets an empty delimiter.
    static void set_line_delimiter(const char* delimiter);
    static const char* get_line_delimiter();

private:
    static const char* const DEFAULT_LINE_DELIMITER;
    static const size_t _S_LINE_DELIMITER_SIZE = 10;
    static size_t _s_stack_trace_level;
    static char _s_line_delimiter[_S_LINE_DELIMITER_SIZE];
};

// The concrete classes, in declaration order. Each adds only its type.

// A std::exception caught by the system and passed on inside the family.
class StdException : public BasicException<StdException, Exception> {
public:
    // name() reports e's class, what() e's text; e is not kept.
    explicit StdException(const std::exception& e);
};

class UnknownException : public BasicException<UnknownException, Exception> {};
class BadCastException : public BasicException<BadCastException, Exception> {};
class OutOfBoundException : public BasicException<OutOfBoundException, Exception> {};
class KeyNotFoundException : public BasicException<KeyNotFoundException, Exception> {};
class BadAllocException : public BasicException<BadAllocException, Exception> {};
class BadArgumentException : public BasicException<BadArgumentException, Exception> {};
class NullPointerException : public BasicException<NullPointerException, Exception> {};
class BadFormatStringException : public BasicException<BadFormatStringException, Exception> {};
class NotImplementedException : public BasicException<NotImplementedException, Exception> {};
class InvalidOperationException : public BasicException<InvalidOperationException, Exception> {};
class OverflowException : public BasicException<OverflowException, Exception> {};
class UnderflowException : public BasicException<UnderflowException, Exception> {};
class ParseErrorException : public BasicException<ParseErrorException, Exception> {};

}  // namespace tal

#endif
