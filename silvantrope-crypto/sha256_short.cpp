// SPDX-License-Identifier: Apache-2.0
// SHA256_Init and SHA256_Transform are deprecated in OpenSSL 3 in favour of
// EVP, and kept: they are its SHA-256 compression without the dispatch.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "silvantrope-crypto/sha256_short.h"

#include <openssl/sha.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/fault.h"

namespace silvantrope::crypto {
namespace {

constexpr size_t kBlock = 64, kLengthField = 8;

const SHA256_CTX& initial_state() {
  static const SHA256_CTX initial = [] {
    SHA256_CTX c;
    if (SHA256_Init(&c) != 1) throw InternalFault("digest init failed");
    return c;
  }();
  return initial;
}

// FIPS 180-4 §5.1.1 for a message of n bytes already at the front of the
// blocks: a 1 bit, zeros, and the length in bits as 64 bits at the end.
void pad(uint8_t* blocks, size_t n, size_t end) {
  blocks[n] = 0x80;
  std::memset(blocks + n + 1, 0, end - kLengthField - n - 1);
  const uint64_t bits = __builtin_bswap64(uint64_t{n} * 8);
  std::memcpy(blocks + end - kLengthField, &bits, kLengthField);
}

// Plain stores and byte swaps: what builds without SSE2 run, compiled in
// every build so the tests hold it to the SSE2 code.
void portable_node_blocks(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t blocks[2 * kBlock]) {
  blocks[0] = prefix;
  std::memcpy(blocks + 1, a, 32);
  std::memcpy(blocks + 33, b, 32);
  pad(blocks, 65, 2 * kBlock);
}

void portable_write_digest(const SHA256_CTX& c, uint8_t out[32]) {
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t word = __builtin_bswap32(c.h[i]);
    std::memcpy(out + 4 * i, &word, 4);
  }
}

#if defined(__SSE2__)

// The compression function loads its input 16 bytes at a time, and the next
// node hash loads this one's output the same way. A load fed by several
// narrower stores waits for them to retire; built and written in whole
// 16-byte stores, a node hash takes about a sixth less time.

__m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// prefix || a || b, padded: the 32-byte halves shifted one byte along.
void node_blocks(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t blocks[2 * kBlock]) {
  const __m128i a0 = load16(a), a1 = load16(a + 16), b0 = load16(b), b1 = load16(b + 16);
  const __m128i chunks[8] = {
      _mm_or_si128(_mm_slli_si128(a0, 1), _mm_cvtsi32_si128(prefix)),
      _mm_or_si128(_mm_srli_si128(a0, 15), _mm_slli_si128(a1, 1)),
      _mm_or_si128(_mm_srli_si128(a1, 15), _mm_slli_si128(b0, 1)),
      _mm_or_si128(_mm_srli_si128(b0, 15), _mm_slli_si128(b1, 1)),
      _mm_or_si128(_mm_srli_si128(b1, 15), _mm_cvtsi32_si128(0x80 << 8)),
      _mm_setzero_si128(),
      _mm_setzero_si128(),
      // 65 bytes = 520 bits = 0x0208, big-endian in the last two bytes.
      _mm_set_epi8(0x08, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
  };
  for (size_t i = 0; i < 8; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks + 16 * i), chunks[i]);
}

// Each 32-bit word of the state byte-swapped: bytes swapped within 16-bit
// lanes, then the lanes within each word.
__m128i big_endian_words(__m128i v) {
  v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
}

void write_digest(const SHA256_CTX& c, uint8_t out[32]) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), big_endian_words(load16(c.h)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), big_endian_words(load16(c.h + 4)));
}

#else

void node_blocks(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t blocks[2 * kBlock]) {
  portable_node_blocks(prefix, a, b, blocks);
}

void write_digest(const SHA256_CTX& c, uint8_t out[32]) { portable_write_digest(c, out); }

#endif

// The state after compressing padded blocks from the initial state.
SHA256_CTX compressed(const uint8_t* blocks, size_t count) {
  SHA256_CTX c;
  std::memcpy(c.h, initial_state().h, sizeof c.h);
  for (size_t i = 0; i < count; ++i) SHA256_Transform(&c, blocks + i * kBlock);
  return c;
}

void compress(const uint8_t* blocks, size_t count, uint8_t out[32]) { write_digest(compressed(blocks, count), out); }

constexpr size_t kMaxShort = 2 * kBlock - kLengthField - 1;

// Padding for the n message bytes at the front of blocks: the count of
// blocks the message fills (n is at most kMaxShort).
size_t pad_short(uint8_t blocks[2 * kBlock], size_t n) {
  const size_t count = n + 1 + kLengthField <= kBlock ? 1 : 2;
  pad(blocks, n, count * kBlock);
  return count;
}

// prefix || data padded into blocks: their count, or 0 when the message
// needs more than two.
size_t short_blocks(uint8_t prefix, ByteView data, uint8_t blocks[2 * kBlock]) {
  const size_t n = 1 + data.size();
  if (n > kMaxShort) return 0;
  blocks[0] = prefix;
  if (!data.empty()) std::memcpy(blocks + 1, data.data(), data.size());
  return pad_short(blocks, n);
}

void long_message(uint8_t prefix, ByteView data, uint8_t out[32]) {
  SHA256_CTX c;
  if (SHA256_Init(&c) != 1 || SHA256_Update(&c, &prefix, 1) != 1 ||
      SHA256_Update(&c, data.data(), data.size()) != 1 || SHA256_Final(out, &c) != 1) {
    throw InternalFault("digest failed");
  }
}

}  // namespace

void sha256_prefixed(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t out[32]) {
  alignas(16) uint8_t blocks[2 * kBlock];
  node_blocks(prefix, a, b, blocks);
  compress(blocks, 2, out);
}

void sha256_prefixed_portable(uint8_t prefix, const uint8_t a[32], const uint8_t b[32], uint8_t out[32]) {
  alignas(16) uint8_t blocks[2 * kBlock];
  portable_node_blocks(prefix, a, b, blocks);
  portable_write_digest(compressed(blocks, 2), out);
}

void sha256_prefixed(uint8_t prefix, ByteView data, uint8_t out[32]) {
  alignas(16) uint8_t blocks[2 * kBlock];
  if (const size_t count = short_blocks(prefix, data, blocks)) {
    compress(blocks, count, out);
  } else {
    long_message(prefix, data, out);
  }
}

bool sha256_if_short(ByteView data, uint8_t out[32]) {
  if (data.size() > kMaxShort) return false;
  alignas(16) uint8_t blocks[2 * kBlock];
  if (!data.empty()) std::memcpy(blocks, data.data(), data.size());
  compress(blocks, pad_short(blocks, data.size()), out);
  return true;
}

void sha256_prefixed_each(uint8_t prefix, std::span<const ByteView> messages, uint8_t* out) {
  alignas(16) uint8_t blocks[2][2 * kBlock];
  size_t count = messages.empty() ? 0 : short_blocks(prefix, messages[0], blocks[0]);
  for (size_t i = 0; i < messages.size(); ++i) {
    const size_t next = i + 1 < messages.size() ? short_blocks(prefix, messages[i + 1], blocks[(i + 1) % 2]) : 0;
    if (count != 0) {
      compress(blocks[i % 2], count, out + 32 * i);
    } else {
      long_message(prefix, messages[i], out + 32 * i);
    }
    count = next;
  }
}

}  // namespace silvantrope::crypto
