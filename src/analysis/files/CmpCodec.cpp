#include "analysis/files/CmpCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zstd.h>

#include "analysis/files/ChannelDelta.h"
#include "analysis/files/FileIo.h"
#include "analysis/files/Xxh64.h"

namespace files {
namespace {

// Levels above 19 use windows of up to 128 MiB; the reader refuses those (below), so that a
// damaged or foreign file cannot make it allocate that much.
constexpr int kMaxLevel = 19;
constexpr int kReaderWindowLog = 23;

struct CCtxFree {
    void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DCtxFree {
    void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

std::string zstdReason(const char* what, std::size_t code) {
    return std::string(what) + " (" + ZSTD_getErrorName(code) + ")";
}

std::string systemReason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// The size of the filtered stream for a file of `size` bytes.
std::uint64_t filteredSize(std::uint64_t size, const CmpHeader& h) {
    if (h.filter == DataFilter::None) return size;
    const std::uint64_t words = size / 2;
    const std::uint64_t blocks = (words + h.blockWords - 1) / h.blockWords;
    return blocks + 2 * words + (size & 1);
}

// Feeds the compressor and writes what it gives; counts the bytes written.
class FrameWriter {
public:
    FrameWriter(ZSTD_CCtx* cctx, int out) : m_cctx(cctx), m_out(out), m_buffer(ZSTD_CStreamOutSize()) {}

    std::optional<std::string> feed(const void* data, std::size_t size, ZSTD_EndDirective mode) {
        ZSTD_inBuffer in{data, size, 0};
        for (;;) {
            ZSTD_outBuffer outBuf{m_buffer.data(), m_buffer.size(), 0};
            const std::size_t left = ZSTD_compressStream2(m_cctx, &outBuf, &in, mode);
            if (ZSTD_isError(left)) return zstdReason("compression failed", left);
            if (!writeAll(m_out, m_buffer.data(), outBuf.pos))
                return systemReason("cannot write the compressed file");
            m_written += outBuf.pos;
            const bool finished = mode == ZSTD_e_end ? left == 0 : in.pos == in.size;
            if (finished) return std::nullopt;
        }
    }
    std::uint64_t written() const { return m_written; }

private:
    ZSTD_CCtx* m_cctx;
    int m_out;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_written = 0;
};

}  // namespace

CompressionResult compressStream(int in, int out, const CodecSettings& settings,
                                 const StopRequest& stop) {
    struct stat st {};
    if (::fstat(in, &st) != 0) return CompressionResult::failure(systemReason("cannot read the data file"));
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (settings.channels > ChannelDelta::kMaxChannels)
        return CompressionResult::failure("channel count above 255");

    const std::size_t nominalWords = std::max<std::size_t>(settings.blockWords, ChannelDelta::kMaxChannels);
    std::vector<unsigned char> raw(2 * nominalWords);
    ssize_t got = readFull(in, raw.data(), raw.size());
    if (got < 0) return CompressionResult::failure(systemReason("cannot read the data file"));
    std::size_t fill = static_cast<std::size_t>(got);

    CmpHeader header;
    header.originalSize = size;
    header.filter = settings.filter;
    std::optional<ChannelDelta> delta;
    if (settings.filter == DataFilter::ChannelDelta) {
        const unsigned channels =
            settings.channels != 0 ? settings.channels : likelyChannelCount(raw.data(), fill / 2, 8);
        header.channels = static_cast<std::uint8_t>(channels);
        header.blockWords = static_cast<std::uint32_t>(nominalWords / channels * channels);
        delta.emplace(channels);
    }

    std::unique_ptr<ZSTD_CCtx, CCtxFree> cctx(ZSTD_createCCtx());
    if (!cctx) return CompressionResult::failure("out of memory");
    const int level = std::clamp(settings.level, 1, kMaxLevel);
    ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_compressionLevel, level);
    ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_checksumFlag, 0);  // the header's hash covers it
    ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_contentSizeFlag, 1);
    ZSTD_CCtx_setPledgedSrcSize(cctx.get(), filteredSize(size, header));

    // Zeros until the end: an interrupted file does not even look like a compressed one.
    const std::array<unsigned char, CmpHeader::kSize> placeholder{};
    if (!writeAll(out, placeholder.data(), placeholder.size()))
        return CompressionResult::failure(systemReason("cannot write the compressed file"));

