// SPDX-License-Identifier: Apache-2.0
#ifndef SILVANTROPE_CRYPTO_EDWARDS25519_VARTIME_H
#define SILVANTROPE_CRYPTO_EDWARDS25519_VARTIME_H

/* Variable-time Edwards25519 arithmetic for verifiers, which see only public
 * data. Points stay in extended coordinates between operations and are
 * encoded only on request. The group and field operations are libsodium's own
 * ref10 code (crypto_core/ed25519/ref10 of the libsodium version the library
 * links), compiled into edwards25519_vartime.c; every symbol is hidden.
 *
 * Scalars are 32 bytes, little-endian, below 2^255. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Holds one ref10 ge25519_p3 (X:Y:Z:T). */
typedef struct {
    uint64_t opaque[20];
} slog_ed_point;

/* libsodium's lenient decoding (as crypto_core_ed25519_add decodes): bit 255
 * is the sign of x, the low 255 bits are y, reduced; fails (-1) only when no
 * x exists. */
int slog_ed_decode(slog_ed_point *p, const unsigned char s[32]);

/* r = 8·p. */
void slog_ed_times8(slog_ed_point *r, const slog_ed_point *p);

/* 1 when p is the identity, 0 otherwise. */
int slog_ed_is_identity(const slog_ed_point *p);

/* 1 when s is below the group order L. */
int slog_ed_is_canonical_scalar(const unsigned char s[32]);

/* r = s·B − c·a, B the base point. */
void slog_ed_base_combination(slog_ed_point *r, const unsigned char s[32],
                              const unsigned char c[32], const slog_ed_point *a);

/* r = s·a − c·b. */
void slog_ed_combination(slog_ed_point *r, const unsigned char s[32], const slog_ed_point *a,
                         const unsigned char c[32], const slog_ed_point *b);

/* The canonical 32-byte encodings of n points (n ≤ 8), with one field
 * inversion for all of them. */
void slog_ed_encode(unsigned char (*out)[32], const slog_ed_point *points, size_t n);

#ifdef __cplusplus
}
#endif

#endif
