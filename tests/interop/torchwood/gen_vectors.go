// Command gen_vectors writes torchwood_vectors.json: C2SP tlog-policy files judged by
// filippo.io/torchwood's ParsePolicy, and tlog-proof@v1 files written by its FormatProof over
// checkpoints cosigned by its CosignatureSigner (Ed25519 and ML-DSA-44), each with the verdict of
// its VerifyProof. Keys come from fixed seeds; cosignature timestamps and ML-DSA-44 signatures
// are not deterministic, so each run writes other bytes with the same verdicts.
package main

import (
	"crypto"
	"crypto/ed25519"
	"crypto/mldsa"
	"crypto/sha256"
	"encoding/base64"
	"encoding/hex"
	"encoding/json"
	"fmt"
	"log"
	"os"
	"strings"

	"filippo.io/torchwood"
	"golang.org/x/mod/sumdb/note"
	"golang.org/x/mod/sumdb/tlog"
)

func check[T any](v T, err error) T {
	if err != nil {
		log.Fatal(err)
	}
	return v
}

func seed(label string) []byte {
	s := sha256.Sum256([]byte("silvantrope-torchwood-key:" + label))
	return s[:]
}

// A log's Ed25519 signer and vkey.
func newLog(name string) (note.Signer, string) {
	s := seed(name)
	vkey := check(note.NewEd25519VerifierKey(name, ed25519.NewKeyFromSeed(s).Public().(ed25519.PublicKey)))
	skey := "PRIVATE+KEY+" + vkey[:len(name)+10] + base64.StdEncoding.EncodeToString(append([]byte{1}, s...))
	return check(note.NewSigner(skey)), vkey
}

func newWitness(name string, pq bool) *torchwood.CosignatureSigner {
	var key crypto.Signer = ed25519.NewKeyFromSeed(seed(name))
	if pq {
		key = check(mldsa.NewPrivateKey(mldsa.MLDSA44(), seed(name)))
	}
	return check(torchwood.NewCosignatureSigner(name, key))
}

var (
	logA, vkeyA = newLog("log.example/a")
	logB, vkeyB = newLog("log.example/b")
	// Policy names w0-w2 (Ed25519) and m0, m1 (ML-DSA-44), in this order.
	witnesses = []*torchwood.CosignatureSigner{newWitness("w0.example", false), newWitness("w1.example", false),
		newWitness("w2.example", false), newWitness("m0.example", true), newWitness("m1.example", true)}
	outsider = newWitness("outsider.example", false)
	w0, m0   = witnesses[0].Verifier().String(), witnesses[3].Verifier().String()
)

func signers(ws ...*torchwood.CosignatureSigner) []note.Signer {
	out := []note.Signer{logA}
	for _, w := range ws {
		out = append(out, w)
	}
	return out
}

// The tree: leaf i is "entry i", for i < 13.
const treeSize = 13

var hashes []tlog.Hash

func entry(i int64) []byte { return []byte(fmt.Sprintf("entry %d", i)) }

func leafHash(i int64) tlog.Hash { return tlog.RecordHash(entry(i)) }

var reader = tlog.HashReaderFunc(func(indexes []int64) ([]tlog.Hash, error) {
	out := make([]tlog.Hash, len(indexes))
	for i, x := range indexes {
		out[i] = hashes[x]
	}
	return out, nil
})

func signedCheckpoint(size int64, extension string, signers ...note.Signer) []byte {
	c := torchwood.Checkpoint{Origin: "log.example/a", Tree: tlog.Tree{N: size, Hash: check(tlog.TreeHash(size, reader))}, Extension: extension}
	return check(note.Sign(&note.Note{Text: c.String()}, signers...))
}

func recordProof(index, size int64) tlog.RecordProof {
	return check(tlog.ProveRecord(size, index, reader))
}

func policy(lines ...string) string { return strings.Join(lines, "\n") + "\n" }

func withWitnesses(log string, rest ...string) string {
	lines := []string{log}
	for _, w := range witnesses {
		lines = append(lines, fmt.Sprintf("witness %s %s https://%s/", w.Name()[:2], w.Verifier(), w.Name()))
	}
	return policy(append(lines, rest...)...)
}

type verdict struct {
	OK    bool   `json:"go_ok"`
	Error string `json:"go_error,omitempty"`
}

func judge(err error) verdict {
	if err != nil {
		return verdict{false, err.Error()}
	}
	return verdict{OK: true}
}

type policyCase struct {
	Name   string `json:"name"`
	Policy string `json:"policy"`
	verdict
}

