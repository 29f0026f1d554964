#pragma once
// The saved copy of a message that is about to be deleted on the server.

#include "pop3/mail_message.h"

#include <string>

// Writes the message as received (its Header and RawLines, byte-stuffing
// undone, CR LF line ends) to a new file "Message" + n + ".eml" in Dir, the
// collision rule giving it a free name; it never replaces an existing file.
// The file is written under a temporary name, synced, renamed and its
// directory synced, so it exists whole or not at all. Returns the file name
// without directory. EFileError when the copy cannot be made durable.
std::string SaveMessageCopy(const std::string& Dir, int MessageNumber, const TMailMessage& Message);
