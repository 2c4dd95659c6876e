#include "support/Compression.h"

#include <zlib.h>

#ifdef QUARLO_TEST_BROTLI
#include <brotli/encode.h>
#endif

#include <memory>
#include <stdexcept>

namespace quarlo::test {

std::string gzipped(std::string_view data) {
    z_stream stream{};
    // 15 window bits, plus 16 for a gzip header and trailer.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate did not finish");
    return out;
}

std::optional<std::string> brotliCompressed([[maybe_unused]] std::string_view data) {
#ifdef QUARLO_TEST_BROTLI
    std::size_t size = BrotliEncoderMaxCompressedSize(data.size());
    std::string out(size, '\0');
    if (!BrotliEncoderCompress(BROTLI_DEFAULT_QUALITY, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT,
                               data.size(), reinterpret_cast<const uint8_t*>(data.data()), &size,
                               reinterpret_cast<uint8_t*>(out.data())))
        return std::nullopt;
    out.resize(size);
    return out;
#else
    return std::nullopt;
#endif
}

void sendEncoded(httplib::Response& res, std::string encoded, const std::string& coding,
                 const std::string& contentType) {
    res.set_header("Content-Encoding", coding);
    // A body with a length provider is sent as it is: the server compresses only bodies it
    // holds whole and chunked ones.
    auto body = std::make_shared<std::string>(std::move(encoded));
    res.set_content_provider(body->size(), contentType.c_str(),
                             [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                 return sink.write(body->data() + offset, length);
                             });
}

} // namespace quarlo::test