    FrameWriter frame(cctx.get(), out);
    Xxh64 hash;
    std::uint64_t total = 0;
    const std::size_t blockBytes = delta ? 2 * std::size_t{header.blockWords} : raw.size();
    std::vector<unsigned char> filtered(delta ? ChannelDelta::encodedSize(header.blockWords) : 0);
    bool atEnd = fill < raw.size();
    for (;;) {
        // Top the buffer up to one block (the first read may hold more than one block).
        while (!atEnd && fill < blockBytes) {
            got = readFull(in, raw.data() + fill, raw.size() - fill);
            if (got < 0) return CompressionResult::failure(systemReason("cannot read the data file"));
            fill += static_cast<std::size_t>(got);
            atEnd = fill < raw.size();
        }
        if (fill == 0) break;
        if (stop && stop()) return CompressionResult::failure("cancelled");

        std::size_t take = std::min(fill, blockBytes);
        if (delta && take % 2 == 1) --take;  // the odd last byte goes after the blocks
        if (take == 0) break;
        hash.update(raw.data(), take);
        total += take;
        std::optional<std::string> failed;
        if (delta) {
            const std::size_t words = take / 2;
            delta->encode(raw.data(), words, filtered.data());
            failed = frame.feed(filtered.data(), ChannelDelta::encodedSize(words), ZSTD_e_continue);
        } else {
            failed = frame.feed(raw.data(), take, ZSTD_e_continue);
        }
        if (failed) return CompressionResult::failure(*failed);
        std::memmove(raw.data(), raw.data() + take, fill - take);
        fill -= take;
    }
    // What is left is the odd last byte of a filtered file.
    hash.update(raw.data(), fill);
    total += fill;
    if (total != size) return CompressionResult::failure("the data file changed while it was compressed");
    if (auto failed = frame.feed(raw.data(), fill, ZSTD_e_end))
        return CompressionResult::failure(*failed);