var policies = [][2]string{
	// 2 of the three Ed25519 witnesses and any ML-DSA-44 one.
	{"nested", withWitnesses("log "+vkeyA+" https://log.example/a/", "group ed 2 w0 w1 w2", "group pq any m0 m1", "group both all ed pq", "quorum both")},
	{"ed-quorum", withWitnesses("log "+vkeyA, "group ed 2 w0 w1 w2", "quorum ed")},
	{"quorum-none", policy("log "+vkeyA, "quorum none")},
	{"log-b-only", policy("log "+vkeyB, "quorum none")},
	{"two-logs", policy("log "+vkeyA, "log "+vkeyB+" https://b/", "witness w0 "+w0, "quorum w0")},
	{"group-any-all-k", policy("witness a "+w0, "witness b "+m0, "group g1 any a", "group g2 all b", "group g3 2 g1 g2", "quorum g3")},
	{"blank-and-comment-lines", "# a comment\n\n  \t\nlog " + vkeyA + "\n\t# indented\nquorum none"},
	{"tabs-and-spaces", " \tlog \t" + vkeyA + "  \t\n quorum\t none \t\n"},
	{"no-quorum", policy("log " + vkeyA)},
	{"two-quorums", policy("log "+vkeyA, "quorum none", "quorum none")},
	{"quorum-undefined", policy("log "+vkeyA, "quorum w9")},
	{"quorum-missing-name", policy("log "+vkeyA, "quorum")},
	{"unknown-keyword", policy("log "+vkeyA, "witnesses w0 "+w0, "quorum none")},
	{"log-missing-key", policy("log", "quorum none")},
	{"log-bad-base64", policy("log "+vkeyA[:len(vkeyA)-2]+"!!", "quorum none")},
	{"log-key-id-wrong", policy("log "+strings.Replace(vkeyA, vkeyA[14:22], "00000000", 1), "quorum none")},
	{"witness-key-id-wrong", policy("witness w0 "+strings.Replace(w0, w0[11:19], "00000000", 1), "quorum w0")},
	{"log-witness-key", policy("log "+w0, "quorum none")},
	{"witness-log-key", policy("witness w0 "+vkeyA, "quorum w0")},
	{"witness-missing-key", policy("witness w0", "quorum w0")},
	{"witness-duplicate-name", policy("witness w0 "+w0, "witness w0 "+m0, "quorum w0")},
	{"group-duplicate-of-witness", policy("witness w0 "+w0, "group w0 any w0", "quorum w0")},
	{"group-unknown-member", policy("witness w0 "+w0, "group g any w0 w9", "quorum g")},
	{"group-forward-member", policy("witness w0 "+w0, "group g any h", "group h any w0", "quorum g")},
	{"group-no-members", policy("witness w0 "+w0, "group g any", "quorum g")},
	{"group-threshold-zero", policy("witness w0 "+w0, "group g 0 w0", "quorum g")},
	{"group-threshold-above-n", policy("witness w0 "+w0, "group g 2 w0", "quorum g")},
	{"group-threshold-negative", policy("witness w0 "+w0, "group g -1 w0", "quorum g")},
	{"group-threshold-word", policy("witness w0 "+w0, "group g most w0", "quorum g")},
}

type cosignature struct {
	Witness   string `json:"witness"`
	Timestamp int64  `json:"timestamp"`
}

type proofCase struct {
	Name         string        `json:"name"`
	Policy       string        `json:"policy_case"`
	Proof        string        `json:"proof"`
	LeafHash     string        `json:"leaf_hash"`
	Index        int64         `json:"index"`
	TreeSize     int64         `json:"tree_size"`
	Extra        *string       `json:"extra_hex"`
	Cosignatures []cosignature `json:"cosignatures"`
	verdict
}

func newProofCase(name, policyCase string, index int64, leaf tlog.Hash, proof []byte) proofCase {
	var text string
	for _, p := range policies {
		if p[0] == policyCase {
			text = p[1]
		}
	}
	pol := check(torchwood.ParsePolicy([]byte(text)))
	c := proofCase{name, policyCase, string(proof), hex.EncodeToString(leaf[:]), index, 0, nil, []cosignature{},
		judge(torchwood.VerifyProof(pol, leaf, proof))}
	if !c.OK {
		return c
	}
	if extra, err := torchwood.ProofExtraData(proof); err == nil {
		e := hex.EncodeToString(extra)
		c.Extra = &e
	}
	_, signed, _ := strings.Cut(string(proof), "\n\n")
	cp, n, err := torchwood.VerifyCheckpoint([]byte(signed), pol)
	c.TreeSize = check(cp, err).N
	for _, w := range witnesses {
		for _, sig := range n.Sigs {
			if sig.Name == w.Name() && sig.Hash == w.KeyHash() {
				c.Cosignatures = append(c.Cosignatures, cosignature{w.Name()[:2], check(torchwood.CosignatureTimestamp(sig))})
			}
		}
	}
	return c
}

// edit applies f to the first line of s that starts with prefix.
func edit(s []byte, prefix string, f func(string) string) []byte {
	lines := strings.Split(string(s), "\n")
	for i, l := range lines {
		if strings.HasPrefix(l, prefix) {
			lines[i] = f(l)
			break
		}
	}
	return []byte(strings.Join(lines, "\n"))
}

