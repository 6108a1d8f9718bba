// SPDX-License-Identifier: Apache-2.0
/* Variable-time Edwards25519 arithmetic over libsodium's ref10 group code.
 *
 * ed25519_ref10.c comes from the source package of the libsodium this library
 * links (scripts/bootstrap.sh unpacks it into .deps/libsodium) and is compiled
 * into this translation unit, so that its point helpers (doubling, cached
 * additions, sliding windows) are reachable. Nothing here adds field
 * arithmetic: every operation is one of ref10's. The library is built with
 * hidden visibility, so none of these symbols is exported. */

#define CONFIGURED 1
#if defined(__SIZEOF_INT128__)
# define HAVE_TI_MODE 1
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
# define NATIVE_LITTLE_ENDIAN 1
#endif

#include "ed25519_ref10.c"

#include "silvantrope-crypto/edwards25519_vartime.h"

typedef char slog_ed_point_holds_p3[sizeof(ge25519_p3) <= sizeof(slog_ed_point) ? 1 : -1];

static void
load(ge25519_p3 *r, const slog_ed_point *p)
{
    memcpy(r, p->opaque, sizeof *r);
}

static void
store(slog_ed_point *r, const ge25519_p3 *p)
{
    memcpy(r->opaque, p, sizeof *p);
}

/* (X:Y:Z) as (XZ:YZ:Z²:XY). */
static void
p2_to_p3(ge25519_p3 *r, const ge25519_p2 *p)
{
    fe25519_mul(r->X, p->X, p->Z);
    fe25519_mul(r->Y, p->Y, p->Z);
    fe25519_sq(r->Z, p->Z);
    fe25519_mul(r->T, p->X, p->Y);
}

static void
negate(ge25519_p3 *r)
{
    fe25519_neg(r->X, r->X);
    fe25519_neg(r->T, r->T);
}

int
slog_ed_decode(slog_ed_point *p, const unsigned char s[32])
{
    ge25519_p3 r;

    if (ge25519_frombytes(&r, s) != 0 || ge25519_is_on_curve(&r) == 0) {
        return -1;
    }
    store(p, &r);
    return 0;
}

void
slog_ed_times8(slog_ed_point *r, const slog_ed_point *p)
{
    ge25519_p3   a;
    ge25519_p2   q;
    ge25519_p1p1 t;

    load(&a, p);
    ge25519_p3_dbl(&t, &a);
    ge25519_p1p1_to_p2(&q, &t);
    ge25519_p2_dbl(&t, &q);
    ge25519_p1p1_to_p2(&q, &t);
    ge25519_p2_dbl(&t, &q);
    ge25519_p1p1_to_p3(&a, &t);
    store(r, &a);
}

int
slog_ed_is_identity(const slog_ed_point *p)
{
    ge25519_p3 a;
    fe25519    t;

    load(&a, p);
    fe25519_sub(t, a.Y, a.Z);
    return fe25519_iszero(a.X) & fe25519_iszero(t);
}

int
slog_ed_is_canonical_scalar(const unsigned char s[32])
{
    return sc25519_is_canonical(s);
}

void
slog_ed_base_combination(slog_ed_point *r, const unsigned char s[32],
                         const unsigned char c[32], const slog_ed_point *a)
{
    ge25519_p3 neg_a;
    ge25519_p2 u;

    load(&neg_a, a);
    negate(&neg_a);
    ge25519_double_scalarmult_vartime(&u, c, &neg_a, s);
    p2_to_p3(&neg_a, &u);
    store(r, &neg_a);
}

/* a, 3a, 5a, ..., 15a: the digits slide_vartime produces are odd and below 16
 * in absolute value. */
static void
odd_multiples(ge25519_cached m[8], const ge25519_p3 *a)
{
    ge25519_p1p1 t;
    ge25519_p3   a2;
    ge25519_p3   u;
    int          i;

    ge25519_p3_to_cached(&m[0], a);
    ge25519_p3_dbl(&t, a);
    ge25519_p1p1_to_p3(&a2, &t);
    for (i = 1; i < 8; i++) {
        ge25519_add(&t, &a2, &m[i - 1]);
        ge25519_p1p1_to_p3(&u, &t);
        ge25519_p3_to_cached(&m[i], &u);
    }
}

/* Straus's simultaneous method, one doubling chain for both scalars, with
 * ref10's width-5 sliding windows, as ge25519_double_scalarmult_vartime does
 * for a·A + b·B. */
void
slog_ed_combination(slog_ed_point *r, const unsigned char s[32], const slog_ed_point *a,
                    const unsigned char c[32], const slog_ed_point *b)
{
    signed char    sslide[256];
    signed char    cslide[256];
    ge25519_cached am[8];
    ge25519_cached bm[8];
    ge25519_p3     p;
    ge25519_p2     acc;
    ge25519_p1p1   t;
    int            i;

    slide_vartime(sslide, s);
    slide_vartime(cslide, c);
    load(&p, a);
    odd_multiples(am, &p);
    load(&p, b);
    odd_multiples(bm, &p);

    for (i = 255; i >= 0 && sslide[i] == 0 && cslide[i] == 0; --i) {
    }
    ge25519_p3_0(&p);
    ge25519_p2_0(&acc);
    for (; i >= 0; --i) {
        ge25519_p2_dbl(&t, &acc);
        if (sslide[i] > 0) {
            ge25519_p1p1_to_p3(&p, &t);
            ge25519_add(&t, &p, &am[sslide[i] / 2]);
        } else if (sslide[i] < 0) {
            ge25519_p1p1_to_p3(&p, &t);
            ge25519_sub(&t, &p, &am[(-sslide[i]) / 2]);
        }
        if (cslide[i] > 0) {
            ge25519_p1p1_to_p3(&p, &t);
            ge25519_sub(&t, &p, &bm[cslide[i] / 2]);
        } else if (cslide[i] < 0) {
            ge25519_p1p1_to_p3(&p, &t);
            ge25519_add(&t, &p, &bm[(-cslide[i]) / 2]);
        }
        if (i == 0) {
            ge25519_p1p1_to_p3(&p, &t);
        } else {
            ge25519_p1p1_to_p2(&acc, &t);
        }
    }
    store(r, &p);
}

/* Montgomery's simultaneous inversion of the Z coordinates, then
 * ge25519_p3_tobytes's encoding with each inverse. */
void
slog_ed_encode(unsigned char (*out)[32], const slog_ed_point *points, size_t n)
{
    ge25519_p3 p[8];
    fe25519    prefix[8];
    fe25519    inv;
    fe25519    zi;
    fe25519    x;
    fe25519    y;
    size_t     i;

    if (n == 0 || n > 8) {
        abort();
    }
    for (i = 0; i < n; i++) {
        load(&p[i], &points[i]);
        if (i == 0) {
            fe25519_copy(prefix[0], p[0].Z);
        } else {
            fe25519_mul(prefix[i], prefix[i - 1], p[i].Z);
        }
    }
    fe25519_invert(inv, prefix[n - 1]);
    for (i = n; i-- > 0;) {
        if (i > 0) {
            fe25519_mul(zi, inv, prefix[i - 1]);
            fe25519_mul(inv, inv, p[i].Z);
        } else {
            fe25519_copy(zi, inv);
        }
        fe25519_mul(x, p[i].X, zi);
        fe25519_mul(y, p[i].Y, zi);
        fe25519_tobytes(out[i], y);
        out[i][31] ^= fe25519_isnegative(x) << 7;
    }
}