    header.checksum = hash.digest();
    header.payloadSize = frame.written();
    const auto bytes = encodeHeader(header);
    if (::pwrite(out, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        return CompressionResult::failure(systemReason("cannot write the compressed file"));
    return CompressionResult::success();
}

namespace {

// Collects the decompressed stream piece by piece (one filter block, or 1 MiB of plain data)
// and turns every complete piece back into original bytes.
class PieceSink {
public:
    PieceSink(const CmpHeader& header, int out) : m_header(header), m_out(out) {
        if (header.filter == DataFilter::ChannelDelta) {
            m_delta.emplace(header.channels);
            m_piece.resize(ChannelDelta::encodedSize(header.blockWords));
            m_raw.resize(2 * std::size_t{header.blockWords});
        } else {
            m_piece.resize(std::size_t{1} << 20);
        }
        m_wordsLeft = header.originalSize / 2;
        m_bytesLeft = header.originalSize;
        planNext();
    }

    // Where the decompressor writes next, and how much room there is; room 0 means the
    // stream should have ended.
    unsigned char* at() { return m_piece.data() + m_filled; }
    std::size_t room() const { return m_need - m_filled; }
    bool complete() const { return m_need == 0; }

    // The decompressor wrote n bytes at at().
    std::optional<std::string> wrote(std::size_t n) {
        m_filled += n;
        if (m_filled < m_need || m_need == 0) return std::nullopt;
        const unsigned char* data = m_piece.data();
        std::size_t size = m_need;
        if (m_delta && m_blockWords > 0) {
            if (!m_delta->decode(m_piece.data(), m_blockWords, m_raw.data()))
                return std::string("the compressed data are damaged (unknown block tag)");
            data = m_raw.data();
            size = 2 * m_blockWords;
            m_wordsLeft -= m_blockWords;
        }
        m_hash.update(data, size);
        m_bytesLeft -= size;
        if (!writeAll(m_out, data, size)) return systemReason("cannot write the data file");
        planNext();
        return std::nullopt;
    }

    std::uint64_t checksum() const { return m_hash.digest(); }

private:
    void planNext() {
        m_filled = 0;
        if (m_delta && m_wordsLeft > 0) {
            m_blockWords = static_cast<std::size_t>(std::min<std::uint64_t>(m_wordsLeft, m_header.blockWords));
            m_need = ChannelDelta::encodedSize(m_blockWords);
        } else {
            m_blockWords = 0;  // plain data, or the odd last byte of a filtered file
            m_need = static_cast<std::size_t>(std::min<std::uint64_t>(m_bytesLeft, m_piece.size()));
        }
    }

    CmpHeader m_header;
    int m_out;
    std::optional<ChannelDelta> m_delta;
    std::vector<unsigned char> m_piece;
    std::vector<unsigned char> m_raw;
    std::uint64_t m_wordsLeft = 0;
    std::uint64_t m_bytesLeft = 0;
    std::size_t m_blockWords = 0;
    std::size_t m_need = 0;
    std::size_t m_filled = 0;
    Xxh64 m_hash;
};

}  // namespace

CompressionResult decompressStream(int in, int out, const StopRequest& stop) {
    struct stat st {};
    if (::fstat(in, &st) != 0)
        return CompressionResult::failure(systemReason("cannot read the compressed file"));
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);

    std::array<unsigned char, CmpHeader::kSize> headerBytes{};
    const ssize_t got = readFull(in, headerBytes.data(), headerBytes.size());
    if (got < 0) return CompressionResult::failure(systemReason("cannot read the compressed file"));
    auto decoded = decodeHeader(headerBytes.data(), static_cast<std::size_t>(got));
    if (auto* why = std::get_if<std::string>(&decoded)) return CompressionResult::failure(*why);
    const CmpHeader header = std::get<CmpHeader>(decoded);
    if (fileSize < CmpHeader::kSize + header.payloadSize)
        return CompressionResult::failure("the compressed data file is truncated");
    if (fileSize > CmpHeader::kSize + header.payloadSize)
        return CompressionResult::failure("the compressed data file has data after its end");

    std::unique_ptr<ZSTD_DCtx, DCtxFree> dctx(ZSTD_createDCtx());
    if (!dctx) return CompressionResult::failure("out of memory");
    ZSTD_DCtx_setParameter(dctx.get(), ZSTD_d_windowLogMax, kReaderWindowLog);

    PieceSink sink(header, out);
    std::vector<unsigned char> input(ZSTD_DStreamInSize());
    std::uint64_t payloadLeft = header.payloadSize;
    ZSTD_inBuffer inBuf{input.data(), 0, 0};
    unsigned char overflow = 0;  // where output beyond the header's size would land
    bool frameDone = false;
    while (!frameDone) {
        if (inBuf.pos == inBuf.size && payloadLeft > 0) {
            if (stop && stop()) return CompressionResult::failure("cancelled");
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(payloadLeft, input.size()));
            const ssize_t n = readFull(in, input.data(), want);
            if (n < 0) return CompressionResult::failure(systemReason("cannot read the compressed file"));
            if (static_cast<std::size_t>(n) != want)
                return CompressionResult::failure("the compressed data file is truncated");
            payloadLeft -= want;
            inBuf = ZSTD_inBuffer{input.data(), want, 0};
        }
        const bool full = sink.complete();
        ZSTD_outBuffer outBuf{full ? &overflow : sink.at(), full ? 1 : sink.room(), 0};
        const std::size_t ret = ZSTD_decompressStream(dctx.get(), &outBuf, &inBuf);
        if (ZSTD_isError(ret)) return CompressionResult::failure(zstdReason("the compressed data are damaged", ret));
        if (full && outBuf.pos > 0)
            return CompressionResult::failure("the compressed data are damaged (longer than recorded)");
        if (!full)
            if (auto failed = sink.wrote(outBuf.pos)) return CompressionResult::failure(*failed);
        frameDone = ret == 0;
        if (!frameDone && payloadLeft == 0 && inBuf.pos == inBuf.size && outBuf.pos < outBuf.size)
            return CompressionResult::failure("the compressed data file is truncated");
    }
    if (inBuf.pos != inBuf.size || payloadLeft != 0)
        return CompressionResult::failure("the compressed data file has data after its end");
    if (!sink.complete())
        return CompressionResult::failure("the compressed data are damaged (shorter than recorded)");
    if (sink.checksum() != header.checksum)
        return CompressionResult::failure("the compressed data are damaged (checksum mismatch)");
    return CompressionResult::success();
}

}  // namespace files
