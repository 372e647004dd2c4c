#!/bin/sh
# The Debian package of a build, as lintian reads it, with the libraries it
# depends on. Usage: package.sh BUILD-FOLDER
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! cpack -G DEB --config "$1/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(ls "$out"/jukora_*.deb)
lintian --fail-on error --info "$deb"
# TagLib and QtDBus come from the library scan, libmpv is named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libtag libqt6dbus6 libmpv; do
    case "$depends" in
    *"$lib"*) ;;
    *) echo "The package does not depend on $lib: $depends"; exit 1 ;;
    esac
done
echo "Depends: $depends"
