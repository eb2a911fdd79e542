#include "platform/lzx/lzx_huffman.h"

#include <algorithm>
#include <vector>

namespace lzx {

void buildCodeLengths(const std::uint32_t* freq, std::size_t count, unsigned maxLength,
                      std::uint8_t* lengths) {
  std::fill(lengths, lengths + count, 0);
  std::vector<std::uint32_t> used;
  used.reserve(count);
  for (std::size_t i = 0; i < count; ++i)
    if (freq[i]) used.push_back(static_cast<std::uint32_t>(i));
  if (used.empty()) return;
  if (used.size() == 1) {
    lengths[used[0]] = 1;
    lengths[used[0] == 0 ? 1 : 0] = 1;
    return;
  }
  std::stable_sort(used.begin(), used.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return freq[a] < freq[b]; });

  // Two-queue Huffman construction: leaves in ascending frequency, internal
  // nodes appended in the order they are made (also ascending).
  const std::size_t n = used.size();
  std::vector<std::uint64_t> weight(2 * n);
  std::vector<std::uint32_t> parent(2 * n, 0);
  for (std::size_t i = 0; i < n; ++i) weight[i] = freq[used[i]];
  std::size_t leaf = 0, node = n, next = n;
  auto pick = [&]() {
    if (leaf < n && (node >= next || weight[leaf] <= weight[node])) return leaf++;
    return node++;
  };
  for (; next < 2 * n - 1; ++next) {
    std::size_t a = pick();
    std::size_t b = pick();
    weight[next] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<std::uint32_t>(next);
  }
  // Depths: the root is the last node; parents always come after children.
  std::vector<std::uint32_t> depth(2 * n, 0);
  for (std::size_t i = 2 * n - 2; i-- > 0;) depth[i] = depth[parent[i]] + 1;

  // Clip to maxLength, then restore the Kraft equality exactly.
  std::vector<unsigned> len(n);
  const std::uint64_t full = std::uint64_t{1} << maxLength;
  std::uint64_t kraft = 0;
  for (std::size_t i = 0; i < n; ++i) {
    len[i] = std::min<unsigned>(depth[i], maxLength);
    kraft += full >> len[i];
  }
  // Over-full: lengthen the rarest codes that can still grow.
  while (kraft > full) {
    for (std::size_t i = 0; i < n && kraft > full; ++i) {
      if (len[i] < maxLength) {
        kraft -= full >> (len[i] + 1);
        ++len[i];
      }
    }
  }
  // Under-full: shorten the longest codes while the space allows it. Every
  // term is a multiple of the smallest one, so this ends exactly full.
  while (kraft < full) {
    std::size_t best = n;
    for (std::size_t i = 0; i < n; ++i)
      if (len[i] > 1 && (full >> len[i]) <= full - kraft && (best == n || len[i] > len[best]))
        best = i;
    if (best == n) break;
    kraft += full >> len[best];
    --len[best];
  }
  for (std::size_t i = 0; i < n; ++i) lengths[used[i]] = static_cast<std::uint8_t>(len[i]);
}

}  // namespace lzx
