#include "tests/support/TinyDisk.h"

// Windows has no small file system a test can mount: mounted() stays false
// and the tests of a full disk skip.
TinyDisk::TinyDisk() = default;

TinyDisk::~TinyDisk() = default;

void TinyDisk::fill() {}
