// SPDX-License-Identifier: Apache-2.0
#pragma once

// The TLS presentation language as KEYTRANS proofs use it: big-endian
// integers and length-prefixed vectors. Every failure is a MalformedKeytrans
// naming the field, in the dotted form of the structure definitions.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/error.h"

namespace silvantrope::keytrans {

constexpr size_t kHashSize = 32;

// A borrowed list of 32-byte hashes.
class HashList {
 public:
  HashList() = default;
  explicit HashList(ByteView bytes) : bytes_(bytes) {}
  size_t size() const { return bytes_.size() / kHashSize; }
  ByteView operator[](size_t i) const { return bytes_.subspan(i * kHashSize, kHashSize); }

 private:
  ByteView bytes_;
};

// ByteReader with the KEYTRANS texts. Decoded vectors are views of the input.
class TlsReader {
 public:
  explicit TlsReader(ByteView data) : r_(data) {}

  Result<ByteView> take(size_t n, std::string_view field) { return checked(r_.take(n), field); }
  Result<uint8_t> u8(std::string_view field) { return checked(r_.u8(), field); }
  Result<uint16_t> u16(std::string_view field) { return checked(r_.u16(), field); }
  Result<uint32_t> u32(std::string_view field) { return checked(r_.u32(), field); }
  Result<uint64_t> u64(std::string_view field) { return checked(r_.u64(), field); }

  Result<ByteView> opaque8(std::string_view field) { return vector(u8(field), field); }
  Result<ByteView> opaque16(std::string_view field) { return vector(u16(field), field); }
  Result<ByteView> opaque32(std::string_view field) { return vector(u32(field), field); }

  Result<HashList> hash_list(std::string_view field);
  // A byte that must be 0 or 1.
  Result<bool> flag(std::string_view field);
  Result<void> finish(std::string_view name) const;

 private:
  template <class T>
  static Result<T> checked(Read<T> v, std::string_view field) {
    if (v) return *v;
    const Shortage& s = v.error();
    return Error::malformed_keytrans(std::string(field) + ": need " + std::to_string(s.wanted) +
                                     " bytes at offset " + std::to_string(s.at) + ", only " +
                                     std::to_string(s.remaining) + " available");
  }

  template <class N>
  Result<ByteView> vector(Result<N> length, std::string_view field) {
    if (!length) return std::move(length).error();
    return take(*length, field);
  }

  ByteReader r_;
};

// ByteWriter with the vector bounds of the structures this library encodes.
class TlsWriter {
 public:
  explicit TlsWriter(size_t reserve = 0) : w_(reserve) {}

  Result<void> opaque8(ByteView bytes, std::string_view field);
  Result<void> opaque32(ByteView bytes, std::string_view field);
  TlsWriter& u32(uint32_t v) { w_.u32(v); return *this; }
  TlsWriter& u64(uint64_t v) { w_.u64(v); return *this; }
  TlsWriter& bytes(ByteView b) { w_.bytes(b); return *this; }

  Bytes take() && { return std::move(w_).take(); }

 private:
  ByteWriter w_;
};

// VrfInput: the label as opaque8, then the version.
Result<Bytes> encode_vrf_input(ByteView label, uint32_t version);
// CommitmentValue: the label as opaque8, the version, then UpdateValue (the
// value as opaque32).
Result<Bytes> encode_commitment_value(ByteView label, uint32_t version, ByteView value);

}  // namespace silvantrope::keytrans
