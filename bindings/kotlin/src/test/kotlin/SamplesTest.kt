// SPDX-License-Identifier: Apache-2.0
// The generated Kotlin binding, loaded as a JVM application loads it: from the jar's linux-x86-64/
// resource. Every bundled sample runs through it and must give what `slog samples` expects; the
// same table then runs on 8 threads at once.

import com.sun.jna.NativeLibrary
import java.io.File
import java.util.concurrent.Callable
import java.util.concurrent.Executors
import org.junit.jupiter.api.Assertions.assertEquals
import org.junit.jupiter.api.Assertions.assertTrue
import org.junit.jupiter.api.DynamicTest
import org.junit.jupiter.api.Test
import org.junit.jupiter.api.TestFactory
import uniffi.silvantrope_log.*

val samplesDir = File(System.getProperty("samples.dir"))

// One command of a .sample file (its words, as slog reads them) and its 'expect:' lines.
class Sample(val file: File, val args: List<String>, val expect: String) {
    private val opts = args.zipWithNext().filter { it.first.startsWith("--") }.groupBy({ it.first.drop(2) }, { it.second })
    val command = args.takeWhile { !it.startsWith("--") }.joinToString(" ")
    fun has(name: String) = "--$name" in args
    fun text(name: String) = opts[name]!!.single()
    fun num(name: String, default: ULong? = null) = if (!has(name)) default!! else text(name).let { if (it.startsWith("0x")) it.drop(2).toULong(16) else it.toULong() }
    fun file(name: String) = file.resolveSibling(text(name))
    fun hex(name: String) = unhex(if (has("$name-file")) file("$name-file").readText().filterNot(Char::isWhitespace) else text(name))
    fun hexes(name: String) = opts[name].orEmpty().map(::unhex)
    fun keys(name: String) = opts[name].orEmpty() + opts["$name-file"].orEmpty().flatMap { f ->
        file.resolveSibling(f).readLines().map { it.substringBefore('#').trim() }.filter(String::isNotEmpty) }
    fun label(name: String) = if (has("$name-text")) text("$name-text").toByteArray() else hex(name)
    override fun toString() = "${file.name}: $command"
}

fun unhex(s: String) = ByteArray(s.length / 2) { s.substring(2 * it, 2 * it + 2).toInt(16).toByte() }
fun ByteArray.hex() = joinToString("") { "%02x".format(it) }

// uniffiEnsureInitialized runs the generated contract-version and checksum checks: a library that
// fails them fails every test here at load.
val samples = samplesDir.also { uniffiEnsureInitialized() }.listFiles { f -> f.extension == "sample" }!!.sorted().flatMap { file ->
    val words = file.readLines().flatMap { l -> if (l.startsWith("expect: ")) listOf(l) else l.substringBefore('#').split(Regex("\\s+")).filter(String::isNotEmpty) }
    val starts = words.indices.filter { i -> !words[i].startsWith("expect: ") && (i == 0 || words[i - 1].startsWith("expect: ")) }
    starts.zip(starts.drop(1) + words.size).map { (a, b) ->
        val args = words.subList(a, b).takeWhile { !it.startsWith("expect: ") }
        Sample(file, args, words.subList(a + args.size, b).joinToString("\n") { it.removePrefix("expect: ") })
    }
}

fun head(h: CheckpointHead) = listOf("valid", "origin: ${h.origin}", "size: ${h.size}", "root: ${h.root.hex()}") + h.extensions.map { "extension: $it" }
fun found(r: SearchResult) = if (r.present) "valid: present, value ${r.value!!.hex()}" else "valid: absent"
fun valid(call: () -> Unit) = listOf("valid").also { call() }
fun leafOf(s: Sample) = if (s.has("entry")) java.security.MessageDigest.getInstance("SHA-256").digest(byteArrayOf(0) + s.file("entry").readBytes()) else s.hex("leaf-hash")
fun Sample.word(fromEnd: Int) = file.resolveSibling(args[args.size - 1 - fromEnd])
fun tiles(dir: File, paths: List<String>) = paths.map { Tile(it, dir.resolve(it).readBytes()) }

// slog tiles audit is slog's own streaming loop over several exports; the binding runs the
// inclusion and consistency samples, which use every tlog_tiles function but the bundle one.
val inBinding = { s: Sample -> s.command != "tiles audit" }

