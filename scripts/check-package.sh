#!/usr/bin/env bash
# Checks a Debian package of Quarlo as a user gets it: unpacked into a scratch root, its
# quarlo-cli mirrors the sample site from its own data files (the demo), its desktop entry
# is valid, its manual pages render without warnings, its completion loads, and apt accepts
# its dependencies. Prints the package's file list.
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
fail() {
    echo "package check: $*" >&2
    exit 1
}

dpkg -x "$deb" "$root"
echo "== files of $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | grep -v '^./usr/share/quarlo/' || true
echo "   and $(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' |
    grep -c '^./usr/share/quarlo/') files in /usr/share/quarlo/"
for file in usr/bin/quarlo-cli usr/share/man/man1/quarlo-cli.1.gz usr/share/man/man1/quarlo.1.gz \
    usr/share/bash-completion/completions/quarlo-cli usr/share/applications/quarlo.desktop \
    usr/share/icons/hicolor/scalable/apps/quarlo.svg usr/share/icons/hicolor/48x48/apps/quarlo.png \
    usr/share/quarlo/FTypes.reg usr/share/quarlo/Skins/Default usr/share/quarlo/sample-site/index.html; do
    [ -e "$root/$file" ] || fail "/$file is missing"
done

echo "== the installed programs"
"$root/usr/bin/quarlo-cli" --version
if [ -e "$root/usr/bin/quarlo" ]; then
    # Answered before a display is needed: the program and its Qt libraries load.
    "$root/usr/bin/quarlo" --version
fi
home=$scratch/home
QUARLO_HOME=$home "$root/usr/bin/quarlo-cli" --pause 0 demo >"$scratch/demo.log" ||
    fail "the demo failed: $(tail -n 5 "$scratch/demo.log")"
grep -q "Serving the sample site from $root/usr/share/quarlo/sample-site/" "$scratch/demo.log" ||
    fail "the demo did not serve the packaged sample site: $(head -n 1 "$scratch/demo.log")"
grep "The copy of" "$scratch/demo.log"
[ -n "$(find "$home/demo" -name index.html)" ] || fail "the demo copy has no index.html"

echo "== desktop entry, manual pages, completion"
desktop-file-validate "$root/usr/share/applications/quarlo.desktop" || fail "invalid desktop entry"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(MANWIDTH=80 MANROFFOPT=-ww man -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
bash -c "source '$root/usr/share/bash-completion/completions/quarlo-cli' &&
    complete -p quarlo-cli" >/dev/null || fail "the completion does not load"

echo "== dependencies"
dpkg-deb -f "$deb" Depends
(cd "$(dirname "$deb")" && apt-get install --simulate "./$(basename "$deb")") >"$scratch/apt.log" 2>&1 ||
    fail "apt refuses the package: $(tail -n 5 "$scratch/apt.log")"
grep -q "^Inst quarlo " "$scratch/apt.log" || fail "apt would not install it: $(cat "$scratch/apt.log")"
echo "package check: passed"
