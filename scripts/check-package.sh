#!/usr/bin/env bash
# Makes the Debian package in a configured and built folder (cpack -G DEB) and checks it: the
# files it must hold, the dependencies it declares, and that its programs, unpacked, run: both
# answer --version and the tracer traces a bundled example from the package's own files.
set -euo pipefail
build="$(cd "${1:?usage: check-package.sh BUILD_FOLDER}" && pwd)"
rm -f "$build"/lumirastra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/lumirastra_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
  echo "check-package: no single .deb made" >&2
  exit 1
fi
deb="${debs[0]}"
failed=0
fail() { echo "check-package: $*" >&2; failed=1; }

contents="$(dpkg-deb -c "$deb")"
for path in usr/bin/lumirastra usr/bin/lumirastra-trace usr/share/doc/lumirastra/README.md \
            usr/share/lumirastra/examples/all-elements.ops \
            usr/share/lumirastra/examples/newton-telescope.ops \
            usr/share/applications/lumirastra.desktop \
            usr/share/mime/packages/lumirastra-scheme.xml \
            usr/share/icons/hicolor/scalable/apps/lumirastra.svg; do
  grep -qE " \./$path\$" <<<"$contents" || fail "missing $path"
done
grep -qE '/(bench|tests?)/|lumi_bench|test_' <<<"$contents" && fail "holds build-only files"

depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libqt6widgets6 libqt6gui6 libpng16-16 libfreetype6 libfontconfig1 fonts-liberation \
           fonts-dejavu-core qt6-translations-l10n; do
  grep -qE "(^|, )$dep( |,|\$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[[ "$(dpkg-deb -f "$deb" Package)" == lumirastra ]] || fail "wrong Package field"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
version="$(dpkg-deb -f "$deb" Version)"
for program in lumirastra lumirastra-trace; do
  answer="$(env -u DISPLAY "$unpacked/usr/bin/$program" --version)"
  [[ "$answer" == "LumiRastra $version" ]] || fail "$program --version said '$answer'"
done
"$unpacked/usr/bin/lumirastra-trace" --out "$unpacked/out" \
  "$unpacked/usr/share/lumirastra/examples/newton-telescope.ops" || fail "the tracer failed"
[[ -s "$unpacked/out/window-01.png" ]] || fail "the tracer wrote no scheme window"
# The Python module, when the build has it: in Debian's package folder, importable from there.
if grep -q '^LUMIRASTRA_PYTHON:BOOL=ON' "$build/CMakeCache.txt"; then
  site="$(cd "$unpacked" && ls -d usr/lib/python3*/dist-packages 2>/dev/null | head -n 1)"
  if [[ -z "$site" || ! -f "$unpacked/$site/lumirastra/__init__.py" ]]; then
    fail "missing the Python module lumirastra"
  else
    PYTHONPATH="$unpacked/$site" /usr/bin/python3 -c \
      "import lumirastra; lumirastra.Scheme.read('$unpacked/usr/share/lumirastra/examples/singlet.ops')" \
      || fail "the Python module does not import"
  fi
fi
((failed == 0)) && echo "check-package: $(basename "$deb") holds what it must ($depends)"
exit "$failed"
