// Command gen_vectors writes interoperability test vectors produced by Go's
// golang.org/x/mod/sumdb/note and golang.org/x/mod/sumdb/tlog packages.
//
// Every signed note is produced with note.Sign and judged with note.Open;
// every Merkle proof is produced with tlog.ProveRecord / tlog.ProveTree and
// judged with tlog.CheckRecord / tlog.CheckTree. The recorded outcome of each
// case is exactly what Go returned, so a verifier that interoperates with Go
// must reach the same accept/reject decision on every case.
//
// The output is deterministic: keys are derived from fixed seeds
// (SHA-256 of a label), Ed25519 signatures are deterministic, and the JSON
// is written from structs in a fixed order.
//
// Build in GOPATH mode against Debian's golang-golang-x-mod-dev:
//
//	GO111MODULE=off GOPATH=/usr/share/gocode go run gen_vectors.go \
//	    -go-version "$(go env GOVERSION)" -x-mod-version 0.7.0-1 -out go_vectors.json
//
// tests/interop/go/regenerate.sh does all of this.
package main

import (
	"bytes"
	"crypto/ed25519"
	"crypto/sha256"
	"encoding/base64"
	"encoding/binary"
	"encoding/hex"
	"encoding/json"
	"errors"
	"flag"
	"fmt"
	"log"
	"os"
	"strings"

	"golang.org/x/mod/sumdb/note"
	"golang.org/x/mod/sumdb/tlog"
)

// ---------------------------------------------------------------------------
// JSON schema

type Generator struct {
	Program     string `json:"program"`
	GoVersion   string `json:"go_version"`
	XModVersion string `json:"x_mod_version"`
	XModPackage string `json:"x_mod_package"`
}

type GoResult struct {
	OK            bool   `json:"ok"`
	VerifiedCount *int   `json:"verified_count,omitempty"`
	GoError       string `json:"go_error,omitempty"`
	Kind          string `json:"kind,omitempty"`
}

type NoteCase struct {
	Name        string   `json:"name"`
	Description string   `json:"description"`
	GoQuirk     bool     `json:"go_quirk"`
	NoteText    string   `json:"note_text"`
	VKeys       []string `json:"vkeys"`
	GoResult    GoResult `json:"go_result"`
}

type InclusionCase struct {
	Name      string   `json:"name"`
	LeafIndex int64    `json:"leaf_index"`
	LeafData  string   `json:"leaf_data"`
	LeafHash  string   `json:"leaf_hash"`
	Proof     []string `json:"proof"`
	GoOK      bool     `json:"go_ok"`
	GoError   string   `json:"go_error,omitempty"`
}

type Checkpoint struct {
	Name           string          `json:"name"`
	Origin         string          `json:"origin"`
	TreeSize       int64           `json:"tree_size"`
	RootHash       string          `json:"root_hash"`
	ExtensionLines []string        `json:"extension_lines"`
	NoteText       string          `json:"note_text"`
	VKeys          []string        `json:"vkeys"`
	GoResult       GoResult        `json:"go_result"`
	Inclusion      []InclusionCase `json:"inclusion"`
}

type ConsistencyCase struct {
	Name        string   `json:"name"`
	Description string   `json:"description"`
	OlderNote   string   `json:"older_note"`
	NewerNote   string   `json:"newer_note"`
	OlderSize   int64    `json:"older_size"`
	NewerSize   int64    `json:"newer_size"`
	OlderRoot   string   `json:"older_root"`
	NewerRoot   string   `json:"newer_root"`
	VKeys       []string `json:"vkeys"`
	Proof       []string `json:"proof"`
	GoOK        bool     `json:"go_ok"`
	GoError     string   `json:"go_error,omitempty"`
}

type Vectors struct {
	Comment     string            `json:"comment"`
	Generator   Generator         `json:"generator"`
	Keys        []KeyInfo         `json:"keys"`
	Notes       []NoteCase        `json:"notes"`
	Checkpoints []Checkpoint      `json:"checkpoints"`
	Consistency []ConsistencyCase `json:"consistency"`
}

type KeyInfo struct {
	Label string `json:"label"`
	Name  string `json:"name"`
	VKey  string `json:"vkey"`
}

// ---------------------------------------------------------------------------
// Keys

