#pragma once
#include <string>

// The +OK test every POP3 reply is judged by: the reply's first blank-separated
// field contains "+OK" (case-sensitive) anywhere in it.
bool IsOkReply(const std::string& Reply);
