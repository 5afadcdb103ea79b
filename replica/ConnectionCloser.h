#pragma once

#include <openssl/types.h>

// Cuts the TCP connection under a server-side TLS session without any further byte from our
// side: the socket is shut down in both directions, so the peer reads end-of-stream at once and
// whatever the server writes afterwards fails. The socket stays open: its owner (the server's
// worker thread) still closes it, so the descriptor number is never reused behind its back.
//
// cpp-httplib 0.11 hands a route handler no socket, but it does hand it the TLS session, and
// the session knows its descriptor. The descriptor's ports are checked against the request's
// before the cut, so a mix-up never cuts someone else's connection. Returns false when nothing
// was cut. Call from the thread serving that connection.
bool shutDownConnection(const SSL* session, int localPort, int remotePort);
