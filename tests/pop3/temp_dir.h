#pragma once
// A fresh directory for the files a test makes, removed with everything in
// it when the test ends. Paths it gives end in '/', like AttachFilePath.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tovik-pop3-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory itself, or a subdirectory made on demand, ending in '/'.
    std::string Path(const std::string& sub = "") const
    {
        const std::filesystem::path dir = sub.empty() ? root_ : root_ / sub;
        std::filesystem::create_directories(dir);
        return dir.string() + "/";
    }

    // Names of the entries directly in the directory (or a subdirectory).
    std::set<std::string> Names(const std::string& sub = "") const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(sub.empty() ? root_ : root_ / sub))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path root_;
};

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
