#include "platform/Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace tarvel {
namespace {

constexpr int kGzipWindow = 15 + 16;  // 32 KB window, gzip container
constexpr uInt kMaxChunk = UINT_MAX;  // zlib counts in uInt; feed larger spans in pieces

uInt Chunk(std::size_t remaining) {
    return static_cast<uInt>(std::min<std::size_t>(remaining, kMaxChunk));
}

}  // namespace

std::vector<std::uint8_t> GzipCompress(std::span<const std::uint8_t> data,
                                       std::span<const std::size_t> blockEnds) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindow, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        return {};
    gz_header header{};
    header.os = 255;  // "unknown": keeps the bytes the same whichever system wrote them
    deflateSetHeader(&zs, &header);

    // Songs shrink a thousandfold, so the output starts small and grows as needed.
    std::vector<std::uint8_t> out(std::min<std::size_t>(data.size() / 64 + 1024, 1 << 20));
    zs.next_in = const_cast<Bytef*>(data.data());
    std::size_t done = 0;
    std::size_t produced = 0;
    int status = Z_OK;
    for (std::size_t part = 0; part <= blockEnds.size() && status == Z_OK; ++part) {
        const bool last = part == blockEnds.size();
        const std::size_t end = last ? data.size() : std::clamp(blockEnds[part], done, data.size());
        if (!last && end == done) continue;  // an empty part: nothing to end
        do {
            if (produced == out.size()) out.resize(out.size() * 2);
            zs.next_out = out.data() + produced;
            const std::size_t inLeft = end - done;
            zs.avail_in = Chunk(inLeft);
            zs.avail_out = Chunk(out.size() - produced);
            const uInt inGiven = zs.avail_in;
            const uInt outGiven = zs.avail_out;
            const bool partEnds = inGiven == inLeft;
            status = deflate(&zs, !partEnds ? Z_NO_FLUSH : last ? Z_FINISH : Z_BLOCK);
            done += inGiven - zs.avail_in;
            produced += outGiven - zs.avail_out;
            // No progress possible: either more room is needed, or the part is all done.
            if (status == Z_BUF_ERROR) status = Z_OK;
        } while (status == Z_OK && (done < end || zs.avail_out == 0));
    }
    deflateEnd(&zs);
    if (status != Z_STREAM_END) return {};
    out.resize(produced);
    return out;
}

GzipExpansion GzipExpand(std::span<const std::uint8_t> compressed, std::size_t limit,
                         std::vector<std::uint8_t>& out) {
    out.clear();
    z_stream zs{};
    if (inflateInit2(&zs, kGzipWindow) != Z_OK) return GzipExpansion::Damaged;
    zs.next_in = const_cast<Bytef*>(compressed.data());
    std::size_t inLeft = compressed.size();
    std::size_t produced = 0;
    int status = Z_OK;
    // The buffer grows as the data comes, so that a file that is damaged early costs little.
    constexpr std::size_t kFirstSize = 1 << 16;
    while (produced < limit) {
        if (produced == out.size()) {
            if (produced > 0) out.reserve(limit);  // past the first piece: likely all of it
            out.resize(std::min(limit, std::max(kFirstSize, out.size() * 2)));
        }
        zs.next_out = out.data() + produced;
        zs.avail_in = Chunk(inLeft);
        zs.avail_out = Chunk(out.size() - produced);
        const uInt inGiven = zs.avail_in;
        const uInt outGiven = zs.avail_out;
        status = inflate(&zs, Z_NO_FLUSH);
        inLeft -= inGiven - zs.avail_in;
        produced += outGiven - zs.avail_out;
        if (status != Z_OK) break;  // the end, or an error
        if (zs.avail_out > 0 && inLeft == 0) {
            status = Z_BUF_ERROR;  // the input is used up in the middle of the stream
            break;
        }
    }

    GzipExpansion result = GzipExpansion::Damaged;
    if (status == Z_STREAM_END) {
        result = GzipExpansion::Complete;
    } else if (status == Z_OK && produced == limit) {
        // Full. One more byte tells a stream that just fits (its check sum is verified now)
        // from a longer one, whose rest we leave unexpanded.
        std::uint8_t probe;
        zs.avail_in = Chunk(inLeft);
        zs.next_out = &probe;
        zs.avail_out = 1;
        const int next = inflate(&zs, Z_NO_FLUSH);
        if (next == Z_STREAM_END)
            result = GzipExpansion::Complete;
        else if (next == Z_OK || next == Z_BUF_ERROR)
            result = zs.avail_out == 0 ? GzipExpansion::Truncated : GzipExpansion::Damaged;
    }
    inflateEnd(&zs);
    out.resize(produced);
    return result;
}

}  // namespace tarvel
