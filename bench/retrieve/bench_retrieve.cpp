// Retrieval throughput and peak memory against the private Dovecot.
//
//   bench_retrieve prepare mixed|big|huge|huge-text   makes a mailbox, prints its user
//   bench_retrieve run USER [--parse] [--delete]
//
// Mailboxes are generated deterministically: "mixed" holds 2,000 messages
// (plain text, ISO-2022-JP Subjects, multipart with base64 attachments),
// "big" 20 messages of 5 MB, "huge" one single-part message of 50 MB in
// 76-character base64 lines, "huge-text" 50 MB in text lines of ~150 characters.
// Preparing and running are separate processes so that the peak resident
// size of a run is the retrieval's own.

#include "platform/exception.h"
#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "support/dovecot_mailbox.h"

#include "common/deterministic_random.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string Base64Body(Random& random, std::size_t bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t chars = (bytes + 2) / 3 * 4;
    std::string text;
    text.reserve(chars + chars / 76 * 2 + 2);
    for (std::size_t i = 0; i < chars; ++i) {
        text += kAlphabet[random.Below(64)];
        if (i % 76 == 75 || i + 1 == chars)
            text += "\r\n";
    }
    return text;
}

std::string TextBody(Random& random, std::size_t lines)
{
    static const char* const kWords[] = {"mail", "server", "tovik", "check", "message", "retrieve", "the", "and",
                                         "of", "attachment", "line", "POP3", "from", "to", "subject", "."};
    std::string text;
    for (std::size_t l = 0; l < lines; ++l) {
        std::string line;
        const std::size_t length = 20 + random.Below(58);
        while (line.size() < length)
            line += std::string(kWords[random.Below(std::size(kWords))]) + " ";
        if (random.Below(20) == 0)
            line = "." + line;  // byte-stuffed on the wire
        text += line + "\r\n";
    }
    return text;
}

std::string CommonHeader(std::size_t n, const std::string& subject)
{
    return "Received: from relay" + std::to_string(n % 7) + ".example.org by mx.example.org\r\n"
           "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) + "@example.org>\r\n"
           "To: user@example.org\r\n"
           "Subject: " + subject + "\r\n"
           "Message-ID: <" + std::to_string(n) + "@bench.example.org>\r\n"
           "Date: Mon, 1 Jan 2024 00:00:00 +0000\r\n"
           "MIME-Version: 1.0\r\n";
}

std::string Multipart(Random& random, std::size_t n, std::size_t attachmentBytes)
{
    const std::string b = "=_bench_" + std::to_string(n);
    return CommonHeader(n, "report " + std::to_string(n)) + "Content-Type: multipart/mixed; boundary=\"" + b
           + "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n--" + b
           + "\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n" + TextBody(random, 10) + "--" + b
           + "\r\nContent-Type: application/octet-stream; name=\"data" + std::to_string(n % 10)
           + ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(random, attachmentBytes) + "--" + b
           + "--\r\n";
}

std::vector<std::string> Mixed()
{
    Random random(42);
    std::vector<std::string> messages;
    for (std::size_t n = 0; n < 2000; ++n) {
        const std::size_t kind = random.Below(100);
        if (kind < 60)
            messages.push_back(CommonHeader(n, "plain " + std::to_string(n))
                               + "Content-Type: text/plain\r\n\r\n" + TextBody(random, 20 + random.Below(180)));
        else if (kind < 75)
            messages.push_back(CommonHeader(n, "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?= " + std::to_string(n))
                               + "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + TextBody(random, 30));
        else
            messages.push_back(Multipart(random, n, 2000 + random.Below(58000)));
    }
    return messages;
}

std::vector<std::string> Big()
{
    Random random(7);
    std::vector<std::string> messages;
    constexpr std::size_t kSize = 5'000'000;
    for (std::size_t n = 0; n < 20; ++n) {
        if (n % 2 == 0)
            messages.push_back(CommonHeader(n, "big " + std::to_string(n))
                               + "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                               + Base64Body(random, kSize / 4 * 3));
        else
            messages.push_back(Multipart(random, n, kSize / 4 * 3));
    }
    return messages;
}

std::vector<std::string> Huge()
{
    Random random(9);
    return {CommonHeader(0, "huge") + "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n"
            + Base64Body(random, 50'000'000 / 4 * 3)};
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

long PeakResidentKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The same size in text lines of about 150 characters: less per-line overhead.
std::vector<std::string> HugeText()
{
    Random random(11);
    std::string body;
    body.reserve(50'100'000);
    while (body.size() < 50'000'000) {
        const std::string line = TextBody(random, 1);
        body += line.substr(0, line.size() - 2) + TextBody(random, 1);
    }
    return {CommonHeader(0, "huge text") + "Content-Type: text/plain\r\n\r\n" + body};
}

int Prepare(const std::string& kind)
{
    const std::vector<std::string> messages =
        kind == "mixed" ? Mixed() : kind == "big" ? Big() : kind == "huge" ? Huge() : HugeText();
    std::cout << NewMailbox(messages) << "\n";
    return 0;
}

int Run(const std::string& user, bool parse, bool remove)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tovik-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);

    PollPump pump;
    TPop3Client client(nullptr, &pump);
    client.Host = "127.0.0.1";
    client.Port = DovecotPort();
    client.UserID = user;
    client.Password = kDovecotPassword;
    client.Parse = parse;
    client.DeleteOnRead = remove;
    client.SetAttachFilePath(dir.string());
    client.Connect();

    const long idle = ResidentKiB();
    std::uint64_t bytes = 0;
    std::uint64_t largest = 0;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= client.MessageCount(); ++n) {
        try {
            client.RetrieveMessage(n);
        } catch (const Exception& e) {
            ++failures;
            std::cerr << "message " << n << ": " << e.Message() << "\n";
        }
        std::uint64_t size = 0;
        for (const std::string& line : client.MailMessage().Header)
            size += line.size() + 2;
        for (const std::string& line : client.MailMessage().RawLines)
            size += line.size() + 2;
        bytes += size;
        largest = std::max(largest, size);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    client.Disconnect();
    std::filesystem::remove_all(dir);

    const long peak = PeakResidentKiB();
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("messages %d, failures %d, %.1f MB in %.3f s: %.0f msgs/s, %.1f MB/s\n", client.MessageCount(), failures,
                mb, seconds, client.MessageCount() / seconds, mb / seconds);
    std::printf("peak RSS %ld KiB, idle %ld KiB, above idle %ld KiB = %.2f x the largest message (%.1f MB)\n", peak,
                idle, peak - idle, static_cast<double>(peak - idle) * 1024.0 / static_cast<double>(largest),
                static_cast<double>(largest) / 1e6);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "prepare" && (args[1] == "mixed" || args[1] == "big" || args[1] == "huge" || args[1] == "huge-text"))
            return Prepare(args[1]);
        if (args.size() >= 2 && args[0] == "run") {
            bool parse = false;
            bool remove = false;
            for (std::size_t i = 2; i < args.size(); ++i) {
                parse = parse || args[i] == "--parse";
                remove = remove || args[i] == "--delete";
            }
            return Run(args[1], parse, remove);
        }
    } catch (const std::exception& e) {
        std::cerr << "bench_retrieve: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "usage: bench_retrieve prepare mixed|big|huge|huge-text | run USER [--parse] [--delete]\n";
    return 2;
}
