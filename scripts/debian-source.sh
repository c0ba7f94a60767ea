# Fetching a Debian source package for a MinGW build of a library, for the scripts that build
# one (scripts/build-*-mingw), which set before sourcing it:
#   tool               the script's name, for messages
#   package            the source package
#   library            the library's name, for messages
#   src_dir            where the source is unpacked
#   older_source_note  a file written when the source is older than the newest one listed
# shellcheck shell=bash disable=SC2154
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# apt-get source needs deb-src entries. Derive them from the machine's own sources rather than
# naming any archive here: a deb822 file gets a sibling with "Types: deb-src", a classic
# one-line list gets its "deb " lines turned into "deb-src " lines. Prints the derived file.
deb822_to_deb_src() {
  awk '
    function flush() {
      if (wants_src && body != "") { if (count++) print ""; printf "Types: deb-src\n%s", body }
      wants_src = 0; body = ""
    }
    /^[[:space:]]*$/ { flush(); next }
    /^#/ { next }
    /^Types:/ { wants_src = ($0 ~ /[[:space:]]deb([[:space:]]|$)/ && $0 !~ /deb-src/); next }
    /^(URIs|Suites|Components|Signed-By|Enabled|Architectures):/ { body = body $0 "\n"; next }
    END { flush() }
  ' "$1"
}

write_deb_src_list() {
  local deb822_list=/etc/apt/sources.list.d/debian.sources classic_list=/etc/apt/sources.list
  local derived_list content
  if [ -f "$deb822_list" ]; then
    derived_list=/etc/apt/sources.list.d/tabulora-deb-src.sources
    content="$(deb822_to_deb_src "$deb822_list")"
  elif [ -f "$classic_list" ]; then
    derived_list=/etc/apt/sources.list.d/tabulora-deb-src.list
    content="$(sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$classic_list")"
  else
    echo "$tool: no apt sources found to derive a deb-src entry from" >&2
    return 1
  fi
  if [ -z "$content" ]; then
    echo "$tool: the apt sources hold no deb entries" >&2
    return 1
  fi
  if [ ! -f "$derived_list" ] || [ "$(cat "$derived_list")" != "$content" ]; then
    printf '%s\n' "$content" | "${sudo_cmd[@]}" tee "$derived_list" >/dev/null
  fi
  echo "$derived_list"
}

fetch_source() {
  local derived_list version
  derived_list="$(write_deb_src_list)"
  # Refresh only the derived source indices; the machine's other lists stay as they are.
  "${sudo_cmd[@]}" apt-get update -qq \
    -o Dir::Etc::sourcelist="$derived_list" -o Dir::Etc::sourceparts=- \
    -o APT::Get::List-Cleanup=0
  rm -rf "$src_dir"
  mkdir -p "$src_dir"
  cd "$src_dir"
  fetch_newest_or_older_source
}

# Fetches the $package source package into the current folder: the one apt picks, or else the
# newest version that can be downloaded. An older version than the newest listed is announced
# with a warning (and noted in $older_source_note, so that later builds repeat it): the Windows
# build then lacks the fixes made since, security updates included.
fetch_newest_or_older_source() {
  local versions newest version
  rm -f "$older_source_note"
  apt-get source -qq "$package" && return 0
  versions="$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -u -r -V || true)"
  newest="$(head -n1 <<<"$versions")"
  # A mirror may lack the newest source (a security update, say): try each version, newest first.
  echo "$tool: the default $package source could not be downloaded; trying each listed version" >&2
  for version in $versions; do
    find . -mindepth 1 -delete
    if apt-get source -qq "$package=$version"; then
      if [ "$version" != "$newest" ]; then
        mkdir -p "$(dirname "$older_source_note")"
        printf '%s %s\n' "$version" "$newest" >"$older_source_note"
        warn_older_source
      fi
      return 0
    fi
  done
  echo "$tool: could not fetch the $package source package" >&2
  return 1
}

# Repeats the warning while the library is built from an older source.
warn_older_source() {
  local used newest
  [ -f "$older_source_note" ] || return 0
  read -r used newest <"$older_source_note"
  echo "$tool: WARNING: $library for Windows is built from the older source package $used, not" \
    "${newest:-the newest one}: the Windows build lacks the fixes made since, security updates included." >&2
}

find_source_tree() {
  find "$src_dir" -maxdepth 2 -name CMakeLists.txt -path "*/$package-*" 2>/dev/null | head -n1
}

