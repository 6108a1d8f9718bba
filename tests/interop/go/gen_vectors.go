// Command gen_vectors writes go_vectors.json: notes signed with golang.org/x/mod/sumdb/note and Merkle
// proofs made with sumdb/tlog, each with Go's verdict (note.Open, tlog.CheckRecord, tlog.CheckTree),
// and roots and proofs computed by sumdb/tlog from tiles of height 8.
// Keys come from fixed seeds and Ed25519 is deterministic, so every run writes the same bytes.
package main

import (
	"crypto/ed25519"
	"crypto/sha256"
	"encoding/base64"
	"encoding/hex"
	"encoding/json"
	"fmt"
	"log"
	"os"
	"runtime"
	"sort"
	"strings"

	"golang.org/x/mod/sumdb/note"
	"golang.org/x/mod/sumdb/tlog"
)

// obj is a JSON object whose fields keep the order they are given in.
type obj []kv
type kv struct {
	k string
	v any
}

func (o obj) MarshalJSON() ([]byte, error) {
	fields := each(o, func(f kv) string { return string(check(json.Marshal(f.k))) + ":" + string(check(json.Marshal(f.v))) })
	return []byte("{" + strings.Join(fields, ",") + "}"), nil
}

// each maps f over xs; no xs gives [] rather than null.
func each[T, U any](xs []T, f func(T) U) []U {
	out := []U{}
	for _, x := range xs {
		out = append(out, f(x))
	}
	return out
}

func check[T any](v T, err error) T {
	if err != nil {
		log.Fatal(err)
	}
	return v
}

// The keys by label.
var signers, verifierKeys = map[string]note.Signer{}, map[string]string{}

// addKey derives label's Ed25519 key from SHA-256("silvantrope-interop-key:" + label).
func addKey(label, name string) obj {
	seed := sha256.Sum256([]byte("silvantrope-interop-key:" + label))
	vkey := check(note.NewEd25519VerifierKey(name, ed25519.NewKeyFromSeed(seed[:]).Public().(ed25519.PublicKey)))
	// The signer key reuses the verifier key's "name+hash+"; NewSigner checks that hash.
	skey := "PRIVATE+KEY+" + vkey[:len(name)+10] + base64.StdEncoding.EncodeToString(append([]byte{1}, seed[:]...))
	signers[label], verifierKeys[label] = check(note.NewSigner(skey)), vkey
	return obj{{"label", label}, {"name", name}, {"vkey", vkey}}
}

func sign(text string, labels ...string) string {
	return string(check(note.Sign(&note.Note{Text: text}, each(labels, func(l string) note.Signer { return signers[l] })...)))
}

func vkeys(labels ...string) []string {
	return each(labels, func(l string) string { return verifierKeys[l] })
}

// open judges msg with note.Open, trusting exactly vkeys.
func open(msg string, vkeys []string) obj {
	n, err := note.Open([]byte(msg), note.VerifierList(each(vkeys, func(vk string) note.Verifier { return check(note.NewVerifier(vk)) })...))
	kind := "malformed"
	switch err.(type) {
	case nil:
		return obj{{"ok", true}, {"verified_count", len(n.Sigs)}}
	case *note.UnverifiedNoteError:
		kind = "unverified"
	case *note.InvalidSignatureError:
		kind = "invalid_signature"
	}
	return obj{{"ok", false}, {"go_error", err.Error()}, {"kind", kind}}
}

// lastSig rewrites the key hash and signature on the last signature line of msg with f.
func lastSig(msg string, f func([]byte) []byte) string {
	sp := strings.LastIndex(msg, " ") + 1
	return msg[:sp] + base64.StdEncoding.EncodeToString(f(check(base64.StdEncoding.DecodeString(msg[sp:len(msg)-1])))) + "\n"
}

// tree holds the hashes tlog.StoredHashes lays out for a tree's leaves.
type tree []tlog.Hash

func (t *tree) ReadHashes(indexes []int64) ([]tlog.Hash, error) {
	return each(indexes, func(i int64) tlog.Hash { return (*t)[i] }), nil
}

