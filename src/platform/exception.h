#pragma once
// The exception family every failure of tovik is reported with. Handlers that
// "catch Exception" catch these and nothing else: anything outside the family
// (std::bad_alloc, ...) is meant to reach the default error display.

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// A socket failure: "10054:Connection reset by peer", "Connection Failed", ...
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A wait that was cancelled or ran out of time.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// Text that should have been a whole number: "'abc' is not a valid integer value".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A string-list index outside the list: "List index out of bounds (N)".
class EListError : public Exception {
public:
    using Exception::Exception;
};

// A file that could not be created, opened, written or renamed.
class EFileError : public Exception {
public:
    using Exception::Exception;
};
