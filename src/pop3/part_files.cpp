#include "pop3/part_files.h"

#include "platform/exception.h"
#include "pop3/pop3_client.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr mode_t kFileMode = 0666;  // narrowed by the umask, as for any new file

}  // namespace

TFd CreateNewFile(const std::string& Path)
{
    return TFd(::open(Path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
}

TFd CreateTempPartFile(const std::string& Dir, std::string& Path)
{
    for (;;) {
        ++TempFileCount;
        Path = Dir + "Temp" + std::to_string(TempFileCount) + ".mme";
        TFd file = CreateNewFile(Path);
        if (file.Valid())
            return file;
        if (errno != EEXIST)
            throw EFileError(FileErrorText("Cannot create file", Path, errno));
    }
}

TFd CreateScratchFile(const std::string& Dir, const std::string& Name, std::string& Path)
{
    for (int k = 0;; ++k) {
        Path = Dir + "." + Name + ".part" + (k > 0 ? std::to_string(k) : std::string());
        TFd file = CreateNewFile(Path);
        if (file.Valid())
            return file;
        if (errno != EEXIST)
            throw EFileError(FileErrorText("Cannot create file", Path, errno));
    }
}

TPendingFile::~TPendingFile()
{
    if (!path_.empty())
        ::unlink(path_.c_str());
}

bool RenameNoReplace(const std::string& From, const std::string& To)
{
    if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename without replacing: a hard link fails on
    // an existing name just the same.
    if (::link(From.c_str(), To.c_str()) != 0)
        return false;
    ::unlink(From.c_str());
    return true;
}

bool SyncDirectory(const std::string& Dir)
{
    const TFd dir(::open(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.Valid() && ::fsync(dir.Get()) == 0;
}
