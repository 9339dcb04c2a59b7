// Song files are gzip (zlib) in memory: `zcat song.trv` shows the raw song stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvel {

// The gzip form of `data`. The header carries no time stamp and no system of origin, so the
// same data always gives the same file, on any machine with the same zlib. A deflate block ends
// at each offset of `blockEnds` (ascending), where the kind of data changes: each part then gets
// codes of its own, which pays off for long runs of repeated records.
std::vector<std::uint8_t> GzipCompress(std::span<const std::uint8_t> data,
                                       std::span<const std::size_t> blockEnds = {});

enum class GzipExpansion {
    Complete,   // the compressed stream ended, its check sum matched, all of it is in `out`
    Truncated,  // `limit` bytes were produced and the stream goes on; the rest was not expanded
    Damaged,    // not gzip, cut short, or failing its check sum
};

// Expands the first gzip member of `compressed` into `out`, never producing more than `limit`
// bytes, so a small file cannot grow into gigabytes. `out` keeps its capacity between calls.
GzipExpansion GzipExpand(std::span<const std::uint8_t> compressed, std::size_t limit,
                         std::vector<std::uint8_t>& out);

}  // namespace tarvel
