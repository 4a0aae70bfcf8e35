#!/bin/sh
# Builds the libFuzzer targets with clang (build/fuzz: ASan + UBSan, coverage
# instrumentation over the whole tree) and runs each for SECONDS seconds,
# seeded with the shared corpus and the regression inputs in
# tests/fuzz/regressions/<target>/. Findings land in build/fuzz/findings/.
#   scripts/fuzz.sh SECONDS [target...]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_foxpro_table fuzz_foxpro_container fuzz_paradox_table fuzz_sql_parse"}
dir="$root/build/fuzz"
shared=${TW_SHARED_DIR:-}
[ -z "$shared" ] && [ -d "$root/../shared/corpus" ] && shared="$root/../shared"
[ -z "$shared" ] && echo "fuzz.sh: no shared corpus (TW_SHARED_DIR, ../shared): seeds are the regression inputs only" >&2
cc=$(command -v clang-14 || command -v clang)
cxx=$(command -v clang++-14 || command -v clang++)

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DTW_SANITIZE=ON -DTW_FUZZ=ON -DTW_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j2 --target tw_fuzz

# Seeds: the corpus tables packed into the targets' input layout (see
# tests/fuzz/FuzzFolder.h), each table with its companion files.
seeds="$dir/seeds"
rm -rf "$seeds"
python3 - "$shared" "$seeds" <<'PY'
import os, struct, sys
shared, out = sys.argv[1], sys.argv[2]
limit = 60_000  # each file; an input is cut at -max_len (64 KB) anyway, and small inputs run fast

def pack(files):
    blob = b""
    for name, data in files:
        n = name.encode()
        blob += bytes([len(n)]) + n + struct.pack("<I", len(data)) + data
    return blob

def read(path):
    with open(path, "rb") as f:
        return f.read()[:limit]

def write(target, name, blob):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(blob)

def companions(folder, base, exts):
    found = []
    for entry in sorted(os.listdir(folder)):
        stem, ext = os.path.splitext(entry)
        if stem.lower() == base.lower() and ext.lower() in exts:
            found.append((entry, read(os.path.join(folder, entry))))
    return found

corpus = os.path.join(shared, "corpus") if shared else ""
if corpus and os.path.isdir(corpus):
    for sub in ("free", "foxprodb"):
        folder = os.path.join(corpus, "foxpro", sub)
        for entry in sorted(os.listdir(folder)):
            stem, ext = os.path.splitext(entry)
            if ext.lower() == ".dbf":
                write("fuzz_foxpro_table", sub + "-" + stem, pack(companions(folder, stem, (".dbf", ".fpt"))))
    folder = os.path.join(corpus, "foxpro", "foxprodb")
    names = sorted(os.listdir(folder))
    dbc = [e for e in names if os.path.splitext(e)[1].lower() in (".dbc", ".dct", ".dcx")]
    base = [(e, read(os.path.join(folder, e))) for e in dbc]
    write("fuzz_foxpro_container", "container-only", pack(base))
    for entry in names:
        stem, ext = os.path.splitext(entry)
        if ext.lower() == ".dbf":
            write("fuzz_foxpro_container", "container-" + stem,
                  pack(base + companions(folder, stem, (".dbf", ".fpt"))))
    folder = os.path.join(corpus, "paradox")
    for entry in sorted(os.listdir(folder)):
        stem, ext = os.path.splitext(entry)
        if ext.lower() == ".db":
            files = companions(folder, stem, (".db", ".mb"))
            write("fuzz_paradox_table", stem, pack(files))
            # Damaged forms of each table, so that the reader's paths for
            # damage start covered: cut inside its data, its first block
            # looping onto itself or claiming more records than it holds,
            # a blob file cut after its header block.
            db = files[0][1]
            if len(db) < 0x80:
                continue
            header, block = struct.unpack_from("<H", db, 2)[0], db[5] * 1024
            first = header if len(db) >= header + 6 else None
            def variant(tag, data, mb=None):
                rest = [(n, mb if mb is not None else d) for n, d in files[1:]]
                write("fuzz_paradox_table", stem + "-" + tag, pack([(files[0][0], data)] + rest))
            variant("cut", db[:header + block // 2 + 3])
            if first is not None:
                variant("loop", db[:first] + struct.pack("<H", 1) + db[first + 2:])
                variant("count", db[:first + 4] + struct.pack("<h", 0x7FF0) + db[first + 6:])
            if len(files) > 1:
                variant("mbcut", db, files[1][1][:4096 + 100])
statements = [
    "SELECT * FROM `orders`", 'SELECT * FROM "a b"', "SELECT * INTO [x] FROM [y]",
    "DROP TABLE orders", "DROP TABLE `a``b`;",
    "CREATE TABLE t (a C(10), b N(12,2), c M, d DATE, e DATETIME, f L, g INTEGER, h DOUBLE)",
    "INSERT INTO t VALUES ('x''y', -12.5e3, NULL, '2024-01-31', 1)",
    "INSERT INTO [c:\\data\\t.dbf] (a, b) VALUES ('\u00e9', 2)",
]
for i, s in enumerate(statements):
    write("fuzz_sql_parse", "statement-%d" % i, s.encode())
PY

# Keep ASan's own memory from counting against the RSS limit: a small
# quarantine (use-after-free is still caught within it), freed pages handed
# back to the system, shorter allocation stacks in its depot.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16:allocator_release_to_os_interval_ms=500:malloc_context_size=8"
status=0
for t in $targets; do
  mkdir -p "$seeds/$t" "$dir/findings/$t" "$dir/work/$t"
  regressions="$root/tests/fuzz/regressions/$t"
  [ -d "$regressions" ] || regressions=""
  echo "== $t: $seconds s"
  # The working corpus starts empty each run; the seeds and regressions are read-only inputs.
  rm -rf "$dir/work/$t" && mkdir -p "$dir/work/$t"
  if ! "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=256 -malloc_limit_mb=256 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$dir/findings/$t/" \
      "$dir/work/$t" "$seeds/$t" $regressions >"$dir/$t.log" 2>&1; then
    echo "$t: finding (see $dir/$t.log and $dir/findings/$t/)"
    tail -40 "$dir/$t.log"
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$dir/$t.log" || true
done
exit $status