// What slog prints for the sample's command, through the generated API.
fun run(s: Sample): String = try {
    when (s.command) {
        "inclusion" -> valid { verifyInclusion(s.num("index"), s.num("size"), s.hex("leaf"), s.hexes("proof"), s.hex("root")) }
        "consistency" -> valid { verifyConsistency(s.num("size1"), s.num("size2"), s.hexes("proof"), s.hex("root1"), s.hex("root2")) }
        "key-history canonical-bytes", "key-history entry-hash", "key-history leaf-hash" -> {
            val a = listOf(s.hex("enc-x25519"), s.hex("enc-pq"), s.hex("signing-pub"))
            val prev = if (s.has("prev")) s.hex("prev") else null
            listOf(when {
                s.command.endsWith("bytes") -> keyHistoryV1CanonicalBytes(s.num("seq"), s.num("ts-ms"), a[0], a[1], a[2], prev)
                s.command.endsWith("leaf-hash") -> keyHistoryV1Rfc6962LeafHash(s.num("seq"), s.num("ts-ms"), a[0], a[1], a[2], prev)
                s.has("context") -> keyHistoryEntryHashWithContext(s.text("context"), s.num("seq"), s.num("ts-ms"), a[0], a[1], a[2], prev)
                else -> keyHistoryV1EntryHash(s.num("seq"), s.num("ts-ms"), a[0], a[1], a[2], prev)
            }.hex())
        }
        "note" -> listOf("valid: ${verifySignedNote(s.file("note").readText(), s.keys("key"))} trusted signatures")
        "checkpoint" -> s.file("note").readText().let { note ->
            when {
                s.has("inclusion") -> checkpointVerifyInclusion(note, s.keys("key"), s.num("index"), s.hex("leaf"), s.hexes("proof"))
                    .let { head(checkpointVerify(note, s.keys("key"))) }
                s.has("consistency") -> checkpointVerifyConsistency(note, s.file("consistency").readText(), s.keys("key"), s.hexes("proof"))
                    .let { head(checkpointVerify(note, s.keys("key"))) }
                s.has("quorum") -> head(checkpointVerifyCosigned(note, s.keys("key"), s.keys("cosigner-key"), s.num("quorum").toUInt(), s.num("not-before", 0uL)))
                else -> head(checkpointVerify(note, s.keys("key")))
            }
        }
        "commitment" -> valid { verifyCommitment(s.text("context"), s.hex("commitment"), s.hex("value"), s.hex("opening")) }
        "coniks lookup" -> coniksVerifyLookup(s.text("namespace"), s.hex("vrf-public"), s.hex("root"), s.label("identity"), s.hex("proof"))
            .let { listOf(if (it.isEmpty()) "valid: empty value" else "valid: value ${it.hex()}") }
        "coniks absence" -> valid { coniksVerifyAbsence(s.text("namespace"), s.hex("vrf-public"), s.hex("root"), s.label("identity"), s.hex("proof")) }
        "policy" -> signedPolicyVerify(s.file("envelope").readBytes()).let { p ->
            listOf("valid", "namespace: ${p.namespace}", "policy_schema_version: ${p.policySchemaVersion}", "security_level: ${p.securityLevel}",
                "checkpoint_suite: ${p.checkpointSuite}", "commitment_hash: ${p.commitmentHash}", "vrf_mode: ${p.vrfMode}",
                "directory_mode: ${p.directoryMode}", "keytrans_suite: ${p.keytransSuite}", "effective_from: ${p.effectiveFrom}",
                "created_at: ${p.createdAt}", "policy_hash: ${p.policyHash.hex()}", "rfc6962_leaf_hash: ${p.rfc6962LeafHash.hex()}")
        }
        "keytrans search", "keytrans fixed", "keytrans monitor" -> {
            val c = if (s.has("context")) s.text("context") else ""; val v = s.hex("vrf-public"); val r = s.hex("root"); val l = s.label("label"); val p = s.hex("proof")
            val k = if (s.has("suite")) s.num("suite").toUShort() else null
            when (s.command) {
                "keytrans search" -> listOf(found(if (k == null) keytransVerifySearch(c, v, r, l, p) else keytransVerifySearchSuite(k, c, v, r, l, p)))
                "keytrans fixed" -> listOf(found(if (k == null) keytransVerifyFixedVersion(c, v, r, l, p) else keytransVerifyFixedVersionSuite(k, c, v, r, l, p)))
                else -> valid { if (k == null) keytransVerifyMonitor(c, v, r, l, p) else keytransVerifyMonitorSuite(k, c, v, r, l, p) }
            }
        }
        "tlog-proof" -> tlogProofVerify(s.word(0).readText(), s.file("policy").readText(), leafOf(s), s.num("not-before", 0uL)).let { p ->
            listOf("valid", "index: ${p.index}") + listOfNotNull(p.extra?.let { "extra (not signed): ${it.hex()}" }) + head(p.checkpoint.head).drop(1)  // slog's witness lines: see canonical()
        }
        "tiles inclusion" -> {
            val dir = s.word(0); val policy = s.file("policy").readText(); val note = dir.resolve("checkpoint").readText()
            val nb = s.num("not-before", 0uL)
            val paths = tlogTilesForInclusion(checkpointVerifyPolicy(note, policy, nb).head.size, s.num("index"))
            val v = tlogTilesVerifyInclusion(note, policy, s.num("index"), leafOf(s), tiles(dir, paths), nb)
            listOf("valid", "index: ${s.num("index")}") + paths.map { "tile: $it" } + head(v.head).drop(1)
        }
        "tiles consistency" -> {
            val dir = s.word(0); val policy = s.file("policy").readText(); val nb = s.num("not-before", 0uL)
            val old = checkpointVerifyPolicy(s.word(1).readText(), policy, nb).head
            val new = checkpointVerifyPolicy(dir.resolve("checkpoint").readText(), policy, nb)
            val paths = tlogTilesForConsistency(old.size, new.head.size)
            verifyConsistency(old.size, new.head.size, tlogTilesConsistencyProof(old.size, new.head.size, tiles(dir, paths)), old.root, new.head.root)
            listOf("valid", "old size: ${old.size}") + paths.map { "tile: $it" } + head(new.head).drop(1)
        }
        else -> error("$s: a command this test does not know")
    }.joinToString("\n")
} catch (e: VerifyException.Verification) {
    "invalid: ${e.message}"
}

