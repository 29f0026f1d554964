#include "pop3/pop3_reply.h"

#include "platform/exception.h"
#include "platform/nth_word.h"

bool IsOkReply(const std::string& Reply)
{
    return NthWord(Reply, ' ', 1).find("+OK") != std::string::npos;
}

void RaiseReply(const std::string& Reply)
{
    throw Exception(Reply.empty() ? kConnectionClosedText : Reply);
}
