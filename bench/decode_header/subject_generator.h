#pragma once
// Deterministic Subject lines for the decoding benchmark: plain ASCII
// subjects mixed with ones holding ISO-2022-JP "B" encoded words.

#include <cstdint>
#include <random>
#include <string>

class SubjectGenerator {
public:
    explicit SubjectGenerator(std::uint32_t Seed) : random_(Seed) {}

    // One line without its line end, as the mail carries it, and the same
    // line with each encoded word replaced by its raw ISO-2022-JP bytes.
    struct Line {
        std::string encoded;
        std::string rawJis;
    };
    Line Next();

private:
    std::mt19937 random_;

    int Roll(int Low, int High);
    std::string WordJis();
    std::string AsciiPhrase();
};