type key struct {
	label  string
	name   string
	skey   string
	vkey   string
	signer note.Signer
	verif  note.Verifier
}

// newKey derives an Ed25519 key for name from SHA-256("silvantrope-interop-key:" + label),
// encodes it as signed-note key strings, and cross-checks the encoding with Go.
func newKey(label, name string) *key {
	seed := sha256.Sum256([]byte("silvantrope-interop-key:" + label))
	priv := ed25519.NewKeyFromSeed(seed[:])
	pub := priv.Public().(ed25519.PublicKey)

	pubEnc := append([]byte{0x01}, pub...)
	h := sha256.New()
	h.Write([]byte(name))
	h.Write([]byte("\n"))
	h.Write(pubEnc)
	hash := binary.BigEndian.Uint32(h.Sum(nil))

	skey := fmt.Sprintf("PRIVATE+KEY+%s+%08x+%s", name, hash,
		base64.StdEncoding.EncodeToString(append([]byte{0x01}, seed[:]...)))
	vkey := fmt.Sprintf("%s+%08x+%s", name, hash, base64.StdEncoding.EncodeToString(pubEnc))

	goVKey, err := note.NewEd25519VerifierKey(name, pub)
	must(err)
	if goVKey != vkey {
		log.Fatalf("verifier key mismatch for %s: %s vs %s", name, goVKey, vkey)
	}
	s, err := note.NewSigner(skey)
	must(err)
	v, err := note.NewVerifier(vkey)
	must(err)
	return &key{label: label, name: name, skey: skey, vkey: vkey, signer: s, verif: v}
}

func must(err error) {
	if err != nil {
		log.Fatal(err)
	}
}

// ---------------------------------------------------------------------------
// Notes

func sign(text string, keys ...*key) string {
	signers := make([]note.Signer, len(keys))
	for i, k := range keys {
		signers[i] = k.signer
	}
	msg, err := note.Sign(&note.Note{Text: text}, signers...)
	must(err)
	return string(msg)
}

// openNote runs note.Open with exactly the verifiers listed in vkeys.
func openNote(msg string, vkeys []string) GoResult {
	var vs []note.Verifier
	for _, vk := range vkeys {
		v, err := note.NewVerifier(vk)
		must(err)
		vs = append(vs, v)
	}
	n, err := note.Open([]byte(msg), note.VerifierList(vs...))
	if err == nil {
		c := len(n.Sigs)
		return GoResult{OK: true, VerifiedCount: &c}
	}
	kind := "malformed"
	var unv *note.UnverifiedNoteError
	var inv *note.InvalidSignatureError
	switch {
	case errors.As(err, &unv):
		kind = "unverified"
	case errors.As(err, &inv):
		kind = "invalid_signature"
	}
	return GoResult{OK: false, GoError: err.Error(), Kind: kind}
}

// splitNote splits msg at its last blank line into text and signature block.
func splitNote(msg string) (text, sigs string) {
	i := strings.LastIndex(msg, "\n\n")
	if i < 0 {
		log.Fatalf("not a note: %q", msg)
	}
	return msg[:i+1], msg[i+2:]
}

// corruptSig flips one bit of the Ed25519 signature (not of the key hash)
// on signature line number line (0-based) of msg.
func corruptSig(msg string, line int) string {
	text, sigs := splitNote(msg)
	lines := strings.Split(strings.TrimSuffix(sigs, "\n"), "\n")
	sp := strings.LastIndex(lines[line], " ")
	raw, err := base64.StdEncoding.DecodeString(lines[line][sp+1:])
	must(err)
	raw[4+17] ^= 0x01
	lines[line] = lines[line][:sp+1] + base64.StdEncoding.EncodeToString(raw)
	return text + "\n" + strings.Join(lines, "\n") + "\n"
}

// rewriteSigLine replaces signature line number line (0-based) by f(line).
func rewriteSigLine(msg string, line int, f func(string) string) string {
	text, sigs := splitNote(msg)
	lines := strings.Split(strings.TrimSuffix(sigs, "\n"), "\n")
	lines[line] = f(lines[line])
	return text + "\n" + strings.Join(lines, "\n") + "\n"
}

