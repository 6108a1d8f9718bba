// SPDX-License-Identifier: Apache-2.0
#pragma once

// The interface description uniffi-bindgen 0.31 reads in library mode: one
// record per function, record type, enumeration and error, plus the
// namespace, each a byte array named UNIFFI_META_* that the generator finds
// in the library's static symbol table. The encoding is UniFFI 0.31's
// (uniffi_core/src/metadata.rs): names are a u8 length and UTF-8,
// docstrings a u16 little-endian length and UTF-8. The records are built
// here in constant expressions, so a malformed one is a compile error.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace silvantrope::ffi::meta {

template <std::size_t Capacity>
struct Bytes {
  std::array<uint8_t, Capacity> data{};
  std::size_t size = 0;

  constexpr Bytes& u8(std::size_t v) {
    if (v > 0xff || size == Capacity) throw "metadata value out of range";
    data[size++] = static_cast<uint8_t>(v);
    return *this;
  }
  constexpr Bytes& raw(std::string_view s) {
    for (char c : s) u8(static_cast<uint8_t>(c));
    return *this;
  }
  template <std::size_t C>
  constexpr Bytes& append(const Bytes<C>& b) {
    for (std::size_t i = 0; i < b.size; ++i) u8(b.data[i]);
    return *this;
  }
  constexpr Bytes& str(std::string_view s) { return u8(s.size()).raw(s); }
  constexpr Bytes& doc(std::initializer_list<std::string_view> parts) {
    std::size_t n = 0;
    for (std::string_view p : parts) n += p.size();
    u8(n & 0xff).u8(n >> 8);
    for (std::string_view p : parts) raw(p);
    return *this;
  }
};

inline constexpr std::string_view kModule = "silvantrope_log::ffi";

// Types as the records refer to them.
using Type = Bytes<64>;
constexpr Type code(uint8_t c) { return Type{}.u8(c); }
constexpr Type option(const Type& t) { return code(0x0c).append(t); }
constexpr Type vec(const Type& t) { return code(0x11).append(t); }
constexpr Type record_type(std::string_view name) { return code(0x0d).str(kModule).str(name); }
constexpr Type enum_type(std::string_view name) { return code(0x0e).str(kModule).str(name); }
inline constexpr Type u8 = code(0x00), u16 = code(0x01), u32 = code(0x02), u64 = code(0x03),
                      boolean = code(0x0a), string = code(0x0b), unit = code(0xff);
inline constexpr Type bytes = vec(u8);

struct Arg {
  std::string_view name;
  Type type;
};
struct Field {
  std::string_view name;
  Type type;
  std::string_view doc;
};
struct Variant {
  std::string_view name;
  std::string_view doc;
};

// An argument list; lists that several functions share are concatenated.
struct Args {
  std::array<Arg, 8> items{};
  std::size_t size = 0;

  constexpr Args(std::initializer_list<Arg> list) {
    for (const Arg& a : list) items.at(size++) = a;
  }
  constexpr Args operator+(const Args& more) const {
    Args all = *this;
    for (const Arg& a : more) all.items.at(all.size++) = a;
    return all;
  }
  constexpr const Arg* begin() const { return items.data(); }
  constexpr const Arg* end() const { return items.data() + size; }
};

using Record = Bytes<2048>;

// Bindings embed each function's checksum, the folded FNV-1a hash of its
// whole record, and compare it with the checksum export. The constants are
// fixed, so the docstring ends in a salt line that makes the record hash to
// its constant; tools/uniffi_checksums.py finds the salts.
inline constexpr std::string_view kSaltLine = "\n\nInterface checksum salt: ";

// A synchronous function whose arguments have no defaults and which returns
// Result<ret, VerifyError>, up to its docstring.
constexpr Record func_head(std::string_view name, const Args& args, const Type& ret) {
  Record r;
  r.u8(0x00).str(kModule).str(name).u8(0).u8(args.size);
  for (const Arg& a : args) r.str(a.name).append(a.type).u8(0);
  return r.u8(0x17).append(ret).append(enum_type("VerifyError"));
}

constexpr Record func(std::string_view name, const Args& args, const Type& ret,
                      std::string_view doc, std::string_view salt) {
  Record r = func_head(name, args, ret);
  return r.doc({doc, kSaltLine, salt});
}

// A function added after the checksums were fixed: no salt, its record
// hashes to whatever checksum it hashes to.
constexpr Record func(std::string_view name, const Args& args, const Type& ret,
                      std::string_view doc) {
  Record r = func_head(name, args, ret);
  return r.doc({doc});
}

constexpr Record record(std::string_view name, std::initializer_list<Field> fields,
                        std::string_view doc) {
  Record r;
  r.u8(0x02).str(kModule).str(name).u8(fields.size());
  for (const Field& f : fields) r.str(f.name).append(f.type).u8(0).doc({f.doc});
  return r.doc({doc});
}

// Variants without fields or explicit discriminants; an enumeration (shape
// 0) or an error whose variants carry only a message (shape 2, flat).
constexpr Record enumeration(std::string_view name, std::initializer_list<Variant> variants,
                             std::string_view doc, bool flat_error = false) {
  Record r;
  r.u8(0x03).str(kModule).str(name).u8(flat_error ? 2 : 0).u8(0).u8(variants.size());
  for (const Variant& v : variants) {
    r.str(v.name);
    if (!flat_error) r.u8(0).u8(0);
    r.doc({v.doc});
  }
  return r.u8(0).doc({doc});
}

constexpr Record namespace_record(std::string_view crate, std::string_view name) {
  return Record{}.u8(0x06).str(crate).str(name);
}

// A record at exactly its size, as the library stores it.
template <Record R>
inline constexpr auto exact = [] {
  std::array<uint8_t, R.size> out{};
  for (std::size_t i = 0; i < R.size; ++i) out[i] = R.data[i];
  return out;
}();

}  // namespace silvantrope::ffi::meta
