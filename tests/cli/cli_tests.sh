#!/usr/bin/env bash
# Drives tabulora-cli as a user would and checks its output bytes, files and exit codes.
# Usage: cli_tests.sh CLI [RUNNER...]   e.g. cli_tests.sh build/native/bin/tabulora-cli
#                                          cli_tests.sh build/win64/bin/tabulora-cli.exe scripts/wine-run
set -uo pipefail
cli=$1
shift
runner=("$@")
work=$(mktemp -d /tmp/tabulora-cli-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# Paths handed to the CLI: Windows paths under Wine (Z: maps the Unix root).
arg_path() { if [ ${#runner[@]} -gt 0 ]; then printf 'Z:%s' "${1//\//\\}"; else printf '%s' "$1"; fi; }
run() { "${runner[@]}" "$cli" "$@" >"$work/stdout" 2>"$work/stderr"; status=$?; }
run_with_input() {   # run_with_input FILE ARGS...: standard input from FILE
  local input=$1
  shift
  "${runner[@]}" "$cli" "$@" <"$input" >"$work/stdout" 2>"$work/stderr"
  status=$?
}
native() { [ ${#runner[@]} -eq 0 ]; }

# Under Wine one server stays up for the whole run: a client that connects while an idle server
# is shutting down loses its connection ("recvmsg: Connection reset by peer") and prints nothing.
if ! native; then
  export WINEPREFIX="${WINEPREFIX:-/tmp/tabulora-wine-$(id -u)}"
  "${runner[@]}" "$cli" --version >/dev/null 2>&1   # makes the prefix
  wineserver -w
  wineserver -p
  trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fi
check() {   # check NAME ACTUAL EXPECTED
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n  stderr:   %s\n' "$1" "$3" "$2" "$(cat "$work/stderr")"
  fi
}
crlf() { printf '%s\r\n' "$@"; }   # one CR LF ended line per argument

mkdir -p "$work/in/a" "$work/in/b" "$work/out"
printf '[{"id":1,"name":"x; y","t":"12:30"},{"id":2,"name":"say \\"hi\\""}]' >"$work/in/a/data.json"
printf '[{"id":3,"extra":true}]\n[{"id":4}]\n' >"$work/in/b/data.json"
printf '[{"n":"caf\xe9"}]' >"$work/in/ansi.json"
: >"$work/in/empty.json"
A=$(arg_path "$work/in/a/data.json")
B=$(arg_path "$work/in/b/data.json")

run "$A"
check "stdout conversion" "$(cat -v "$work/stdout")" "$(crlf 'id,name,t' '1,x; y,12:30' '2,"say ""hi""",' | cat -v)"
check "stdout status" "$status" 0

run --separator ';' --no-header "$A" "$B"
check "separator, no header, joined files" "$(cat -v "$work/stdout")" \
  "$(crlf '1;"x; y";12:30;' '2;"say ""hi""";;' '3;;;true' '4;;;' | cat -v)"

for tab in tab '\t'; do
  run --separator "$tab" "$B"
  check "tab separator ($tab)" "$(cat -v "$work/stdout")" "$(printf 'id\textra\r\n3\ttrue\r\n4\t\r\n' | cat -v)"
done
run --separator '' "$B"
check "empty separator" "$(cat -v "$work/stdout")" "$(crlf 'idextra' '3true' '4' | cat -v)"

run -o "$(arg_path "$work/out/one.csv")" "$A"
check "-o writes the file" "$(cat -v "$work/out/one.csv")" "$(crlf 'id,name,t' '1,x; y,12:30' '2,"say ""hi""",' | cat -v)"
check "-o prints nothing" "$(cat "$work/stdout")" ""

run --output-dir "$(arg_path "$work/out")" "$A" "$B"
run --output-dir "$(arg_path "$work/out")" "$A" "$B"
check "--output-dir names" "$(cd "$work/out" && ls | tr '\n' ' ')" "data (2).csv data (3).csv data (4).csv data.csv one.csv "
check "--output-dir second input" "$(cat -v "$work/out/data (2).csv")" "$(crlf 'id,extra' '3,true' '4,' | cat -v)"

run --encoding ansi "$(arg_path "$work/in/ansi.json")"
check "ansi in and out" "$(od -An -c "$work/stdout" | tr -s ' ')" "$(crlf n 'caf'$'\xe9' | od -An -c | tr -s ' ')"
run "$(arg_path "$work/in/ansi.json")"
check "ansi bytes are not UTF-8" "$status" 1
check "ansi bytes are not UTF-8: message" "$(grep -c 'No mapping for the Unicode character' "$work/stderr")" 1

run "$(arg_path "$work/in/missing.json")" "$A"
check "missing input: status" "$status" 1
check "missing input: others converted" "$(head -c 9 "$work/stdout")" "id,name,t"
check "missing input: one line naming it" "$(grep -c 'missing.json' "$work/stderr")" 1

run "$(arg_path "$work/in/empty.json")"
check "only empty input: status" "$status" 1
check "only empty input: no output" "$(cat "$work/stdout")" ""

run -o "$(arg_path "$work/no-such-folder/x.csv")" "$A"
check "unwritable output: status" "$status" 1
check "unwritable output: message" "$(grep -c '^tabulora-cli: Cannot create file ".*x.csv"\. ' "$work/stderr")" 1
check "unwritable output: nothing left" "$(ls "$work" | tr '\n' ' ')" "in out stderr stdout "

for usage in "" "--bogus $A" "--separator ab $A" "--encoding latin1 $A" "-o x --output-dir y $A" "--separator" \
  "--output= $A" "--output-dir= $A" "--no-header=yes $A"; do
  # shellcheck disable=SC2086
  run $usage
  check "usage error '$usage'" "$status" 2
done
run -o "" "$A"
check "usage error -o ''" "$status:$(cat "$work/stdout")" "2:"
if native; then   # Windows hands the arguments over as UTF-16, always valid
  run --separator $'\xff' "$A"
  check "separator not UTF-8" "$status:$(grep -c 'not valid UTF-8' "$work/stderr")" "2:1"
fi
long=$(printf 'x%.0s' $(seq 200))
run "--$long" "$A"
check "usage error quotes 80 characters" "$status:$(grep -c "'--x\{78\}\.\.\.'" "$work/stderr"):$(grep -c 'x\{81\}' "$work/stderr")" "2:1:0"

# Standard input, alone or among files.
printf '[{"id":9}]' >"$work/in/stdin.json"
run_with_input "$work/in/stdin.json" -
check "stdin" "$(cat -v "$work/stdout")" "$(crlf id 9 | cat -v)"
run_with_input "$work/in/stdin.json" --no-header "$B" -
check "stdin among files" "$(cat -v "$work/stdout")" "$(crlf '3,true' '4,' '9,' | cat -v)"
mkdir -p "$work/each"
run_with_input "$work/in/stdin.json" --output-dir "$(arg_path "$work/each")" -
check "stdin into a folder" "$(cd "$work/each" && ls)" "stdin.csv"

# JSON that cannot be read ends its file with a warning naming the place; the status stays 0.
printf '{"a":1}\n{"a":2}\n\tjunk\n{"a":3}\n' >"$work/in/junk.jsonl"
run "$(arg_path "$work/in/junk.jsonl")"
check "reading stopped: rows before" "$(cat -v "$work/stdout")" "$(crlf a 1 2 | cat -v)"
check "reading stopped: warning" "$status:$(tr -d '\r' <"$work/stderr" | grep -c '^tabulora-cli: warning: .*junk.jsonl: reading stopped at line 3, column 2, unreadable JSON: \\tjunk$')" "0:1"

# Top-level literals among JSON Lines records, and a member whose colon ends the file.
printf '{"a":1}\nnull\ntrue\n{"a":3,"b":' >"$work/in/literals.jsonl"
run "$(arg_path "$work/in/literals.jsonl")"
check "top-level literals and a final colon" "$(cat -v "$work/stdout")" "$(crlf a,b 1, 3,null | cat -v)"

# Odd-length UTF-16 cannot be read.
printf '\xff\xfe[\x00]' >"$work/in/odd16.json"
run "$(arg_path "$work/in/odd16.json")" "$A"
check "odd UTF-16: status" "$status" 1
check "odd UTF-16: message" "$(grep -c 'odd16.json: No mapping for the Unicode character' "$work/stderr")" 1

# After the error of the only input, no second line says that nothing was written.
run "$(arg_path "$work/in/missing.json")"
check "only input missing: one message" "$status:$(wc -l <"$work/stderr")" "1:1"

# A folder taking an output's name does not stop the others.
mkdir -p "$work/taken/data.csv"
run --output-dir "$(arg_path "$work/taken")" "$A" "$(arg_path "$work/in/ansi.json")" "$B"
check "folder named data.csv" "$status:$(cd "$work/taken" && ls | tr '\n' ' ')" "1:data (2).csv data (3).csv data.csv "

# Replacing an output respects it.
printf 'old' >"$work/out/readonly.csv"
chmod 0444 "$work/out/readonly.csv"
if native; then
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 0777 "$work/out" && chmod 0755 "$work" "$work/in" "$work/in/a"
  fi
  if "${as_user[@]}" true 2>/dev/null; then
    "${as_user[@]}" "$cli" -o "$work/out/readonly.csv" "$A" >"$work/stdout" 2>"$work/stderr"
    status=$?
    check "read-only target: refused" "$status:$(grep -c 'Cannot create file ".*readonly.csv"\. Permission denied' "$work/stderr")" "1:1"
    check "read-only target: unchanged" "$(cat "$work/out/readonly.csv")" "old"
    "${as_user[@]}" sh -c "printf old >'$work/out/private.csv' && chmod 0600 '$work/out/private.csv'"
    "${as_user[@]}" "$cli" -o "$work/out/private.csv" "$A" >"$work/stdout" 2>"$work/stderr"
    check "private target keeps its permissions" "$?:$(stat -c %a "$work/out/private.csv"):$(head -c 9 "$work/out/private.csv")" "0:600:id,name,t"
  else
    echo "skip: no unprivileged user to check the permission cases with"
  fi
  ln -s one.csv "$work/out/link.csv"
  run -o "$work/out/link.csv" "$B"
  check "symbolic link: still a link" "$status:$(readlink "$work/out/link.csv")" "0:one.csv"
  check "symbolic link: written through" "$(head -c 8 "$work/out/one.csv")" "id,extra"
  chmod 0755 "$work/out"
else
  run -o "$(arg_path "$work/out/readonly.csv")" "$A"
  # The system's own text ("Access is denied." on Windows, "Access denied." under Wine).
  check "read-only target: refused" "$status:$(grep -c 'Cannot create file ".*readonly.csv"\. Access.*denied' "$work/stderr")" "1:1"
  check "read-only target: unchanged" "$(cat "$work/out/readonly.csv")" "old"
fi
chmod 0644 "$work/out/readonly.csv"

# When the temporary output cannot be made or written, the message gives the system's reason:
# the C library's natively, the Win32 error's on Windows ("Access is denied." and "There is not
# enough space on the disk." there, "Access denied." and "Disk full." under Wine). Under Wine the
# server opens the files, so these runs get a prefix and a server of their own, started under the
# run's conditions.
alone=()
if ! native; then
  alone=(env WINEPREFIX="$work/wine")
  "${alone[@]}" "${runner[@]}" "$cli" --version >/dev/null 2>&1   # makes the prefix
fi
let_server_go() { if ! native; then "${alone[@]}" wineserver -w; fi; }
reason() { tr -d '\r' <"$work/stderr" | grep -c "^tabulora-cli: Cannot create file \".*$1\"\. $2\$"; }

# A folder the user may not write; root may, unless it gives up that right.
mkdir -p "$work/locked"
chmod 0555 "$work/locked"
limited=()
[ "$(id -u)" -ne 0 ] || limited=(setpriv --inh-caps=-all --bounding-set=-dac_override,-dac_read_search,-fowner)
if "${limited[@]}" true 2>/dev/null; then
  let_server_go
  "${alone[@]}" "${limited[@]}" "${runner[@]}" "$cli" -o "$(arg_path "$work/locked/x.csv")" "$A" \
    >"$work/stdout" 2>"$work/stderr"
  status=$?
  if native; then
    check "read-only folder: the C library's reason" "$status:$(reason x.csv 'Permission denied')" "1:1"
  else
    check "read-only folder: the system's reason" "$status:$(reason x.csv 'Access.*denied\.')" "1:1"
  fi
  check "read-only folder: nothing left in it" "$(ls -A "$work/locked")" ""
  let_server_go
else
  echo "skip: cannot give up the right to write any folder"
fi
chmod 0755 "$work/locked"

# A full disk: a small file system of its own (root only), seen by this run alone.
{ printf '['; seq -f '{"n":%g,"s":"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},' 1 3000; printf '{"n":0}]'; } \
  >"$work/in/big.json"
mkdir -p "$work/full"
let_server_go
# shellcheck disable=SC2016
"${alone[@]}" unshare -m sh -c 'mount -t tmpfs -o size=64k tabulora-full "$1" 2>/dev/null || exit 125
  folder=$1 left=$2; shift 2; "$@"; status=$?
  ls -A "$folder" >"$left"; [ -z "${WINEPREFIX:-}" ] || wineserver -w; exit $status' \
  sh "$work/full" "$work/full-left" "${runner[@]}" "$cli" -o "$(arg_path "$work/full/x.csv")" \
  "$(arg_path "$work/in/big.json")" >"$work/stdout" 2>"$work/stderr"
status=$?
if [ "$status" -eq 125 ] || [ ! -e "$work/full-left" ]; then
  echo "skip: cannot mount a small file system (needs root and mount namespaces)"
elif native; then
  check "full disk: the C library's reason" "$status:$(reason x.csv 'No space left on device')" "1:1"
  check "full disk: nothing left" "$(cat "$work/full-left")" ""
else
  check "full disk: the system's reason" \
    "$status:$(reason x.csv '\(There is not enough space on the disk\|Disk full\)\.')" "1:1"
  check "full disk: nothing left" "$(cat "$work/full-left")" ""
fi

# A CSV per input on a disk that fills at the second of three: the first stays, and one line names
# the inputs not converted.
if native && [ -e "$work/full-left" ]; then
  printf '[{"a":1}]' >"$work/in/small.json"
  # shellcheck disable=SC2016
  unshare -m sh -c 'mount -t tmpfs -o size=64k tabulora-full "$1" || exit 125; folder=$1; shift
    "$@"; status=$?; ls -A "$folder" >&2; exit $status' sh "$work/full" \
    "$cli" "$work/in/small.json" "$work/in/big.json" "$work/in/a/data.json" --output-dir "$work/full" \
    >"$work/stdout" 2>"$work/stderr"
  check "full disk, a CSV per input: what was not converted" \
    "$?:$(grep -c "^tabulora-cli: not converted: $work/in/big.json, $work/in/a/data.json\$" "$work/stderr"):$(tail -1 "$work/stderr")" \
    "1:1:small.csv"
fi

# A progress line on a terminal once the work takes a while; none with --quiet or off a terminal.
if native && command -v script >/dev/null; then
  slow="(sleep 1; printf '{\"a\":1}') | '$cli'"
  script -qec "$slow - -o '$work/out/slow.csv'" /dev/null >"$work/tty" 2>&1
  check "progress on a terminal" "$(grep -c 'MB/s' "$work/tty")" 1
  script -qec "$slow --quiet - -o '$work/out/slow.csv'" /dev/null >"$work/tty" 2>&1
  check "no progress with --quiet" "$(grep -c 'MB/s' "$work/tty")" 0
  (sleep 1; printf '{"a":1}') | "$cli" - -o "$work/out/slow.csv" 2>"$work/stderr"
  check "no progress off a terminal" "$(wc -c <"$work/stderr")" 0
fi

# An output that is one of the inputs, however it is spelled, is refused before anything is read;
# the input stays as it was.
mkdir -p "$work/same"
printf '[{"a":1}]' >"$work/same/d.json"
ln -f "$work/same/d.json" "$work/same/hard.json"
ln -sf d.json "$work/same/link.json"
for spelling in d.json ./d.json hard.json link.json; do
  run "$(arg_path "$work/same/d.json")" -o "$(arg_path "$work/same/$spelling")"
  check "-o names the input ($spelling)" \
    "$status:$(grep -c 'is the input .*which would be lost' "$work/stderr"):$(cat "$work/same/d.json")" '2:1:[{"a":1}]'
done
run --skip-bad-lines "$(arg_path "$work/same/d.json")" --rejects "$(arg_path "$work/same/hard.json")"
check "--rejects names the input" "$status:$(cat "$work/same/d.json")" '2:[{"a":1}]'

# An interrupt cancels: the conventional exit code, a line saying so, the old target as it was and
# no file left beside it or in the temporary folder. Wine hands SIGINT to the program as Ctrl+C.
mkdir -p "$work/stop" "$work/stop-tmp"
printf 'old' >"$work/stop/out.csv"
# (Under Wine the temporary folder is the prefix's own; Wine keeps files of its own in TMPDIR.)
if native; then
  signals=(INT:130 TERM:143 HUP:129) started=1 temp_folder=(env TMPDIR="$work/stop-tmp")
else
  signals=(INT:130) started=4 temp_folder=()
fi
for signal in "${signals[@]}"; do
  (printf '['; while :; do printf '{"a":1,"b":"%s"},' "$RANDOM"; done) 2>/dev/null |
    "${temp_folder[@]}" "${runner[@]}" "$cli" - -o "$(arg_path "$work/stop/out.csv")" 2>"$work/stderr" &
  pid=$!
  sleep "$started"
  kill -"${signal%:*}" "$pid"
  wait "$pid"
  status=$?
  check "SIG${signal%:*} cancels" \
    "$status:$(tr -d '\r' <"$work/stderr" | grep -c '^tabulora-cli: interrupted'):$(ls -A "$work/stop" "$work/stop-tmp" | tr '\n' ' '):$(cat "$work/stop/out.csv")" \
    "${signal#*:}:1:$work/stop: out.csv  $work/stop-tmp: :old"
done
# Killed, it leaves nothing either (its files had no name yet, or on Windows went with their
# last handle), and the next run goes through.
(printf '['; while :; do printf '{"a":1,"b":"%s"},' "$RANDOM"; done) 2>/dev/null |
  "${temp_folder[@]}" "${runner[@]}" "$cli" - -o "$(arg_path "$work/stop/out.csv")" 2>"$work/stderr" &
pid=$!
sleep "$started"
kill -KILL "$pid"
{ wait "$pid"; } 2>/dev/null
status=$?
# (Under Wine the server closes a killed program's files a moment after it is gone.)
for _ in $(seq 50); do [ "$(ls -A "$work/stop")" = out.csv ] && break; sleep 0.1; done
check "SIGKILL leaves nothing" "$status:$(ls -A "$work/stop" "$work/stop-tmp" | tr '\n' ' '):$(cat "$work/stop/out.csv")" \
  "137:$work/stop: out.csv  $work/stop-tmp: :old"
run "$A" -o "$(arg_path "$work/stop/out.csv")"
check "the run after a kill" "$status:$(ls -A "$work/stop" | tr '\n' ' '):$(head -1 "$work/stop/out.csv" | tr -d '\r')" \
  "0:out.csv :id,name,t"

# The whole file is on the disk before it takes the target's name, and the folder after it.
if native && command -v strace >/dev/null && strace -f -o /dev/null true 2>/dev/null; then
  strace -f -e trace=fsync,rename,renameat,renameat2 -o "$work/trace" "$cli" "$A" -o "$work/out/synced.csv" 2>/dev/null
  check "flushed before the rename" \
    "$(grep -oE '^[0-9]+ +(fsync|rename[a-z0-9]*)\(' "$work/trace" | awk '{print $2}' | tr -d '(' | tr '\n' ' ')" \
    "fsync rename fsync "
fi

# The options: nested values kept, a byte-order mark, formulas guarded.
mkdir -p "$work/opts"
printf '[{"id":1,"user":{"name":"x","age":3},"tags":["a","b"]},{"id":2,"user":{"name":"y"},"tags":[]}]' >"$work/in/nested.json"
run --flatten "$(arg_path "$work/in/nested.json")"
check "--flatten" "$(cat -v "$work/stdout")" "$(crlf 'id,user.name,user.age,tags' '1,x,3,"[""a"",""b""]"' '2,y,,[]' | cat -v)"
run "$(arg_path "$work/in/nested.json")"
check "without --flatten" "$(cat -v "$work/stdout")" "$(crlf id,tags 1, 2,[] | cat -v)"
run --bom "$A"
check "--bom on standard output" "$(od -An -tx1 -N 5 "$work/stdout" | tr -d ' ')" "efbbbf6964"
run --bom -o "$(arg_path "$work/opts/bom.csv")" "$A"
check "--bom in a file" "$(od -An -tx1 -N 5 "$work/opts/bom.csv" | tr -d ' ')" "efbbbf6964"
run --bom --output-dir "$(arg_path "$work/opts")" "$B"
check "--bom in each file" "$(od -An -tx1 -N 5 "$work/opts/data.csv" | tr -d ' ')" "efbbbf6964"
run --bom --encoding ansi "$(arg_path "$work/in/ansi.json")"
check "--bom ignored for ANSI" "$(od -An -c "$work/stdout" | tr -s ' ')" "$(crlf n 'caf'$'\xe9' | od -An -c | tr -s ' ')"
printf '[{"a":"=1+2","b":-5,"c":"-x","d":"@SUM(A1)","=e":1}]' >"$work/in/formulas.json"
run --formula-guard "$(arg_path "$work/in/formulas.json")"
check "--formula-guard" "$(cat -v "$work/stdout")" "$(crlf "a,b,c,d,'=e" "'=1+2,-5,'-x,'@SUM(A1),1" | cat -v)"
run "$(arg_path "$work/in/formulas.json")"
check "without --formula-guard" "$(cat -v "$work/stdout")" "$(crlf 'a,b,c,d,=e' '=1+2,-5,-x,@SUM(A1),1' | cat -v)"
run --flatten --bom --formula-guard --separator ';' --no-header "$(arg_path "$work/in/nested.json")"
check "all options together" "$(cat -v "$work/stdout")" "$({ printf '\xef\xbb\xbf'; crlf '1;x;3;"[""a"",""b""]"' '2;y;;[]'; } | cat -v)"
for flag in --flatten --bom --formula-guard; do
  run "$flag=1" "$A"
  check "usage error $flag=1" "$status" 2
done

# Shaping the table.
printf '{"meta":{"page":1},"data":[{"id":1,"tags":["x","y"],"items":[{"sku":"p"},{"sku":"q"}]},{"id":2,"items":[]}]}' >"$work/in/page.json"
P=$(arg_path "$work/in/page.json")
run --records data --explode items --join ";" --columns 'id,items.sku,tags,e\,mail' --rename items.sku=sku "$P"
check "shaped: rows" "$(cat -v "$work/stdout")" "$(crlf 'id,sku,tags,"e,mail"' '1,p,x;y,' '1,q,x;y,' '2,,,' | cat -v)"
check "shaped: warning" "$status:$(tr -d '\r' <"$work/stderr")" '0:tabulora-cli: warning: the column "e,mail" never appears; it is written empty'
run --records data.nothing "$P"
check "records path reaching nothing" "$status:$(grep -c 'warning: .*page.json: nothing at the records path "data.nothing"' "$work/stderr")" "0:1"
run --records data --rename id=tags --flatten "$P"
check "rename clash" "$status:$(cat "$work/stdout"):$(grep -c 'two columns would both be called "tags"' "$work/stderr")" "1::1"
run --schema --records data --explode items "$P"
check "--schema" "$(cat -v "$work/stdout")" "$(crlf 'column,filled,types' 'id,3,number' 'tags,2,array' 'items.sku,2,string' | cat -v)"
for usage in "--schema -o x $P" "--schema=1 $P" "--records $P" "--records= $P" "--records a..b $P" "--explode items $P" "--records d --explode a --explode a.b $P" \
  "--columns a,,b $P" "--columns= $P" "--rename ab $P" "--rename a=b=c $P" "--rename =b $P" "--join" \
  "--records d --rename a=x --rename b=x $P"; do
  # shellcheck disable=SC2086
  run $usage
  check "usage error '$usage'" "$status" 2
done

# JSON Lines with bad lines skipped.
printf '{"id":1}\r\n{"id":2,}\r\n\n{"id":3}\n{id:4}\n{"id":5}\n[\n{"id":6} x\n{"id":7}\n\x27x\x27' >"$work/in/bad.jsonl"
L=$(arg_path "$work/in/bad.jsonl")
run --skip-bad-lines --rejects "$(arg_path "$work/out/rejects.jsonl")" "$L"
check "--skip-bad-lines: rows of the good lines" "$status:$(cat -v "$work/stdout")" "0:$(crlf id 1 3 5 7 | cat -v)"
check "--skip-bad-lines: warning" "$(tr -d '\r' <"$work/stderr")" \
  "tabulora-cli: warning: $L: 5 bad lines skipped (lines 2, 5, 7, 8, 10)"
check "--rejects: the bad lines as they were" "$(od -An -c "$work/out/rejects.jsonl" | tr -s ' ')" \
  "$(printf '{"id":2,}\r\n{id:4}\n[\n{"id":6} x\n\x27x\x27' | od -An -c | tr -s ' ')"
printf 'x\nx\nx\nx\nx\nx\n{"a":1}\n' >"$work/in/six.jsonl"
run --skip-bad-lines "$(arg_path "$work/in/six.jsonl")"
check "--skip-bad-lines: the first five lines named" \
  "$status:$(tr -d '\r' <"$work/stderr" | grep -c ': 6 bad lines skipped (lines 1, 2, 3, 4, 5, \.\.\.)$')" "0:1"
run "$L"
check "without --skip-bad-lines the reading stops" \
  "$status:$(tr -d '\r' <"$work/stdout" | tr '\n' ' '):$(grep -c 'reading stopped at line 2,' "$work/stderr")" "0:id 1 2 :1"
run --skip-bad-lines --rejects "$(arg_path "$work/no-such-folder/r.jsonl")" "$L"
check "--rejects unwritable: status" "$status:$(cat "$work/stdout")" "1:"
check "--rejects unwritable: message" "$(grep -c '^tabulora-cli: Cannot create file ".*r.jsonl"\. ' "$work/stderr")" 1
for usage in "--rejects $work/out/r.jsonl $L" "--skip-bad-lines --rejects= $L" "--skip-bad-lines --rejects" \
  "--skip-bad-lines=1 $L"; do
  # shellcheck disable=SC2086
  run $usage
  check "usage error '$usage'" "$status" 2
done
run --skip-bad-lines --rejects "" "$L"
check "usage error --rejects ''" "$status:$(grep -c 'option --rejects needs a file name' "$work/stderr")" "2:1"
run --rejects "$(arg_path "$work/out/r.jsonl")" "$L"
check "--rejects alone: message" "$status:$(grep -c -- '--rejects needs --skip-bad-lines' "$work/stderr")" "2:1"
check "usage errors write no rejects file" "$(ls "$work/out" | grep -c '^r\.jsonl')" 0

# Recipes: the settings from a file, the command line over them, and saved back.
mkdir -p "$work/recipes"
R=$work/recipes
printf '{"tabulora-recipe": 1, "records": "data", "explode": ["items"], "join": ";",\n "columns": ["id", "items.sku", "tags"], "rename": {"items.sku": "sku"}, "separator": ";"}\n' >"$R/shape.json"
run --recipe "$(arg_path "$R/shape.json")" "$P"
check "--recipe: the recipe's settings" "$status:$(cat -v "$work/stdout")" "0:$(crlf 'id;sku;tags' '1;p;"x;y"' '1;q;"x;y"' '2;;' | cat -v)"
run --recipe "$(arg_path "$R/shape.json")" --separator , --explode tags --rename id=key "$P"
check "--recipe: the command line wins, lists whole" "$(cat -v "$work/stdout")" \
  "$(crlf 'key,items.sku,tags' '1,,x' '1,,y' '2,,' | cat -v)"
printf '{"tabulora-recipe": 1, "header": false, "flatten": true, "bom": true, "formulaGuard": true, "separator": "\\t"}' >"$R/flags.json"
run --recipe "$(arg_path "$R/flags.json")" "$(arg_path "$work/in/formulas.json")"
check "--recipe: flags on" "$(cat -v "$work/stdout")" "$({ printf '\xef\xbb\xbf'; printf "'=1+2\t-5\t'-x\t'@SUM(A1)\t1\r\n"; } | cat -v)"
run --recipe "$(arg_path "$R/flags.json")" --header --no-flatten --no-bom --no-formula-guard "$(arg_path "$work/in/nested.json")"
check "--recipe: flags turned off from the command line" "$(cat -v "$work/stdout")" "$(printf 'id\ttags\r\n1\t\r\n2\t[]\r\n' | cat -v)"
printf '{"tabulora-recipe": 1, "skipBadLines": true}' >"$R/lines.json"
run --recipe "$(arg_path "$R/lines.json")" "$L"
check "--recipe: skipping bad lines" "$status:$(tr -d '\r' <"$work/stdout" | tr '\n' ' ')" "0:id 1 3 5 7 "
run --recipe "$(arg_path "$R/lines.json")" --no-skip-bad-lines "$L"
check "--no-skip-bad-lines" "$status:$(tr -d '\r' <"$work/stdout" | tr '\n' ' ')" "0:id 1 2 "

# Saved, then loaded: the same CSV, and saving again the same file. Names with dots are kept.
printf '{"x.y":[{"id":1,"t":["p","q"],"u":{"v":1}},{"id":2,"t":[]}]}' >"$work/in/dotted.json"
D=$(arg_path "$work/in/dotted.json")
shaping=(--records 'x\.y' --explode t --columns 'id,t,u.v,e\,mail' --rename 't=a\=b' --join / --separator tab --encoding ansi --formula-guard)
run "${shaping[@]}" "$D"
direct=$(cat -v "$work/stdout")
check "round trip: the command line's CSV" "$direct" "$(printf 'id\ta=b\tu.v\te,mail\r\n1\tp\t1\t\r\n1\tq\t1\t\r\n2\t\t\t\r\n' | cat -v)"
run "${shaping[@]}" --save-recipe "$(arg_path "$R/saved.json")"
check "--save-recipe: converts nothing" "$status:$(cat "$work/stdout")$(cat "$work/stderr")" "0:"
check "--save-recipe: a dotted name as an array of names" "$(grep -c '"records": \["x.y"\],$' "$R/saved.json")" 1
run --recipe "$(arg_path "$R/saved.json")" "$D"
check "round trip: the recipe's CSV" "$(cat -v "$work/stdout")" "$direct"
run --recipe "$(arg_path "$R/saved.json")" --save-recipe "$(arg_path "$R/again.json")"
check "round trip: saved again, the same file" "$status:$(cmp "$R/saved.json" "$R/again.json" && echo same)" "0:same"
printf 'old' >"$R/replaced.json"
run --recipe "$(arg_path "$R/shape.json")" --columns id --save-recipe "$(arg_path "$R/replaced.json")"
check "--save-recipe: the merged settings replace the file" \
  "$status:$(grep -c '"columns": \["id"\],$' "$R/replaced.json"):$(grep -c '"records": "data",$' "$R/replaced.json")" "0:1:1"
run --records data --save-recipe "$(arg_path "$work/no-such-folder/r.json")"
check "--save-recipe unwritable" "$status:$(grep -c '^tabulora-cli: Cannot create file ".*r.json"\. ' "$work/stderr")" "1:1"

# A recipe that cannot be used is a usage error naming the file and the key.
recipe_error() {   # recipe_error NAME RECIPE-TEXT EXPECTED-PATTERN
  printf '%s' "$2" >"$R/bad.json"
  run --recipe "$(arg_path "$R/bad.json")" "$P"
  check "recipe error: $1" "$status:$(cat "$work/stdout"):$(tr -d '\r' <"$work/stderr" | grep -c "^tabulora-cli: .*bad.json: $3")" "2::1"
}
recipe_error "bad JSON" $'{"tabulora-recipe": 1,\n "join": ";",,}' 'not valid JSON at line 2, column 14, expected a name in double quotes:  "join": ";",,}$'
recipe_error "wrong version" '{"tabulora-recipe": 2, "records": "data"}' 'line 1, column 21: the recipe.s version "tabulora-recipe" is 2; this program reads version 1$'
recipe_error "no version" '{"records": "data"}' 'not a recipe: the key "tabulora-recipe" (the recipe.s version, 1) is missing$'
recipe_error "unknown key" '{"tabulora-recipe": 1, "record": "data"}' 'line 1, column 24: unknown key "record" (a recipe knows header, '
recipe_error "wrong type" '{"tabulora-recipe": 1, "explode": "items"}' 'line 1, column 35: "explode" must be an array of paths, not text$'
recipe_error "not an object" '"data"' 'line 1, column 1: a recipe is one JSON object'
run --recipe "$(arg_path "$R/missing.json")" "$P"
check "recipe error: missing file" "$status:$(grep -c '^tabulora-cli: cannot read the recipe .*missing.json: ' "$work/stderr")" "2:1"
printf '{"tabulora-recipe": 1, "explode": ["items"]}' >"$R/explode-only.json"
run --recipe "$(arg_path "$R/explode-only.json")" "$P"
check "recipe error: a shape that needs the command line" "$status:$(grep -c 'explode needs --records' "$work/stderr")" "2:1"
run --recipe "$(arg_path "$R/explode-only.json")" --records data --columns id "$P"
check "recipe: completed on the command line" "$status:$(cat -v "$work/stdout")" "0:$(crlf id 1 1 2 | cat -v)"
for usage in "--recipe" "--recipe= $P" "--save-recipe" "--save-recipe= " "--save-recipe $R/x.json $P" \
  "--save-recipe $R/x.json -o $R/x.csv" "--save-recipe $R/x.json --schema" "--header=1 $P" "--no-flatten=1 $P"; do
  # shellcheck disable=SC2086
  run $usage
  check "usage error '$usage'" "$status" 2
done
check "usage errors save no recipe" "$(ls "$R" | grep -c '^x\.')" 0
if native; then   # Windows hands the arguments over as UTF-16, always valid
  run --records $'\xff' --save-recipe "$R/x.json"
  check "path not UTF-8" "$status:$(grep -c 'not valid UTF-8' "$work/stderr")" "2:1"
fi

run --version
check "version" "$(tr -d '\r' <"$work/stdout")" "tabulora-cli 1.1"
run --help
check "help" "$status:$(grep -c -- '^  --output-dir DIR' "$work/stdout")" "0:1"
for topic in '^  --recipe FILE' '^  --save-recipe FILE' '"tabulora-recipe": 1' '(--header: keep it)' '^  --no-flatten, --no-bom, --no-formula-guard, --no-skip-bad-lines$' '^  --skip-bad-lines ' '^  --rejects FILE' '^  --records PATH' '^  --explode PATH' '^  --join SEP' '^  --columns LIST' '^  --rename OLD=NEW' '^  --flatten ' '^  --bom ' '^  --formula-guard ' '^  -o, --output FILE' '^  -h, --help' '^  --  ' '--option=value' 'still' '^  2  usage error' '^  1  ' '^  0  success'; do
  check "help mentions $topic" "$(grep -c -- "$topic" "$work/stdout")" 1
done

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