func vkeysOf(keys ...*key) []string {
	out := []string{}
	for _, k := range keys {
		out = append(out, k.vkey)
	}
	return out
}

// ---------------------------------------------------------------------------
// Trees

type memTree struct {
	leaves []string
	stored []tlog.Hash
}

func newTree(leaves []string) *memTree {
	t := &memTree{leaves: leaves}
	for i, d := range leaves {
		hs, err := tlog.StoredHashes(int64(i), []byte(d), t)
		must(err)
		if int64(len(t.stored)) != tlog.StoredHashIndex(0, int64(i)) {
			log.Fatalf("stored hash index mismatch at leaf %d", i)
		}
		t.stored = append(t.stored, hs...)
	}
	return t
}

func (t *memTree) ReadHashes(indexes []int64) ([]tlog.Hash, error) {
	out := make([]tlog.Hash, len(indexes))
	for i, x := range indexes {
		if x < 0 || x >= int64(len(t.stored)) {
			return nil, fmt.Errorf("hash index %d out of range", x)
		}
		out[i] = t.stored[x]
	}
	return out, nil
}

func (t *memTree) root(n int64) tlog.Hash {
	h, err := tlog.TreeHash(n, t)
	must(err)
	// Independent RFC 6962 MTH as a cross-check of the tree shape.
	var leafHashes []tlog.Hash
	for _, d := range t.leaves[:n] {
		leafHashes = append(leafHashes, tlog.RecordHash([]byte(d)))
	}
	if mth(leafHashes) != h {
		log.Fatalf("tlog.TreeHash(%d) disagrees with RFC 6962 MTH", n)
	}
	return h
}

func mth(l []tlog.Hash) tlog.Hash {
	if len(l) == 1 {
		return l[0]
	}
	k := 1
	for k*2 < len(l) {
		k *= 2
	}
	return tlog.NodeHash(mth(l[:k]), mth(l[k:]))
}

func hexHash(h tlog.Hash) string { return hex.EncodeToString(h[:]) }

func hexList(p []tlog.Hash) []string {
	out := []string{}
	for _, h := range p {
		out = append(out, hexHash(h))
	}
	return out
}

func flipHash(h tlog.Hash) tlog.Hash {
	h[7] ^= 0x80
	return h
}

func checkpointBody(origin string, n int64, root tlog.Hash, ext []string) string {
	var b bytes.Buffer
	fmt.Fprintf(&b, "%s\n%d\n%s\n", origin, n, base64.StdEncoding.EncodeToString(root[:]))
	for _, e := range ext {
		b.WriteString(e)
		b.WriteString("\n")
	}
	return b.String()
}

func errString(err error) string {
	if err == nil {
		return ""
	}
	return err.Error()
}

// ---------------------------------------------------------------------------

