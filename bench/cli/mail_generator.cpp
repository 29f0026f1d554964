// Writes a deterministic benchmark mailbox into a maildir's new/ directory.
//
//   bench_cli_mailgen mixed DIR   2,000 messages: small ones with ISO-2022-JP
//                                 Subjects, medium text, and multipart ones with
//                                 100 kB to 1 MB base64 attachments
//   bench_cli_mailgen big DIR     20 messages of 5 MB, text and attachment
//
// The same arguments always give the same bytes, so runs compare.

#include "common/deterministic_random.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size() / 3 * 4 + 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const auto n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                       static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
        out += kBase64[n >> 18 & 63];
        out += kBase64[n >> 12 & 63];
        out += kBase64[n >> 6 & 63];
        out += kBase64[n & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const auto n = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                       (two ? static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 : 0);
        out += kBase64[n >> 18 & 63];
        out += kBase64[n >> 12 & 63];
        out += two ? kBase64[n >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

// Base64 text in 76-column lines, as mail programs write it.
std::string Base64Lines(Random& random, std::size_t rawBytes)
{
    std::string raw(rawBytes, '\0');
    for (char& c : raw)
        c = static_cast<char>(random.Next() >> 8);
    const std::string text = Base64(raw);
    std::string lines;
    lines.reserve(text.size() + text.size() / 76 + 2);
    for (std::size_t at = 0; at < text.size(); at += 76)
        lines.append(text, at, 76).append("\n");
    return lines;
}

// A Japanese Subject: hiragana and kanji in ISO-2022-JP, as one encoded word.
std::string JapaneseSubject(Random& random)
{
    std::string jis = "\x1b$B";
    const std::size_t chars = random.Between(4, 14);
    for (std::size_t i = 0; i < chars; ++i) {
        if (random.Next() % 2 == 0) {
            jis += '\x24';
            jis += static_cast<char>(0x22 + random.Next() % 0x51);  // hiragana row
        } else {
            jis += static_cast<char>(0x30 + random.Next() % 0x20);  // kanji rows
            jis += static_cast<char>(0x21 + random.Next() % 0x5E);
        }
    }
    jis += "\x1b(B";
    return "=?ISO-2022-JP?B?" + Base64(jis) + "?=";
}

const char* const kWords[] = {"mail", "server", "message", "account", "retrieve", "subject", "header", "body",
                              "attachment", "report", "meeting", "schedule", "project", "tovik", "count", "line"};

std::string TextLines(Random& random, std::size_t bytes)
{
    std::string text;
    std::string line;
    while (text.size() < bytes) {
        line += kWords[random.Next() % 16];
        if (line.size() > 60) {
            text += line + "\n";
            line.clear();
        } else {
            line += ' ';
        }
    }
    return text;
}

std::string Header(int n, const std::string& subject, const std::string& contentType)
{
    return "Return-Path: <sender@example.com>\n"
           "From: Sender " + std::to_string(n % 17) + " <sender@example.com>\n"
           "To: bench@example.net\n"
           "Subject: " + subject + "\n"
           "Date: Mon, 1 Jan 2024 09:00:00 +0900\n"
           "Message-ID: <bench-" + std::to_string(n) + "@example.com>\n"
           "MIME-Version: 1.0\n"
           "Content-Type: " + contentType + "\n";
}

std::string PlainMessage(int n, Random& random, std::size_t bodyBytes)
{
    return Header(n, JapaneseSubject(random), "text/plain; charset=ISO-2022-JP") +
           "Content-Transfer-Encoding: 7bit\n\n" + TextLines(random, bodyBytes);
}

std::string MultipartMessage(int n, Random& random, std::size_t attachmentBytes)
{
    const std::string boundary = "=_bench_" + std::to_string(n);
    return Header(n, "Report " + std::to_string(n) + " " + JapaneseSubject(random),
                  "multipart/mixed; boundary=\"" + boundary + "\"") +
           "\nThis is a multi-part message in MIME format.\n"
           "--" + boundary + "\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\n\n" +
           TextLines(random, 600) +
           "--" + boundary + "\n"
           "Content-Type: application/octet-stream; name=\"data" + std::to_string(n) + ".bin\"\n"
           "Content-Transfer-Encoding: base64\n"
           "Content-Disposition: attachment; filename=\"data" + std::to_string(n) + ".bin\"\n\n" +
           Base64Lines(random, attachmentBytes) +
           "--" + boundary + "--\n";
}

// One message of the mixed mailbox: six in ten small, three medium, one
// with an attachment of 100 kB to 1 MB as sent.
std::string MixedMessage(int n, Random& random)
{
    const int kind = n % 10;
    if (kind < 6)
        return PlainMessage(n, random, random.Between(500, 4000));
    if (kind < 9)
        return PlainMessage(n, random, random.Between(20'000, 100'000));
    return MultipartMessage(n, random, random.Between(100'000, 1'000'000) * 3 / 4);
}

// 5 MB each: plain text and attachments by turns.
std::string BigMessage(int n, Random& random)
{
    constexpr std::size_t kSize = 5'000'000;
    return n % 2 == 0 ? PlainMessage(n, random, kSize) : MultipartMessage(n, random, kSize * 3 / 4 - 1000);
}

bool WriteMessage(const std::string& dir, int n, const std::string& text)
{
    // Rising time stamps keep Dovecot's numbering in the order written.
    const std::string path = dir + "/" + std::to_string(1700000000 + n) + ".M" + std::to_string(n) + "P1.bench";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::string(argv[1]) != "mixed" && std::string(argv[1]) != "big")) {
        std::cerr << "usage: bench_cli_mailgen mixed|big MAILDIR_NEW\n";
        return 2;
    }
    const bool mixed = std::string(argv[1]) == "mixed";
    const int count = mixed ? 2000 : 20;
    Random random(mixed ? 20240101 : 5000000);
    std::uint64_t total = 0;
    std::size_t largest = 0;
    for (int n = 1; n <= count; ++n) {
        const std::string text = mixed ? MixedMessage(n, random) : BigMessage(n, random);
        if (!WriteMessage(argv[2], n, text)) {
            std::cerr << "bench_cli_mailgen: cannot write into " << argv[2] << "\n";
            return 1;
        }
        total += text.size();
        largest = std::max(largest, text.size());
    }
    std::printf("%d messages, %llu bytes, largest %zu\n", count, static_cast<unsigned long long>(total), largest);
    return 0;
}
