#pragma once
// Files by descriptor, buffered: the part files are opened with flags that
// std::fstream cannot give (O_EXCL, O_NOFOLLOW), and long parts must not cost
// a system call per line.

#include <cstddef>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

// Owns one file descriptor.
class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : fd_(fd) {}
    TFd(TFd&& other) noexcept : fd_(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd();

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() noexcept;
    // Closes now; errno-style failure text for Path when the close fails.
    void Close(const std::string& Path);

private:
    int fd_ = -1;
};

inline constexpr std::size_t kFileBufferSize = 64 * 1024;

// Writes to a descriptor through a 64 KiB buffer. It does not own the
// descriptor. A write error is kept and reported by Finish().
class TFdOutBuf final : public std::streambuf {
public:
    TFdOutBuf(int fd, std::string path);
    TFdOutBuf(const TFdOutBuf&) = delete;
    TFdOutBuf& operator=(const TFdOutBuf&) = delete;

    // Appends Text; EFileError when the file cannot be written.
    void Write(std::string_view Text);
    // Flushes what is buffered; EFileError on any write error so far.
    void Finish();
    // Bytes handed to Write and to the stream so far.
    std::size_t Written() const { return written_ + static_cast<std::size_t>(pptr() - pbase()); }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    int fd_;
    std::string path_;
    std::unique_ptr<char[]> buffer_;
    std::size_t written_ = 0;  // bytes already passed to write()
    int error_ = 0;
    bool FlushBuffer();
    [[noreturn]] void ThrowWriteError() const;
};

// Reads a descriptor through a 64 KiB buffer, from its current offset. A read
// error throws EFileError (a stream with badbit in its exception mask passes it on).
class TFdInBuf final : public std::streambuf {
public:
    TFdInBuf(int fd, std::string path);
    TFdInBuf(const TFdInBuf&) = delete;
    TFdInBuf& operator=(const TFdInBuf&) = delete;

protected:
    int_type underflow() override;

private:
    int fd_;
    std::string path_;
    std::unique_ptr<char[]> buffer_;
};

// "Cannot create file "path". reason" and its like, from errno.
std::string FileErrorText(const char* What, const std::string& Path, int Errno);
