#!/usr/bin/env bash
# scripts/apt-deb-src on temporary apt roots: source entries derived from the one-line and the
# deb822 format, nothing added where deb-src is already enabled, disabled and cdrom entries left
# out, and a second run that changes nothing.
set -euo pipefail
tool=${1:?path of scripts/apt-deb-src}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
root() {  # root NAME: a fresh apt root, printed
  mkdir -p "$work/$1/etc/apt/sources.list.d"
  echo "$work/$1"
}
expect_file() {  # expect_file FILE EXPECTED-CONTENT
  [ -f "$1" ] || fail "$1 was not written"
  diff <(grep -v '^#' "$1") <(printf '%s\n' "$2") || fail "$1 differs from the expected entries"
}

# One-line format, options kept, comments and cdrom entries left out.
r=$(root one-line)
cat >"$r/etc/apt/sources.list" <<'X'
# a comment
deb [signed-by=/usr/share/keyrings/a.gpg] file:/srv/mirror-a/debian bookworm main contrib
deb cdrom:[Debian 12]/ bookworm main
  deb file:/srv/mirror-b/debian-security bookworm-security main
X
out=$("$tool" "$r")
[[ $out == *"added"*quorvane-deb-src.list* ]] || fail "one-line: reported '$out'"
expect_file "$r/etc/apt/sources.list.d/quorvane-deb-src.list" \
"deb-src [signed-by=/usr/share/keyrings/a.gpg] file:/srv/mirror-a/debian bookworm main contrib
deb-src file:/srv/mirror-b/debian-security bookworm-security main"
[ ! -e "$r/etc/apt/sources.list.d/quorvane-deb-src.sources" ] || fail "one-line: a deb822 file appeared"
[ "$("$tool" "$r")" = "deb-src: present" ] || fail "one-line: the second run changed something"

# deb822 format: every field and continuation line kept, disabled stanzas and other types left out.
r=$(root deb822)
cat >"$r/etc/apt/sources.list.d/debian.sources" <<'X'
Types: deb
URIs: file:/srv/mirror-a/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: file:/srv/mirror-c/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb-extra deb
# a comment inside a stanza
URIs: file:/srv/mirror-d/x
Suites: stable
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 -----END PGP PUBLIC KEY BLOCK-----
X
"$tool" "$r" >/dev/null
expect_file "$r/etc/apt/sources.list.d/quorvane-deb-src.sources" \
"Types: deb-src
URIs: file:/srv/mirror-a/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: file:/srv/mirror-d/x
Suites: stable
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 -----END PGP PUBLIC KEY BLOCK-----"
[ "$("$tool" "$r")" = "deb-src: present" ] || fail "deb822: the second run changed something"

# Source entries already enabled, in either format: nothing is written.
r=$(root enabled-one-line)
printf 'deb file:/srv/mirror-e/debian bookworm main\ndeb-src file:/srv/mirror-e/debian bookworm main\n' \
  >"$r/etc/apt/sources.list"
r2=$(root enabled-deb822)
printf 'Types: deb deb-src\nURIs: file:/srv/mirror-e/debian\nSuites: bookworm\nComponents: main\n' \
  >"$r2/etc/apt/sources.list.d/debian.sources"
for d in "$r" "$r2"; do
  [ "$("$tool" "$d")" = "deb-src: present" ] || fail "$d: deb-src enabled, yet something was added"
  [ -z "$(ls "$d/etc/apt/sources.list.d" | grep quorvane || true)" ] || fail "$d: a file was written"
done

# No deb entry at all: a failure, not a silent success.
r=$(root empty)
if "$tool" "$r" 2>/dev/null; then fail "empty: no sources, yet success"; fi
echo "apt-deb-src: all cases pass"
