#include "mail_text.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace fs = std::filesystem;

std::string CrLf(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    return text;
}

std::string RetrReply(const std::string& message)
{
    std::string reply = "+OK message follows\r\n";
    reply.reserve(message.size() + message.size() / 64 + 32);
    bool lineStart = true;
    for (const char c : message) {
        if (lineStart && c == '.')
            reply += '.';
        reply += c;
        lineStart = c == '\n';
    }
    return reply + ".\r\n";
}

std::string MultipartMessage(const std::string& boundary, const std::vector<MimePart>& parts, const Lines& extraHeader)
{
    Lines lines = {"Subject: parts", "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=\"" + boundary + "\""};
    lines.insert(lines.end(), extraHeader.begin(), extraHeader.end());
    lines.push_back("");
    lines.push_back("This is a multi-part message in MIME format.");
    std::string text = CrLf(lines);
    for (const MimePart& part : parts) {
        text += "--" + boundary + "\r\n";
        text += CrLf(part.header) + "\r\n";
        text += CrLf(part.body);
    }
    return text + "--" + boundary + "--\r\n";
}

Lines SavedCopies(const std::string& dir)
{
    static const std::regex kCopyName(R"(Message[0-9]+(_[0-9]+)*\.eml)");
    Lines names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && std::regex_match(name, kCopyName))
            names.push_back(name);
    }
    return names;
}

std::string FindSavedCopy(const std::string& dir, const std::string& message)
{
    const fs::path root = dir.empty() ? fs::path(".") : fs::path(dir);
    for (const std::string& name : SavedCopies(dir)) {
        std::error_code error;
        if (fs::file_size(root / name, error) == message.size() && FileBytes((root / name).string()) == message)
            return name;
    }
    return "";
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
