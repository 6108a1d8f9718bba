// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace silvantrope::crypto {

// The error of the signature layer; its text is its message.
class CryptoError {
 public:
  enum class Kind { Base64, InvalidLength, Signature };

  static CryptoError base64(std::string_view detail) {
    return {Kind::Base64, "base64 decode: " + std::string(detail)};
  }
  static CryptoError invalid_length(size_t expected, size_t got) {
    return {Kind::InvalidLength, "invalid length: expected " + std::to_string(expected) +
                                     " bytes, got " + std::to_string(got)};
  }
  static CryptoError signature(std::string_view detail) {
    return {Kind::Signature, "signature: " + std::string(detail)};
  }

  static CryptoError missing_version_tag() {
    return signature("unknown or missing signature version tag");
  }

  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }

 private:
  CryptoError(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}
  Kind kind_;
  std::string message_;
};

}  // namespace silvantrope::crypto
