// Throughput of TZtConv::DecodeHeader over a file of Subject lines.
//
//   bench_decode_header --generate FILE MB   write ~MB megabytes of lines to FILE
//                                            and their raw JIS text to FILE.jis
//   bench_decode_header FILE [PASSES]        decode every line, print MB/s
//   bench_decode_header --print FILE         decode once, write lines to stdout

#include "jconv/zt_conv.h"
#include "subject_generator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kSeed = 2047;

int Generate(const std::string& path, double megabytes)
{
    std::ofstream encoded(path, std::ios::binary);
    std::ofstream rawJis(path + ".jis", std::ios::binary);
    if (!encoded || !rawJis) {
        std::cerr << "cannot write " << path << "\n";
        return 1;
    }
    SubjectGenerator generator(kSeed);
    const auto target = static_cast<std::size_t>(megabytes * 1e6);
    std::size_t written = 0;
    while (written < target) {
        const SubjectGenerator::Line line = generator.Next();
        encoded << line.encoded << '\n';
        rawJis << line.rawJis << '\n';
        written += line.encoded.size() + 1;
    }
    encoded.flush();
    rawJis.flush();
    if (!encoded || !rawJis) {
        std::cerr << "write failed for " << path << "\n";
        return 1;
    }
    std::cout << "wrote " << written << " bytes to " << path << "\n";
    return 0;
}

// The whole file in one read; nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        return std::nullopt;
    return text;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines, std::size_t& bytes)
{
    const std::optional<std::string> text = ReadFile(path);
    if (!text)
        return false;
    bytes = text->size();
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.emplace_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return true;
}

// One pass as a filter would run it, for a wall-clock comparison with the
// command-line tools: read the file in blocks, decode each line, write the
// result block by block.
int Print(const std::string& path)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }
    constexpr std::size_t kBlock = 1 << 20;
    const TZtConv conv;
    std::string pending; // read but not yet decoded: at most one partial line
    std::string line;
    std::string out;
    std::vector<char> block(kBlock);
    bool more = true;
    while (more) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), in.get());
        more = got == block.size();
        pending.append(block.data(), got);
        std::string_view rest = pending;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            if (end == std::string_view::npos && more)
                break;
            line.assign(rest.substr(0, end));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            out += conv.DecodeHeader(line);
            out += '\n';
        }
        pending.erase(0, pending.size() - rest.size());
        if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
            return 1;
        out.clear();
    }
    return 0;
}

int Measure(const std::string& path, int passes)
{
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    if (!ReadLines(path, lines, bytes)) {
        std::cerr << "cannot read " << path << "\n";
        return 1;
    }
    const TZtConv conv;
    double best = 0;
    std::size_t outBytes = 0;
    for (int pass = 0; pass < passes; ++pass) {
        outBytes = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& line : lines)
            outBytes += conv.DecodeHeader(line).size();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, static_cast<double>(bytes) / took.count() / 1e6);
    }
    std::printf("%.1f MB/s  (%zu lines, %zu bytes in, %zu bytes out, best of %d)\n", best,
                lines.size(), bytes, outBytes, passes);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--generate")
        return Generate(args[1], std::atof(args[2].c_str()));
    if (args.size() == 2 && args[0] == "--print")
        return Print(args[1]);
    if (args.size() == 1 || args.size() == 2)
        return Measure(args[0], args.size() == 2 ? std::max(1, std::atoi(args[1].c_str())) : 5);
    std::cerr << "usage: bench_decode_header --generate FILE MB | FILE [PASSES] | --print FILE\n";
    return 2;
}
