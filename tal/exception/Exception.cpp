#include <cstring>
#include <typeinfo>

#include "tal/exception/tal_exception.h"

namespace tal {

const size_t ExceptionBase::DEFAULT_STACK_CAPACITY;
const size_t ExceptionBase::DEFAULT_NAME_CAPACITY;
const size_t ExceptionBase::DEFAULT_WHAT_CAPACITY;
const size_t ExceptionBase::DEFAULT_MSG_CAPACITY;
const char* const ExceptionBase::DEFAULT_FUNCTION = "<unknown-function>";
const char* const ExceptionBase::DEFAULT_FILE = "<unknown-file>";
const int ExceptionBase::DEFAULT_LINE;

const size_t Exception::DEFAULT_STACK_TRACE_LEVEL;
const size_t Exception::MAX_STACK_TRACE_LEVEL;
const char* const Exception::DEFAULT_LINE_DELIMITER = "<CR>";
const size_t Exception::_S_LINE_DELIMITER_SIZE;
size_t Exception::_s_stack_trace_level = Exception::DEFAULT_STACK_TRACE_LEVEL;
char Exception::_s_line_delimiter[Exception::_S_LINE_DELIMITER_SIZE] = "<CR>";

// Room the report needs beyond the message and the stack: the fixed pieces,
// the name, the throw site.
static const size_t REPORT_EXTRA_CAPACITY = 160;

ExceptionBase::ExceptionBase()
    : _level(EXCEPTION_LEVEL_DEFAULT),
      _stack(DEFAULT_STACK_CAPACITY),
      _name(DEFAULT_NAME_CAPACITY),
      _msg(DEFAULT_WHAT_CAPACITY),
      _all(0),
      _arg(DEFAULT_FUNCTION, DEFAULT_FILE, DEFAULT_LINE)
{
}

ExceptionBase::ExceptionBase(const ExceptionBase& other)
    : std::exception(other),
      _level(other._level),
      _stack(0),
      _name(0),
      _msg(0),
      _all(DEFAULT_MSG_CAPACITY),
      _arg(other._arg)
{
    _stack.transfer_from(other._stack);
    _name.transfer_from(other._name);
    _msg.transfer_from(other._msg);
}

ExceptionBase::~ExceptionBase() noexcept {}

void ExceptionBase::_fill_name() const
{
    if (_name.empty()) demangle(_name, typeid(*this).name());
}

void ExceptionBase::_warn_invalid_definition()
{
    _fill_name();
    _msg << "WARNING: invalid definition of " << _name;
    if (_level < EXCEPTION_LEVEL_WARNING) _level = EXCEPTION_LEVEL_WARNING;
}

Exception::Exception()
{
    // Level 1 skips the frame of stack_trace itself.
    stack_trace(_stack, _s_stack_trace_level, 1, MAX_STACK_TRACE_LEVEL, _s_line_delimiter);
}

const char* Exception::what() const noexcept { return _msg.c_str(); }

const char* Exception::name() const
{
    _fill_name();
    return _name.c_str();
}

const char* Exception::all() const
{
    if (!_all.empty()) return _all.c_str();
    _fill_name();
    _all.reserve(_msg.size() + _stack.size() + REPORT_EXTRA_CAPACITY);
    _all << "exception[" << _name << "] was thrown at[" << _s_line_delimiter << '\t' << _arg._file << ":"
         << _arg._line << ":" << _arg._function << _s_line_delimiter << "] with message[" << _msg
         << "] stack:" << _s_line_delimiter << _stack;
    return _all.c_str();
}

const char* Exception::stack() const { return _stack.c_str(); }
const char* Exception::function() const { return _arg._function; }
const char* Exception::file() const { return _arg._file; }
int Exception::line() const { return _arg._line; }
int Exception::level() const { return _level; }
const char* Exception::level_str() const { return to_cstring(_level); }

size_t Exception::set_stack_trace_level(size_t level)
{
    size_t old = _s_stack_trace_level;
    _s_stack_trace_level = level;
    return old;
}

void Exception::set_line_delimiter(const char* delimiter)
{
    size_t len = delimiter ? strnlen(delimiter, _S_LINE_DELIMITER_SIZE - 1) : 0;
    // The new text may be (a tail of) the current one, as get_line_delimiter gives it.
    if (len) memmove(_s_line_delimiter, delimiter, len);
    memset(_s_line_delimiter + len, 0, _S_LINE_DELIMITER_SIZE - len);
}

const char* Exception::get_line_delimiter() { return _s_line_delimiter; }

StdException::StdException(const std::exception& e)
{
    demangle(_name, typeid(e).name());
    _msg << e.what();
}

}  // namespace tal