// slog names enumeration cases as the library does (Sha3_256); Kotlin's are upper snake case (SHA3_256).
// slog also names the keys and witnesses behind a verified note or checkpoint, the leaf index and the
// newer checkpoint a proof was checked against: lines it derives with further calls, left out here.
fun canonical(out: String) = out.lines().filterNot { Regex("^(signed by|cosigned by|newer [a-z ]+|leaf index): ").containsMatchIn(it) }.joinToString("\n").replace(Regex("(?m)^((?:security_level|checkpoint_suite|commitment_hash|vrf_mode|directory_mode|keytrans_suite): )(.*)$")) {
    it.groupValues[1] + it.groupValues[2].replace("_", "").lowercase()
}

class SamplesTest {
    @Test
    fun loadsThePackedLibraryAndPassesItsLoadTimeChecks() {
        assertEquals(samplesDir.list()!!.count { it.endsWith(".sample") }, samples.map { it.file }.distinct().size)
        val loaded = NativeLibrary.getInstance("silvantrope_log").file
        assertTrue(loaded.name.startsWith("jna"), "extracted from the jar's linux-x86-64/ resource, not $loaded")
    }

    @TestFactory
    fun everySample() = samples.filter(inBinding).map { s -> DynamicTest.dynamicTest(s.toString()) { assertEquals(canonical(s.expect), canonical(run(s))) } }

    @Test
    fun eightThreadsAtOnce() {
        val pool = Executors.newFixedThreadPool(8)
        try {
            val tasks = (0 until 8).map { t -> Callable { (0 until 3).flatMap { samples.filter(inBinding).shuffled(java.util.Random(t * 3L + it)).map { s -> s to run(s) } } } }
            for ((s, out) in pool.invokeAll(tasks).flatMap { it.get() }) assertEquals(canonical(s.expect), canonical(out), s.toString())
        } finally {
            pool.shutdown()
        }
    }
}