// flip changes the base64 character at i.
func flip(s string, i int) string {
	return s[:i] + map[bool]string{true: "B", false: "A"}[s[i] == 'A'] + s[i+1:]
}

func line(l string) func(string) string { return func(string) string { return l } }

func proofCases() []proofCase {
	signed := signedCheckpoint(treeSize, "", signers(witnesses...)...)
	proofOn := func(index int64, signed []byte) []byte {
		return torchwood.FormatProof(index, recordProof(index, treeSize), signed)
	}
	proof := func(index int64) []byte { return proofOn(index, signed) }
	flipped := recordProof(5, treeSize)
	flipped[1][0] ^= 1
	rootLine := strings.SplitN(string(signed), "\n", 4)[2]
	return []proofCase{
		newProofCase("nested-index-0", "nested", 0, leafHash(0), proof(0)),
		newProofCase("nested-index-5", "nested", 5, leafHash(5), proof(5)),
		newProofCase("nested-index-12", "nested", 12, leafHash(12), proof(12)),
		newProofCase("with-extra", "nested", 7, leafHash(7),
			torchwood.FormatProofWithExtraData(7, []byte("entry 7 was logged for you"), recordProof(7, treeSize), signed)),
		newProofCase("empty-proof-size-1", "quorum-none", 0, leafHash(0),
			torchwood.FormatProof(0, recordProof(0, 1), signedCheckpoint(1, "", logA))),
		newProofCase("extension-lines-ed25519-witnesses", "ed-quorum", 3, leafHash(3), proofOn(3, signedCheckpoint(treeSize, "extension one\nextension two\n", signers(witnesses[:3]...)...))),
		newProofCase("other-log-and-outsider-ignored", "nested", 4, leafHash(4), proofOn(4, signedCheckpoint(treeSize, "", append(signers(witnesses...), logB, outsider)...))),
		// Rejections.
		newProofCase("quorum-one-ed25519-short", "nested", 5, leafHash(5), proofOn(5, signedCheckpoint(treeSize, "", signers(witnesses[0], witnesses[4])...))),
		newProofCase("quorum-no-ml-dsa", "nested", 5, leafHash(5), proofOn(5, signedCheckpoint(treeSize, "", signers(witnesses[:3]...)...))),
		newProofCase("no-log-signature", "nested", 5, leafHash(5), proofOn(5, signedCheckpoint(treeSize, "", signers(witnesses...)[1:]...))),
		newProofCase("origin-not-the-log-name", "log-b-only", 5, leafHash(5), proofOn(5, signedCheckpoint(treeSize, "", logB))),
		newProofCase("wrong-leaf", "nested", 5, leafHash(6), proof(5)),
		newProofCase("wrong-index", "nested", 6, leafHash(5), edit(proof(5), "index", line("index 6"))),
		newProofCase("flipped-proof-hash", "nested", 5, leafHash(5), torchwood.FormatProof(5, flipped, signed)),
		newProofCase("proof-hash-missing", "nested", 5, leafHash(5), torchwood.FormatProof(5, recordProof(5, treeSize)[1:], signed)),
		newProofCase("bad-known-cosignature", "nested", 5, leafHash(5), edit(proof(5), "— w1.example ", func(l string) string { return flip(l, len(l)-10) })),
		newProofCase("tampered-root", "nested", 5, leafHash(5), edit(proof(5), rootLine, func(l string) string { return flip(l, 3) })),
		newProofCase("bad-header", "nested", 5, leafHash(5), edit(proof(5), "c2sp.org/", line("c2sp.org/tlog-proof@v2"))),
		newProofCase("index-not-a-number", "nested", 5, leafHash(5), edit(proof(5), "index", line("index five"))),
		newProofCase("hash-line-not-base64", "nested", 5, leafHash(5), edit(proof(5), "index", line("index 5\n!!"))),
		newProofCase("hash-line-short", "nested", 5, leafHash(5), edit(proof(5), "index", line("index 5\nAAAA"))),
	}
}

func main() {
	for i := int64(0); i < treeSize; i++ {
		hashes = append(hashes, check(tlog.StoredHashes(i, entry(i), reader))...)
	}
	judged := []policyCase{}
	for _, p := range policies {
		_, err := torchwood.ParsePolicy([]byte(p[1]))
		judged = append(judged, policyCase{p[0], p[1], judge(err)})
	}
	out := map[string]any{"peer": "filippo.io/torchwood v0.10.0", "policies": judged, "proofs": proofCases()}
	if err := os.WriteFile(os.Args[1], append(check(json.MarshalIndent(out, "", " ")), '\n'), 0o644); err != nil {
		log.Fatal(err)
	}
}
