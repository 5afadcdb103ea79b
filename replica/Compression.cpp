#include "replica/Compression.h"

#include <zlib.h>

#include <memory>
#include <stdexcept>

namespace {

struct DeflateEnd {
    void operator()(z_stream* stream) const noexcept { deflateEnd(stream); }
};

}  // namespace

std::string Compression::compress(std::string_view data, Format format) {
    // Window bits 15 give the zlib wrapper; adding 16 asks zlib for a gzip header instead.
    const int windowBits = format == Format::Gzip ? 15 + 16 : 15;
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("zlib: не удалось начать сжатие");
    }
    const std::unique_ptr<z_stream, DeflateEnd> guard(&stream);

    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) {
        throw std::runtime_error("zlib: сжатие не завершилось");
    }
    out.resize(stream.total_out);
    return out;
}
