#!/usr/bin/env bash
# The source fetch of scripts/build-pcre2-mingw against a stand-in for apt: the default source,
# the newest listed version, an older one (with its warning), or none at all.
# Usage: pcre2_source_test.sh REPOSITORY_ROOT
set -uo pipefail
script="$1/scripts/build-pcre2-mingw"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
newest_version="10.42-1+deb12u1"
older_version="10.42-1"

# Runs the fetch with apt-get and apt-cache replaced; the arguments are the sources that can be
# downloaded ("default" for a plain "apt-get source pcre2"). Leaves stderr and the status in $work.
fetch_with() {
  rm -rf "$work/src" "$work/prefix"
  mkdir -p "$work/src"
  (
    # shellcheck source=../../scripts/build-pcre2-mingw
    source "$script"
    set +e
    older_source_note="$work/prefix/OLDER-SOURCE"
    downloadable=" $* "
    apt-get() {
      [ "$1" = source ] || return 1
      local wanted="${3#pcre2=}"
      [ "$3" = pcre2 ] && wanted=default
      [[ "$downloadable" == *" $wanted "* ]] || return 100
      mkdir -p "pcre2-$wanted"
    }
    apt-cache() { printf 'Package: pcre2\nVersion: %s\n\nPackage: pcre2\nVersion: %s\n' "$older_version" "$newest_version"; }
    cd "$work/src" && fetch_newest_or_older_source
    echo "status=$?"
    warn_older_source   # what a later build prints
  ) >"$work/out" 2>"$work/err"
}

expect() {
  local name=$1 condition=$2
  if ! eval "$condition"; then
    echo "FAILED: $name: $condition"
    echo "--- stdout"; cat "$work/out"; echo "--- stderr"; cat "$work/err"
    failures=$((failures + 1))
  fi
}

warnings() { grep -c "WARNING" "$work/err"; }

fetch_with default
expect "default source" 'grep -q "status=0" "$work/out" && [ -d "$work/src/pcre2-default" ] && [ "$(warnings)" = 0 ]'

fetch_with "$newest_version"
expect "newest listed" 'grep -q "status=0" "$work/out" && [ -d "$work/src/pcre2-$newest_version" ] && [ "$(warnings)" = 0 ]'
expect "newest listed, no note" '[ ! -e "$work/prefix/OLDER-SOURCE" ]'

fetch_with "$older_version"
expect "older version" 'grep -q "status=0" "$work/out" && [ -d "$work/src/pcre2-$older_version" ]'
expect "older version, warning naming it, then repeated" '[ "$(warnings)" = 2 ] && grep -q "WARNING: .*older source package $older_version, not $newest_version: the Windows build lacks" "$work/err"'

fetch_with
expect "nothing downloadable" 'grep -q "status=1" "$work/out" && [ "$(warnings)" = 0 ] && grep -q "could not fetch" "$work/err"'

[ "$failures" -eq 0 ] && echo "pcre2 source fetch: all cases passed"
[ "$failures" -eq 0 ]
