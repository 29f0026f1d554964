#pragma once
// File operations of the part copy and the saved message copy. Dir is the
// attachment directory as stored: empty (the current directory) or ending in '/'.

#include "pop3/fd_stream.h"

#include <string>

// Creates a file that did not exist (O_EXCL, never through a symbolic link),
// open for reading and writing. Returns an invalid TFd and sets errno on failure.
TFd CreateNewFile(const std::string& Path);

// Creates the next free temporary part file Dir + "Temp" + N + ".mme",
// advancing TempFileCount to N. A name that exists is skipped, not truncated:
// a temporary file whose renaming failed holds the only copy of its part.
// EFileError when the file cannot be created.
TFd CreateTempPartFile(const std::string& Dir, std::string& Path);

// Creates a new hidden scratch file Dir + "." + Name + ".part" (a number
// appended while that exists) in which a file is written before it is renamed
// into place, so that no name ever shows a half-written file.
// EFileError when it cannot be created.
TFd CreateScratchFile(const std::string& Dir, const std::string& Name, std::string& Path);

// Removes an unfinished scratch file unless it was renamed into place.
class TPendingFile {
public:
    explicit TPendingFile(std::string path) : path_(std::move(path)) {}
    ~TPendingFile();
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;
    void Keep() { path_.clear(); }

private:
    std::string path_;
};

// Renames From to To unless To exists. False, with errno set, on failure.
bool RenameNoReplace(const std::string& From, const std::string& To);

// Makes the directory's entries durable. False, with errno set, on failure.
bool SyncDirectory(const std::string& Dir);