func newTree(leaves []string) *tree {
	t := &tree{}
	for i, d := range leaves {
		*t = append(*t, check(tlog.StoredHashes(int64(i), []byte(d), t))...)
	}
	return t
}

func rec(data string) tlog.Hash { return tlog.RecordHash([]byte(data)) }

func hx(h tlog.Hash) string { return hex.EncodeToString(h[:]) }

// tileReader serves the tiles of t, read by tlog.ReadTileData, and records which ones it served.
type tileReader struct {
	t    *tree
	read []tlog.Tile
}

func (r *tileReader) Height() int                                { return 8 }
func (r *tileReader) SaveTiles(tiles []tlog.Tile, data [][]byte) {}
func (r *tileReader) ReadTiles(tiles []tlog.Tile) ([][]byte, error) {
	r.read = append(r.read, tiles...)
	return each(tiles, func(tl tlog.Tile) []byte { return check(tlog.ReadTileData(tl, r.t)) }), nil
}

// c2sp is t's C2SP tlog-tiles path: Go's path without the height element.
func c2sp(t tlog.Tile) string {
	return strings.Replace(t.Path(), fmt.Sprintf("tile/%d/", t.H), "tile/", 1)
}

// tileCases computes, for each tree size, its root and sampled proofs through tlog.TileHashReader,
// recording the tiles Go read for each; tile data holds every tile read, by C2SP path.
func tileCases(t *tree, probes map[int64][2][]int64, sizes ...int64) obj {
	data := map[string][]byte{}
	// viaTiles runs f on the tiles of the tree of size n and returns the C2SP paths of the tiles it read.
	viaTiles := func(n int64, f func(tlog.HashReader)) []string {
		r := &tileReader{t: t}
		f(tlog.TileHashReader(tlog.Tree{N: n, Hash: check(tlog.TreeHash(n, t))}, r))
		paths := each(r.read, c2sp)
		for i, tl := range r.read {
			data[paths[i]] = check(tlog.ReadTileData(tl, t))
		}
		sort.Strings(paths)
		return paths
	}
	var cases []obj
	for _, n := range sizes {
		var root tlog.Hash
		rootRead := viaTiles(n, func(r tlog.HashReader) { root = check(tlog.TreeHash(n, r)) })
		newTiles := map[string]string{}
		for _, tl := range tlog.NewTiles(8, 0, n) {
			newTiles[tl.Path()] = c2sp(tl)
		}
		var incl, cons []obj
		for _, i := range probes[n][0] {
			var p []tlog.Hash
			read := viaTiles(n, func(r tlog.HashReader) { p = check(tlog.ProveRecord(n, i, r)) })
			incl = append(incl, obj{{"index", i}, {"proof", each(p, hx)}, {"go_read", read}})
		}
		for _, o := range probes[n][1] {
			var p []tlog.Hash
			read := viaTiles(n, func(r tlog.HashReader) { p = check(tlog.ProveTree(n, o, r)) })
			cons = append(cons, obj{{"old_size", o}, {"proof", each(p, hx)}, {"go_read", read}})
		}
		cases = append(cases, obj{{"tree_size", n}, {"root_hash", hx(root)}, {"root_go_read", rootRead},
			{"new_tiles", newTiles}, {"inclusion", incl}, {"consistency", cons}})
	}
	return obj{{"height", 8}, {"sizes", cases}, {"tile_data", data}}
}

// flip returns p with a bit of element i flipped.
func flip(p []tlog.Hash, i int) []tlog.Hash {
	p[i][7] ^= 0x80
	return p
}

// judged appends Go's verdict err to case o, whose name starts with "bad-"
// exactly when Go must reject it.
func judged(o obj, err error) obj {
	if (err == nil) == strings.HasPrefix(o[0].v.(string), "bad-") {
		log.Fatalf("Go's verdict on %s: %v", o[0].v, err)
	} else if err != nil {
		return append(o, kv{"go_ok", false}, kv{"go_error", err.Error()})
	}
	return append(o, kv{"go_ok", true})
}

