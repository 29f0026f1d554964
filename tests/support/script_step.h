#pragma once
// One step of a ScriptedServer transcript, parsed from its text form.

#include <chrono>
#include <string>

struct ScriptStep {
    enum class Kind { Send, Expect, Wait, Close, Reset, Silent, Drip };
    Kind kind = Kind::Send;
    // Send and Drip: the exact bytes to send; Expect: the expected line.
    std::string text;
    // Wait: how long; Drip: the pause between two bytes.
    std::chrono::milliseconds delay{0};
};

// Marks a step made by ScriptedServer::Raw; cannot start a written step.
inline constexpr char kRawStepMarker[] = "\001RAW\001";

// Parses one transcript entry. Unknown steps throw std::invalid_argument, so a
// typo in a test fails loudly instead of silently changing the dialogue.
ScriptStep ParseScriptStep(std::string entry);

// Expands \r \n \t \\ and \xHH; any other backslash stays as it is.
std::string UnescapeScriptText(const std::string& text);
