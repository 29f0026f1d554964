#pragma once
// Unit-level retrieval state beyond the two counters declared with the client
// (LineCursor, TempFileCount): how the last header scan from the connection
// ended. One thread drives retrieval, as with LineCursor.

enum class THeaderScanEnd {
    EmptyLine,         // the header's empty line: the body follows
    MessageEnd,        // the terminating "." line came first: no body
    ConnectionClosed,  // the server closed the connection inside the header
};

extern THeaderScanEnd HeaderScanEnd;
