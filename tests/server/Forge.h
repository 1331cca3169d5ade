// Recordings altered as a forger would alter them. The framing is made good
// again (every checksum recomputed) unless the framing is what is altered,
// so the reader takes them and only a replay can tell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/ReplayFile.h"

namespace molfo::servertest {

using Bytes = std::vector<uint8_t>;

// The recording with its header changed by `edit`.
template <typename Edit>
Bytes WithHeader(const Bytes& rec, Edit edit);

size_t HeaderLength(const Bytes& rec);
Bytes ReplaceHeader(const Bytes& rec, const replay::Header& h);
replay::Header HeaderOf(const Bytes& rec);

size_t ChunkCount(const Bytes& rec);
// The hash of the `chunk`-th chunk changed.
Bytes AlterHash(const Bytes& rec, size_t chunk);
// The first run of key `vk`'s answers in the `chunk`-th chunk that holds
// any, turned from pressed to not pressed or back.
Bytes AlterKey(const Bytes& rec, size_t chunk, int vk);
// The header of one recording on the chunks of another.
Bytes Splice(const Bytes& headerFrom, const Bytes& chunksFrom);

template <typename Edit>
Bytes WithHeader(const Bytes& rec, Edit edit) {
    replay::Header h = HeaderOf(rec);
    edit(h);
    return ReplaceHeader(rec, h);
}

}  // namespace molfo::servertest
