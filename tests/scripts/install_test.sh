#!/usr/bin/env bash
# make install's script into a temporary DESTDIR-like folder: the two libraries and the channel
# copies are there, each copy loads with the channel counts its name gives, install twice keeps
# one manifest of everything, and uninstall leaves the folder as it was (a file of someone else's
# stays; the folders install created go).
set -euo pipefail
install=${1:?path of scripts/install}
plugins=${2:?folder with Quorvane.so and QuorvaneSys.so}
qvhost=${3:?path of qvhost}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
snapshot() { (cd "$work" && find . | sort); }

mkdir -p "$work/usr/lib"
echo "someone else's" >"$work/usr/lib/other.so"
before=$(snapshot)
dir="$work/usr/lib/vst"

"$install" "$plugins" "$dir" 1in_1out >"$work.log1"
"$install" "$plugins" "$dir" 8in_8out 1in_2out >"$work.log2"
for f in Quorvane.so QuorvaneSys.so Quorvane_1in_1out.so Quorvane_8in_8out.so Quorvane_1in_2out.so; do
  [ -f "$dir/$f" ] || fail "$f is missing"
  grep -q "installed $dir/$f" "$work.log1" "$work.log2" || fail "install did not say where $f went"
done
rm -f "$work.log1" "$work.log2"

# Each copy loads from the install folder with its registry library beside it.
for case in "Quorvane.so 2 2" "Quorvane_1in_1out.so 1 1" "Quorvane_8in_8out.so 8 8" "Quorvane_1in_2out.so 1 2"; do
  read -r file ins outs <<<"$case"
  report=$("$qvhost" "$dir/$file" --signal sine --seconds 0.1) || fail "$file did not load"
  grep -qx "inputs: $ins" <<<"$report" || fail "$file: expected $ins inputs"
  grep -qx "outputs: $outs" <<<"$report" || fail "$file: expected $outs outputs"
  grep -qE "^output 0: .*bit-identical to input 0$" <<<"$report" || fail "$file: audio changed"
done

# A bad copy name is refused before anything is written.
if "$install" "$plugins" "$dir" "../escape" 2>/dev/null; then fail "a path as copy name was accepted"; fi

"$install" --uninstall "$dir" >/dev/null
[ "$(snapshot)" = "$before" ] || fail "uninstall left the folder changed: $(diff <(echo "$before") <(snapshot))"

# Without a manifest (an install by hand), only the two known names go.
mkdir -p "$dir"
cp "$plugins/Quorvane.so" "$plugins/QuorvaneSys.so" "$dir/"
touch "$dir/Unrelated.so"
"$install" --uninstall "$dir" >/dev/null
[ "$(ls "$dir")" = "Unrelated.so" ] || fail "uninstall without a manifest removed the wrong files"
echo "install: all cases pass"
