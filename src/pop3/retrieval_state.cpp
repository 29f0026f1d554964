#include "pop3/pop3_client.h"
#include "pop3/retrieval_state.h"

int LineCursor = 0;
int TempFileCount = 0;
THeaderScanEnd HeaderScanEnd = THeaderScanEnd::EmptyLine;