func main() {
	// Arguments: golang-golang-x-mod-dev's Debian version, the output file.
	xmodVersion, out, origin := os.Args[1], os.Args[2], "example.com/interop/log"
	keyList := []obj{addKey("alice", "alice.example"), addKey("bob", "bob.example"), addKey("carol", "carol.example"),
		addKey("alice-rotated", "alice.example"), addKey("unrelated", "unrelated.example"), addKey("path", "example.com/log"),
		addKey("deep", "sum.example.org/a.b/c-d_e"), addKey("log", origin), addKey("witness", "witness.example.net/w1")}

	hello, A := "hello, world\n", vkeys("alice")
	good, twice := sign(hello, "alice"), sign(hello, "alice", "bob")
	corrupt := func(b []byte) []byte { b[4+17] ^= 1; return b } // a bit of the Ed25519 signature
	quirks := map[string]bool{"same-key-twice": true, "same-key-twice-second-corrupted": true, "hundred-signature-lines": true, "hundred-one-signature-lines": true}
	nt := func(name, desc, msg string, vkeys []string) obj {
		return obj{{"name", name}, {"description", desc}, {"go_quirk", quirks[name]}, {"note_text", msg}, {"vkeys", vkeys}, {"go_result", open(msg, vkeys)}}
	}
	notes := []obj{
		nt("one-key", "one signature from the one trusted key", good, A),
		nt("two-keys-both-trusted", "two signatures, both keys trusted", twice, vkeys("alice", "bob")),
		nt("trusted-plus-unknown", "a trusted signature followed by one from an unknown key, which is ignored", sign(hello, "alice", "carol"), A),
		nt("unknown-plus-trusted", "an unknown key's signature first, then a trusted one", sign(hello, "carol", "alice"), A),
		nt("trusted-plus-corrupted-unknown", "a trusted signature plus a corrupted signature from an unknown key; unknown keys are not checked", lastSig(sign(hello, "alice", "carol"), corrupt), A),
		nt("multi-line-text", "text of several lines", sign("first line\nsecond line\n  indented third line\nfourth line with trailing space \n", "alice"), A),
		nt("utf8-text", "UTF-8 text beyond ASCII", sign("Grüße aus Zürich\n世界 ✓ — ñ 🙂\n", "alice"), A),
		nt("text-ends-in-empty-line", "the text's last line is empty, so three newlines precede the signatures", sign("last line of this text is empty\n\n", "alice"), A),
		nt("text-with-inner-empty-line", "an empty line in the middle of the text", sign("paragraph one\n\nparagraph two\n", "alice"), A),
		nt("text-with-signature-like-line", "a text line that looks like a signature line", sign("body\n— alice.example AAAAAAAA\nmore body\n", "alice"), A),
		nt("text-single-newline", "the text is a single newline", sign("\n", "alice"), A),
		nt("key-name-with-dots-and-slashes", "key named example.com/log", sign(hello, "path"), vkeys("path")),
		nt("key-name-with-punctuation", "key named sum.example.org/a.b/c-d_e", sign("origin-like text\n", "deep", "path"), vkeys("deep", "path")),
		nt("same-key-twice", "note.Sign with the same signer twice; Go counts the repeated signature once", sign(hello, "alice", "alice"), A),
		nt("verifier-list-with-unrelated-key", "an extra trusted key that did not sign", good, vkeys("unrelated", "alice")),
		nt("rotated-key-both-sign", "old and new key of the same name both sign; only the new key is trusted", sign(hello, "alice", "alice-rotated"), vkeys("alice-rotated")),
		nt("same-name-two-keys-trusted", "two trusted keys sharing a name (different key hashes) both sign", sign(hello, "alice", "alice-rotated"), vkeys("alice", "alice-rotated")),
		// Choices Go makes where the signed-note format leaves room.
		nt("same-key-twice-second-corrupted", "a trusted key signs twice, the second copy is corrupted; Go skips repeated signatures by one key without checking them", lastSig(sign(hello, "alice", "alice"), corrupt), A),
		nt("hundred-signature-lines", "the same trusted signature line 100 times (Go's limit is 100 lines)", hello+"\n"+strings.Repeat(good[len(hello)+1:], 100), A),
		nt("hundred-one-signature-lines", "the same trusted signature line 101 times; Go rejects more than 100 lines", hello+"\n"+strings.Repeat(good[len(hello)+1:], 101), A),
		// Invalid signatures.
		nt("corrupted-trusted-signature", "one bit of the trusted key's Ed25519 signature flipped", lastSig(good, corrupt), A),
		nt("two-trusted-one-corrupted", "two trusted keys, the second signature corrupted; Go rejects the note", lastSig(twice, corrupt), vkeys("alice", "bob")),
		nt("text-modified-after-signing", "the text was changed after signing", strings.Replace(good, "hello", "jello", 1), A),
		nt("blank-line-between-signatures", "a blank line between two trusted signature lines moves the first into the text", strings.Replace(twice, "\n— bob", "\n\n— bob", 1), vkeys("alice", "bob")),
		// Unverified notes.
		nt("only-unknown-key", "signed only by a key that is not trusted", sign(hello, "carol"), A),
		nt("only-unknown-keys", "signed by two keys, neither trusted", sign(hello, "carol", "bob"), A),
		nt("empty-verifier-list", "no trusted keys at all", good, []string{}),
		nt("rotated-key-old-signature", "signed by the old key; only the new key of the same name is trusted", good, vkeys("alice-rotated")),
		nt("signature-line-renamed", "alice's signature line relabelled with bob's name; bob trusted", strings.Replace(good, "— alice.example", "— bob.example", 1), vkeys("bob")),
		nt("signature-key-hash-altered", "the key hash bytes of a trusted signature altered", lastSig(good, func(b []byte) []byte { b[0] ^= 0xff; return b }), A),
		// Malformed notes.
		nt("missing-blank-line", "no blank line between text and signatures", strings.Replace(good, "\n\n— ", "\n— ", 1), A),
		nt("missing-final-newline", "the last signature line has no newline", strings.TrimSuffix(good, "\n"), A),
		nt("trailing-blank-line", "an extra empty line after the signatures", good+"\n", A),
		nt("ascii-hyphen-prefix", "signature line starts with '- ' instead of an em dash", strings.Replace(good, "\n— ", "\n- ", 1), A),
		nt("em-dash-without-space", "signature line starts with an em dash not followed by a space", strings.Replace(good, "\n— ", "\n—", 1), A),
		nt("empty-signature-block", "text and blank line but no signature lines", hello+"\n", A),
		nt("no-signatures-no-blank-line", "just text", hello, A),
		nt("tab-in-text", "the text contains a tab (a control character)", sign("a\tb\n", "alice"), A),
		nt("crlf-line-endings", "the text uses CR LF line endings", sign("hello\r\nworld\r\n", "alice"), A),
		nt("invalid-base64-signature", "signature is not valid base64", good[:len(good)-5]+"!!!=\n", A),
		nt("short-signature", "signature decodes to only the 4-byte key hash", lastSig(good, func(b []byte) []byte { return b[:4] }), A),
		nt("empty-key-name", "signature line with an empty key name", strings.Replace(good, "— alice.example", "— ", 1), A),
		nt("missing-signature-field", "signature line with a name but no signature", hello+"\n— alice.example\n", A),
		// Lines of keys nobody trusts are still checked for form.
		nt("unknown-key-invalid-base64", "a trusted signature, then an unknown key's line that is not base64", good+"— carol.example AAAA!AAA\n", A),
		nt("unknown-key-short-blob", "a trusted signature, then an unknown key's line of only a key hash", lastSig(sign(hello, "alice", "carol"), func(b []byte) []byte { return b[:4] }), A),
	}

	// Checkpoints of the tree of leaves "leaf 0", "leaf 1", ..., signed by the log key.
	leaves := make([]string, 65537)
	for i := range leaves {
		leaves[i] = fmt.Sprintf("leaf %d", i)
	}
	t, cpKeys := newTree(leaves), vkeys("log")
	signCheckpoint := func(n int64, root tlog.Hash, ext []string, signers ...string) string {
		body := fmt.Sprintf("%s\n%d\n%s\n", origin, n, base64.StdEncoding.EncodeToString(root[:]))
		return sign(body+strings.Join(each(ext, func(e string) string { return e + "\n" }), ""), signers...)
	}
	prove := func(n, i int64) []tlog.Hash { return check(tlog.ProveRecord(n, i, t)) }
	proveTree := func(o, n int64) []tlog.Hash { return check(tlog.ProveTree(n, o, t)) }
	sizes, roots, cps := []int64{1, 2, 3, 7, 8, 100, 1000}, map[int64]tlog.Hash{}, map[int64]string{}
	for _, n := range sizes {
		roots[n] = check(tlog.TreeHash(n, t))
	}
	probe := map[int64][]int64{1: {0}, 2: {0, 1}, 3: {0, 1, 2}, 7: {0, 1, 2, 3, 4, 5, 6}, 8: {0, 1, 2, 3, 4, 5, 6, 7},
		100: {0, 1, 50, 63, 64, 98, 99}, 1000: {0, 1, 255, 511, 512, 777, 998, 999}}
	incl := func(n int64, name string, i int64, data string, p []tlog.Hash) obj {
		return judged(obj{{"name", name}, {"leaf_index", i}, {"leaf_data", data}, {"leaf_hash", hx(rec(data))},
			{"proof", each(p, hx)}}, tlog.CheckRecord(p, n, roots[n], i, rec(data)))
	}
	p100, p999 := prove(100, 50), prove(1000, 999)
	k := len(p999) - 1
	p999[k], p999[k-1] = p999[k-1], p999[k]
	bad := map[int64][]obj{
		1: {incl(1, "bad-extra-element", 0, leaves[0], append(prove(1, 0), rec(leaves[1])))},
		7: {incl(7, "bad-wrong-leaf-hash", 6, leaves[5], prove(7, 6))},
		8: {incl(8, "bad-tampered-element", 2, leaves[2], flip(prove(8, 2), 1)), incl(8, "bad-index-out-of-range", 8, leaves[8], prove(8, 7)),
			incl(8, "bad-forked-leaf", 2, "forked leaf 2", prove(8, 2))},
		100: {incl(100, "bad-truncated", 50, leaves[50], p100[:len(p100)-1]),
			incl(100, "bad-extra-element", 50, leaves[50], append(prove(100, 50), roots[100]))},
		1000: {incl(1000, "bad-wrong-index", 776, leaves[777], prove(1000, 777)), incl(1000, "bad-swapped-elements", 999, leaves[999], p999)},
	}
	var checkpoints []obj
	for _, n := range sizes {
		inc := each(probe[n], func(i int64) obj { return incl(n, fmt.Sprintf("leaf-%d", i), i, leaves[i], prove(n, i)) })
		ext := append([]string{}, map[int64][]string{100: {"extension line one", "x-second: 2"}}[n]...)
		cps[n] = signCheckpoint(n, roots[n], ext, append([]string{"log"}, map[int64][]string{1000: {"witness"}}[n]...)...)
		checkpoints = append(checkpoints, obj{{"name", fmt.Sprintf("size-%d", n)}, {"origin", origin}, {"tree_size", n},
			{"root_hash", hx(roots[n])}, {"extension_lines", ext}, {"note_text", cps[n]}, {"vkeys", cpKeys},
			{"go_result", open(cps[n], cpKeys)}, {"inclusion", append(inc, bad[n]...)}})
	}

	// Consistency proofs between those checkpoints, and from a forked one (leaf 2 differs).
	forkRoot := check(tlog.TreeHash(3, newTree([]string{leaves[0], leaves[1], "forked leaf 2"})))
	cons := func(name, desc string, o, n int64, p []tlog.Hash, note string, root tlog.Hash) obj {
		return judged(obj{{"name", name}, {"description", desc}, {"older_note", note}, {"newer_note", cps[n]},
			{"older_size", o}, {"newer_size", n}, {"older_root", hx(root)}, {"newer_root", hx(roots[n])},
			{"vkeys", cpKeys}, {"proof", each(p, hx)}}, tlog.CheckTree(p, n, roots[n], o, root))
	}
	var consistency []obj
	for _, pr := range [][2]int64{{1, 2}, {1, 3}, {2, 3}, {1, 7}, {3, 7}, {1, 8}, {3, 8}, {7, 8}, {8, 8},
		{2, 100}, {7, 100}, {8, 100}, {1, 1000}, {3, 1000}, {8, 1000}, {100, 1000}, {1000, 1000}} {
		o, n := pr[0], pr[1]
		consistency = append(consistency, cons(fmt.Sprintf("%d-to-%d", o, n), "proof from tlog.ProveTree", o, n, proveTree(o, n), cps[o], roots[o]))
	}
	p7 := proveTree(7, 1000)
	consistency = append(consistency,
		cons("bad-3-to-8-tampered", "one proof element has a flipped bit", 3, 8, flip(proveTree(3, 8), 1), cps[3], roots[3]),
		cons("bad-7-to-1000-truncated", "last proof element removed", 7, 1000, p7[:len(p7)-1], cps[7], roots[7]),
		cons("bad-100-to-1000-extra-element", "an extra element appended", 100, 1000, append(proveTree(100, 1000), roots[100]), cps[100], roots[100]),
		cons("bad-8-to-8-nonempty", "equal sizes with a non-empty proof", 8, 8, []tlog.Hash{roots[8]}, cps[8], roots[8]),
		cons("bad-forked-3-to-8", "older checkpoint is from a forked tree (leaf 2 differs), signed by the same key", 3, 8, proveTree(3, 8),
			signCheckpoint(3, forkRoot, nil, "log"), forkRoot),
		cons("bad-1-to-2-wrong-leaf", "proof element replaced by the hash of a different leaf", 1, 2, []tlog.Hash{rec("leaf 2")}, cps[1], roots[1]),
		cons("bad-older-larger", "older size larger than newer size", 8, 3, proveTree(3, 8), cps[8], roots[8]))

	// Tile-based roots and proofs: the sizes hit the edges of tile widths at levels 0, 1 and 2.
	tiles := tileCases(t, map[int64][2][]int64{1: {{0}, {1}}, 2: {{0, 1}, {1}}, 255: {{0, 128, 254}, {1, 2, 254}},
		256: {{0, 255}, {1, 255, 256}}, 257: {{0, 255, 256}, {1, 255, 256}}, 511: {{0, 256, 510}, {255, 256, 257}},
		1000: {{0, 255, 256, 511, 768, 999}, {1, 256, 511, 999}}, 65536: {{0, 65535}, {257, 65535}},
		65537: {{0, 1000, 32768, 65535, 65536}, {1, 256, 1000, 65536}}}, 1, 2, 255, 256, 257, 511, 1000, 65536, 65537)

	doc := check(json.MarshalIndent(obj{
		{"comment", "Generated by tests/interop/go/gen_vectors.go; do not edit by hand. " +
			"Outcomes are those of golang.org/x/mod/sumdb/note.Open and sumdb/tlog.CheckRecord/CheckTree; " +
			"tiles, roots and proofs in \"tiles\" those of sumdb/tlog (tile height 8)."},
		{"generator", obj{{"program", "tests/interop/go/gen_vectors.go"}, {"go_version", runtime.Version()},
			{"x_mod_version", xmodVersion}, {"x_mod_package", "golang-golang-x-mod-dev"}}},
		{"keys", keyList}, {"notes", notes}, {"checkpoints", checkpoints}, {"consistency", consistency},
		{"tiles", tiles}}, "", "  "))
	check(0, os.WriteFile(out, append(doc, '\n'), 0o644))
}
