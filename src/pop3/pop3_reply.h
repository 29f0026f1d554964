#pragma once
#include <string>

// The +OK test every POP3 reply is judged by: the reply's first blank-separated
// field contains "+OK" (case-sensitive) anywhere in it.
bool IsOkReply(const std::string& Reply);

// What a refused command reports: the server's reply line as received, line
// end included. A server that hung up instead of answering sent no line; the
// failure then says so rather than showing an empty message.
inline constexpr char kConnectionClosedText[] = "Connection closed by the server";
[[noreturn]] void RaiseReply(const std::string& Reply);
