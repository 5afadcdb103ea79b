#pragma once

// Cuts an open TCP connection of this process without any further byte from our side.
//
// cpp-httplib 0.11 hands a route handler no socket, so the connection is found by its ports:
// the descriptor in /proc/self/fd whose local port is localPort and whose peer port is
// remotePort. Both ends are compared because a client in the same process holds the mirror
// image of the pair, and one ephemeral port may talk to two servers at once.
//
// The socket is shut down in both directions (the peer reads end-of-stream at once); it stays
// open, so its owner (the server's worker thread) still closes it and the descriptor number is
// never reused behind the owner's back. Returns false when no such connection was found.
bool shutDownConnection(int localPort, int remotePort);
