#pragma once

#include <string>
#include <string_view>

// Whole-buffer compression with zlib, as a web server sends it under Content-Encoding.
namespace Compression {

enum class Format { Gzip, Deflate };  // Deflate: the zlib wrapper, as HTTP's "deflate" means

// Throws std::runtime_error when zlib fails.
std::string compress(std::string_view data, Format format);

}  // namespace Compression
