#include "pop3/fd_stream.h"

#include "platform/exception.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

std::string FileErrorText(const char* What, const std::string& Path, int Errno)
{
    return std::string(What) + " \"" + Path + "\". " + std::strerror(Errno);
}

TFd& TFd::operator=(TFd&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.Release();
    }
    return *this;
}

TFd::~TFd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int TFd::Release() noexcept
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void TFd::Close(const std::string& Path)
{
    const int fd = Release();
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        throw EFileError(FileErrorText("Cannot write file", Path, errno));
}

TFdOutBuf::TFdOutBuf(int fd, std::string path)
    : fd_(fd), path_(std::move(path)), buffer_(std::make_unique_for_overwrite<char[]>(kFileBufferSize))
{
    setp(buffer_.get(), buffer_.get() + kFileBufferSize);
}

bool TFdOutBuf::FlushBuffer()
{
    const char* data = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0) {
            if (errno != EINTR)
                error_ = errno;
            continue;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
        written_ += static_cast<std::size_t>(n);
    }
    setp(buffer_.get(), buffer_.get() + kFileBufferSize);
    return error_ == 0;
}

TFdOutBuf::int_type TFdOutBuf::overflow(int_type ch)
{
    if (!FlushBuffer())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int TFdOutBuf::sync() { return FlushBuffer() ? 0 : -1; }

std::streamsize TFdOutBuf::xsputn(const char* s, std::streamsize n)
{
    std::streamsize done = 0;
    while (done < n) {
        if (pptr() == epptr() && !FlushBuffer())
            break;
        const std::streamsize room = epptr() - pptr();
        const std::streamsize chunk = std::min(room, n - done);
        std::memcpy(pptr(), s + done, static_cast<std::size_t>(chunk));
        pbump(static_cast<int>(chunk));
        done += chunk;
    }
    return done;
}

void TFdOutBuf::Write(std::string_view Text)
{
    if (xsputn(Text.data(), static_cast<std::streamsize>(Text.size())) != static_cast<std::streamsize>(Text.size()))
        ThrowWriteError();
}

void TFdOutBuf::Finish()
{
    if (!FlushBuffer())
        ThrowWriteError();
}

void TFdOutBuf::ThrowWriteError() const
{
    throw EFileError(FileErrorText("Cannot write file", path_, error_));
}

TFdInBuf::TFdInBuf(int fd, std::string path)
    : fd_(fd), path_(std::move(path)), buffer_(std::make_unique_for_overwrite<char[]>(kFileBufferSize))
{
    setg(buffer_.get(), buffer_.get(), buffer_.get());
}

TFdInBuf::int_type TFdInBuf::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.get(), kFileBufferSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw EFileError(FileErrorText("Cannot read file", path_, errno));
    if (n == 0)
        return traits_type::eof();
    setg(buffer_.get(), buffer_.get(), buffer_.get() + n);
    return traits_type::to_int_type(*gptr());
}
