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

for usage in "" "--bogus $A" "--separator ab $A" "--encoding latin1 $A" "-o x --output-dir y $A" "--separator"; do
  # shellcheck disable=SC2086
  run $usage
  check "usage error '$usage'" "$status" 2
done

run --version
check "version" "$(tr -d '\r' <"$work/stdout")" "tabulora-cli 1.1"
run --help
check "help" "$status:$(grep -c -- '^  --output-dir DIR' "$work/stdout")" "0:1"

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
