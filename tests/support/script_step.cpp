#include "support/script_step.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// "123 rest" -> 123 and "rest"; throws when no number leads.
std::chrono::milliseconds LeadingMillis(std::string_view text, std::string_view* rest, const std::string& entry) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 9) throw std::invalid_argument("bad delay in transcript step: " + entry);
    const long value = std::strtol(std::string(text.substr(0, digits)).c_str(), nullptr, 10);
    text.remove_prefix(digits);
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    *rest = text;
    return std::chrono::milliseconds(value);
}

}  // namespace

std::string UnescapeScriptText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        switch (next) {
            case 'r': out += '\r'; ++i; break;
            case 'n': out += '\n'; ++i; break;
            case 't': out += '\t'; ++i; break;
            case '\\': out += '\\'; ++i; break;
            case 'x':
                if (i + 3 < text.size() && IsHexDigit(text[i + 2]) && IsHexDigit(text[i + 3])) {
                    out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
                    i += 3;
                } else {
                    out += c;
                }
                break;
            default: out += c; break;
        }
    }
    return out;
}

ScriptStep ParseScriptStep(std::string entry) {
    const std::string_view marker(kRawStepMarker);
    ScriptStep step;
    if (std::string_view(entry).starts_with(marker)) {
        // Raw data may be huge: move it rather than copy it.
        entry.erase(0, marker.size());
        step.kind = ScriptStep::Kind::Send;
        step.text = std::move(entry);
        return step;
    }
    const std::string_view view(entry);
    if (view.starts_with("S: ") || view == "S:") {
        step.kind = ScriptStep::Kind::Send;
        step.text = std::string(view.substr(std::min<std::size_t>(3, view.size()))) + "\r\n";
    } else if (view.starts_with("S< ")) {
        step.kind = ScriptStep::Kind::Send;
        step.text = UnescapeScriptText(std::string(view.substr(3)));
    } else if (view.starts_with("C: ") || view == "C:") {
        step.kind = ScriptStep::Kind::Expect;
        step.text = std::string(view.substr(std::min<std::size_t>(3, view.size())));
    } else if (view.starts_with("WAIT ")) {
        std::string_view rest;
        step.kind = ScriptStep::Kind::Wait;
        step.delay = LeadingMillis(view.substr(5), &rest, entry);
        if (!rest.empty()) throw std::invalid_argument("bad transcript step: " + entry);
    } else if (view.starts_with("DRIP ")) {
        std::string_view rest;
        step.kind = ScriptStep::Kind::Drip;
        step.delay = LeadingMillis(view.substr(5), &rest, entry);
        step.text = std::string(rest) + "\r\n";
    } else if (view == "CLOSE") {
        step.kind = ScriptStep::Kind::Close;
    } else if (view == "RESET") {
        step.kind = ScriptStep::Kind::Reset;
    } else if (view == "SILENT") {
        step.kind = ScriptStep::Kind::Silent;
    } else {
        throw std::invalid_argument("unknown transcript step: " + entry);
    }
    return step;
}