func main() {
	goVersion := flag.String("go-version", "", "Go toolchain version (e.g. go1.19.8)")
	xmodVersion := flag.String("x-mod-version", "", "Debian version of golang-golang-x-mod-dev")
	out := flag.String("out", "go_vectors.json", "output file")
	flag.Parse()
	if *goVersion == "" || *xmodVersion == "" {
		log.Fatal("-go-version and -x-mod-version are required")
	}

	alice := newKey("alice", "alice.example")
	bob := newKey("bob", "bob.example")
	carol := newKey("carol", "carol.example")
	aliceNew := newKey("alice-rotated", "alice.example")
	unrelated := newKey("unrelated", "unrelated.example")
	pathKey := newKey("path", "example.com/log")
	deepKey := newKey("deep", "sum.example.org/a.b/c-d_e")
	logKey := newKey("log", "example.com/interop/log")
	witness := newKey("witness", "witness.example.net/w1")
	allKeys := []*key{alice, bob, carol, aliceNew, unrelated, pathKey, deepKey, logKey, witness}

	v := Vectors{
		Comment: "Generated by tests/interop/go/gen_vectors.go; do not edit by hand. " +
			"Outcomes are those of golang.org/x/mod/sumdb/note.Open and sumdb/tlog.CheckRecord/CheckTree.",
		Generator: Generator{
			Program:     "tests/interop/go/gen_vectors.go",
			GoVersion:   *goVersion,
			XModVersion: *xmodVersion,
			XModPackage: "golang-golang-x-mod-dev",
		},
	}
	for _, k := range allKeys {
		v.Keys = append(v.Keys, KeyInfo{Label: k.label, Name: k.name, VKey: k.vkey})
	}

	addNote := func(name, desc string, goQuirk bool, msg string, vkeys []string) {
		v.Notes = append(v.Notes, NoteCase{
			Name: name, Description: desc, GoQuirk: goQuirk,
			NoteText: msg, VKeys: vkeys, GoResult: openNote(msg, vkeys),
		})
	}

	hello := "hello, world\n"

	// Accepted notes.
	addNote("one-key", "one signature from the one trusted key", false,
		sign(hello, alice), vkeysOf(alice))
	addNote("two-keys-both-trusted", "two signatures, both keys trusted", false,
		sign(hello, alice, bob), vkeysOf(alice, bob))
	addNote("trusted-plus-unknown", "a trusted signature followed by one from an unknown key, which is ignored", false,
		sign(hello, alice, carol), vkeysOf(alice))
	addNote("unknown-plus-trusted", "an unknown key's signature first, then a trusted one", false,
		sign(hello, carol, alice), vkeysOf(alice))
	addNote("trusted-plus-corrupted-unknown", "a trusted signature plus a corrupted signature from an unknown key; unknown keys are not checked", false,
		corruptSig(sign(hello, alice, carol), 1), vkeysOf(alice))
	addNote("multi-line-text", "text of several lines", false,
		sign("first line\nsecond line\n  indented third line\nfourth line with trailing space \n", alice), vkeysOf(alice))
	addNote("utf8-text", "UTF-8 text beyond ASCII", false,
		sign("Grüße aus Zürich\n世界 ✓ — ñ 🙂\n", alice), vkeysOf(alice))
	addNote("text-ends-in-empty-line", "the text's last line is empty, so three newlines precede the signatures", false,
		sign("last line of this text is empty\n\n", alice), vkeysOf(alice))
	addNote("text-with-inner-empty-line", "an empty line in the middle of the text", false,
		sign("paragraph one\n\nparagraph two\n", alice), vkeysOf(alice))
	addNote("text-with-signature-like-line", "a text line that looks like a signature line", false,
		sign("body\n— alice.example AAAAAAAA\nmore body\n", alice), vkeysOf(alice))
	addNote("text-single-newline", "the text is a single newline", false,
		sign("\n", alice), vkeysOf(alice))
	addNote("key-name-with-dots-and-slashes", "key named example.com/log", false,
		sign(hello, pathKey), vkeysOf(pathKey))
	addNote("key-name-with-punctuation", "key named sum.example.org/a.b/c-d_e", false,
		sign("origin-like text\n", deepKey, pathKey), vkeysOf(deepKey, pathKey))
	addNote("same-key-twice", "note.Sign with the same signer twice; Go counts the repeated signature once", true,
		sign(hello, alice, alice), vkeysOf(alice))
	addNote("verifier-list-with-unrelated-key", "an extra trusted key that did not sign", false,
		sign(hello, alice), vkeysOf(unrelated, alice))
	addNote("rotated-key-both-sign", "old and new key of the same name both sign; only the new key is trusted", false,
		sign(hello, alice, aliceNew), vkeysOf(aliceNew))
	addNote("same-name-two-keys-trusted", "two trusted keys sharing a name (different key hashes) both sign", false,
		sign(hello, alice, aliceNew), vkeysOf(alice, aliceNew))

	// Choices Go makes where the signed-note format leaves room.
	addNote("same-key-twice-second-corrupted", "a trusted key signs twice, the second copy is corrupted; Go skips repeated signatures by one key without checking them", true,
		corruptSig(sign(hello, alice, alice), 1), vkeysOf(alice))
	{
		msg := sign(hello, alice)
		_, sigs := splitNote(msg)
		addNote("hundred-signature-lines", "the same trusted signature line 100 times (Go's limit is 100 lines)", true,
			hello+"\n"+strings.Repeat(sigs, 100), vkeysOf(alice))
		addNote("hundred-one-signature-lines", "the same trusted signature line 101 times; Go rejects more than 100 lines", true,
			hello+"\n"+strings.Repeat(sigs, 101), vkeysOf(alice))
	}

	// Invalid signatures.
	addNote("corrupted-trusted-signature", "one bit of the trusted key's Ed25519 signature flipped", false,
		corruptSig(sign(hello, alice), 0), vkeysOf(alice))
	addNote("two-trusted-one-corrupted", "two trusted keys, the second signature corrupted; Go rejects the note", false,
		corruptSig(sign(hello, alice, bob), 1), vkeysOf(alice, bob))
	addNote("text-modified-after-signing", "the text was changed after signing", false,
		strings.Replace(sign(hello, alice), "hello", "jello", 1), vkeysOf(alice))
	addNote("blank-line-between-signatures", "a blank line between two trusted signature lines moves the first into the text", false,
		func() string {
			m := sign(hello, alice, bob)
			i := strings.LastIndex(m, "\n— ")
			return m[:i] + "\n" + m[i:]
		}(), vkeysOf(alice, bob))

	// Unverified notes.
	addNote("only-unknown-key", "signed only by a key that is not trusted", false,
		sign(hello, carol), vkeysOf(alice))
	addNote("only-unknown-keys", "signed by two keys, neither trusted", false,
		sign(hello, carol, bob), vkeysOf(alice))
	addNote("empty-verifier-list", "no trusted keys at all", false,
		sign(hello, alice), []string{})
	addNote("rotated-key-old-signature", "signed by the old key; only the new key of the same name is trusted", false,
		sign(hello, alice), vkeysOf(aliceNew))
	addNote("signature-line-renamed", "alice's signature line relabelled with bob's name; bob trusted", false,
		rewriteSigLine(sign(hello, alice), 0, func(l string) string {
			return strings.Replace(l, "alice.example", "bob.example", 1)
		}), vkeysOf(bob))
	addNote("signature-key-hash-altered", "the key hash bytes of a trusted signature altered", false,
		rewriteSigLine(sign(hello, alice), 0, func(l string) string {
			sp := strings.LastIndex(l, " ")
			raw, err := base64.StdEncoding.DecodeString(l[sp+1:])
			must(err)
			raw[0] ^= 0xff
			return l[:sp+1] + base64.StdEncoding.EncodeToString(raw)
		}), vkeysOf(alice))

	// Malformed notes.
	good := sign(hello, alice)
	addNote("missing-blank-line", "no blank line between text and signatures", false,
		strings.Replace(good, "\n\n— ", "\n— ", 1), vkeysOf(alice))
	addNote("missing-final-newline", "the last signature line has no newline", false,
		strings.TrimSuffix(good, "\n"), vkeysOf(alice))
	addNote("trailing-blank-line", "an extra empty line after the signatures", false,
		good+"\n", vkeysOf(alice))
	addNote("ascii-hyphen-prefix", "signature line starts with '- ' instead of an em dash", false,
		strings.Replace(good, "\n— ", "\n- ", 1), vkeysOf(alice))
	addNote("em-dash-without-space", "signature line starts with an em dash not followed by a space", false,
		strings.Replace(good, "\n— ", "\n—", 1), vkeysOf(alice))
	addNote("empty-signature-block", "text and blank line but no signature lines", false,
		hello+"\n", vkeysOf(alice))
	addNote("no-signatures-no-blank-line", "just text", false,
		hello, vkeysOf(alice))
	addNote("tab-in-text", "the text contains a tab (a control character)", false,
		sign("a\tb\n", alice), vkeysOf(alice))
	addNote("crlf-line-endings", "the text uses CR LF line endings", false,
		sign("hello\r\nworld\r\n", alice), vkeysOf(alice))
	addNote("invalid-base64-signature", "signature is not valid base64", false,
		rewriteSigLine(good, 0, func(l string) string { return l[:len(l)-4] + "!!!=" }), vkeysOf(alice))
	addNote("short-signature", "signature decodes to only the 4-byte key hash", false,
		rewriteSigLine(good, 0, func(l string) string {
			sp := strings.LastIndex(l, " ")
			raw, err := base64.StdEncoding.DecodeString(l[sp+1:])
			must(err)
			return l[:sp+1] + base64.StdEncoding.EncodeToString(raw[:4])
		}), vkeysOf(alice))
	addNote("empty-key-name", "signature line with an empty key name", false,
		rewriteSigLine(good, 0, func(l string) string { return strings.Replace(l, "alice.example", "", 1) }), vkeysOf(alice))
	addNote("missing-signature-field", "signature line with a name but no signature", false,
		rewriteSigLine(good, 0, func(l string) string { return "— alice.example" }), vkeysOf(alice))

	// -----------------------------------------------------------------------
	// Checkpoints.

	const maxLeaves = 1000
	leaves := make([]string, maxLeaves)
	for i := range leaves {
		leaves[i] = fmt.Sprintf("leaf %d", i)
	}
	tree := newTree(leaves)
	forkLeaves := append([]string{}, leaves[:8]...)
	forkLeaves[2] = "forked leaf 2"
	fork := newTree(forkLeaves)

	origin := logKey.name
	cpVKeys := vkeysOf(logKey)

	sizes := []int64{1, 2, 3, 7, 8, 100, 1000}
	extFor := map[int64][]string{100: {"extension line one", "x-second: 2"}}
	witnessed := map[int64]bool{1000: true}
	probe := map[int64][]int64{
		100:  {0, 1, 50, 63, 64, 98, 99},
		1000: {0, 1, 255, 511, 512, 777, 998, 999},
	}

	notes := map[int64]string{}
	roots := map[int64]tlog.Hash{}
	for _, n := range sizes {
		root := tree.root(n)
		roots[n] = root
		signers := []*key{logKey}
		if witnessed[n] {
			signers = append(signers, witness)
		}
		msg := sign(checkpointBody(origin, n, root, extFor[n]), signers...)
		notes[n] = msg
		ext := extFor[n]
		if ext == nil {
			ext = []string{}
		}
		cp := Checkpoint{
			Name: fmt.Sprintf("size-%d", n), Origin: origin, TreeSize: n,
			RootHash: hexHash(root), ExtensionLines: ext,
			NoteText: msg, VKeys: cpVKeys, GoResult: openNote(msg, cpVKeys),
		}
		if !cp.GoResult.OK {
			log.Fatalf("checkpoint %d not accepted by Go: %s", n, cp.GoResult.GoError)
		}
		idx := probe[n]
		if idx == nil {
			for i := int64(0); i < n; i++ {
				idx = append(idx, i)
			}
		}
		addInc := func(name string, i int64, data string, lh tlog.Hash, p tlog.RecordProof) {
			err := tlog.CheckRecord(p, n, root, i, lh)
			cp.Inclusion = append(cp.Inclusion, InclusionCase{
				Name: name, LeafIndex: i, LeafData: data, LeafHash: hexHash(lh),
				Proof: hexList(p), GoOK: err == nil, GoError: errString(err),
			})
		}
		proofOf := func(i int64) tlog.RecordProof {
			p, err := tlog.ProveRecord(n, i, tree)
			must(err)
			return p
		}
		for _, i := range idx {
			p := proofOf(i)
			addInc(fmt.Sprintf("leaf-%d", i), i, leaves[i], tlog.RecordHash([]byte(leaves[i])), p)
			if !cp.Inclusion[len(cp.Inclusion)-1].GoOK {
				log.Fatalf("Go rejected its own inclusion proof %d in %d", i, n)
			}
		}
		// Negative inclusion cases.
		switch n {
		case 1:
			addInc("bad-extra-element", 0, leaves[0], tlog.RecordHash([]byte(leaves[0])),
				append(proofOf(0), tlog.RecordHash([]byte(leaves[1]))))
		case 7:
			addInc("bad-wrong-leaf-hash", 6, leaves[5], tlog.RecordHash([]byte(leaves[5])), proofOf(6))
		case 8:
			p := proofOf(2)
			p[1] = flipHash(p[1])
			addInc("bad-tampered-element", 2, leaves[2], tlog.RecordHash([]byte(leaves[2])), p)
			addInc("bad-index-out-of-range", 8, leaves[8], tlog.RecordHash([]byte(leaves[8])), proofOf(7))
			addInc("bad-forked-leaf", 2, forkLeaves[2], tlog.RecordHash([]byte(forkLeaves[2])), proofOf(2))
		case 100:
			p := proofOf(50)
			addInc("bad-truncated", 50, leaves[50], tlog.RecordHash([]byte(leaves[50])), p[:len(p)-1])
			addInc("bad-extra-element", 50, leaves[50], tlog.RecordHash([]byte(leaves[50])),
				append(proofOf(50), roots[100]))
		case 1000:
			addInc("bad-wrong-index", 776, leaves[777], tlog.RecordHash([]byte(leaves[777])), proofOf(777))
			p := proofOf(999)
			p[len(p)-1], p[len(p)-2] = p[len(p)-2], p[len(p)-1]
			addInc("bad-swapped-elements", 999, leaves[999], tlog.RecordHash([]byte(leaves[999])), p)
		}
		v.Checkpoints = append(v.Checkpoints, cp)
	}

	// Consistency proofs.
	forkRoot := fork.root(3)
	forkNote := sign(checkpointBody(origin, 3, forkRoot, nil), logKey)
	if r := openNote(forkNote, cpVKeys); !r.OK {
		log.Fatal("fork checkpoint not accepted by Go")
	}
	addCons := func(name, desc string, older, newer int64, olderNote string, olderRoot tlog.Hash, p tlog.TreeProof) {
		err := tlog.CheckTree(p, newer, roots[newer], older, olderRoot)
		v.Consistency = append(v.Consistency, ConsistencyCase{
			Name: name, Description: desc,
			OlderNote: olderNote, NewerNote: notes[newer],
			OlderSize: older, NewerSize: newer,
			OlderRoot: hexHash(olderRoot), NewerRoot: hexHash(roots[newer]),
			VKeys: cpVKeys, Proof: hexList(p), GoOK: err == nil, GoError: errString(err),
		})
	}
	treeProof := func(older, newer int64) tlog.TreeProof {
		p, err := tlog.ProveTree(newer, older, tree)
		must(err)
		return p
	}
	pairs := [][2]int64{
		{1, 2}, {1, 3}, {2, 3}, {1, 7}, {3, 7}, {1, 8}, {3, 8}, {7, 8}, {8, 8},
		{2, 100}, {7, 100}, {8, 100}, {1, 1000}, {3, 1000}, {8, 1000}, {100, 1000}, {1000, 1000},
	}
	for _, pr := range pairs {
		o, n := pr[0], pr[1]
		addCons(fmt.Sprintf("%d-to-%d", o, n), "proof from tlog.ProveTree", o, n, notes[o], roots[o], treeProof(o, n))
		if !v.Consistency[len(v.Consistency)-1].GoOK {
			log.Fatalf("Go rejected its own consistency proof %d -> %d", o, n)
		}
	}
	{
		p := treeProof(3, 8)
		p[1] = flipHash(p[1])
		addCons("bad-3-to-8-tampered", "one proof element has a flipped bit", 3, 8, notes[3], roots[3], p)
	}
	{
		p := treeProof(7, 1000)
		addCons("bad-7-to-1000-truncated", "last proof element removed", 7, 1000, notes[7], roots[7], p[:len(p)-1])
	}
	{
		p := append(treeProof(100, 1000), roots[100])
		addCons("bad-100-to-1000-extra-element", "an extra element appended", 100, 1000, notes[100], roots[100], p)
	}
	{
		p := tlog.TreeProof{roots[8]}
		addCons("bad-8-to-8-nonempty", "equal sizes with a non-empty proof", 8, 8, notes[8], roots[8], p)
	}
	{
		addCons("bad-forked-3-to-8", "older checkpoint is from a forked tree (leaf 2 differs), signed by the same key", 3, 8, forkNote, forkRoot, treeProof(3, 8))
	}
	{
		addCons("bad-1-to-2-wrong-leaf", "proof element replaced by the hash of a different leaf", 1, 2, notes[1], roots[1],
			tlog.TreeProof{tlog.RecordHash([]byte("leaf 2"))})
	}
	{
		addCons("bad-older-larger", "older size larger than newer size", 8, 3, notes[8], roots[8], treeProof(3, 8))
	}

	var buf bytes.Buffer
	enc := json.NewEncoder(&buf)
	enc.SetEscapeHTML(false)
	enc.SetIndent("", "  ")
	must(enc.Encode(v))
	must(os.WriteFile(*out, buf.Bytes(), 0o644))
}
