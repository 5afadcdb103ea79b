#pragma once

#include <QtGlobal>

// The id the system gives the calling thread (not Qt's or the C++ library's):
// unique among the running threads of the machine's processes, so files named
// after it never meet those of another thread.
qint64 SystemThreadId();
