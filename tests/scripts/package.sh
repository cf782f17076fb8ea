#!/bin/sh
# The Debian package, in three steps run as separate tests:
#   package.sh build BUILD_DIR OUT   cpack -G DEB into OUT
#   package.sh run BUILD_DIR OUT     unpack it with dpkg -x into a temporary root and render
#                                    the stills with the unpacked program, without --data,
#                                    from an unrelated folder
#   package.sh lintian BUILD_DIR OUT lintian, failing on errors (warnings are printed)
set -eu
step=$1 build=$2 out=$3
deb() {
    set -- "$out"/tarnwick_*.deb
    [ -f "$1" ] || { echo "no package in $out" >&2; exit 1; }
    echo "$1"
}
case "$step" in
build)
    rm -rf "$out"
    mkdir -p "$out"
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
        { cat "$out/cpack.log"; exit 1; }
    pkg=$(deb)
    echo "built $pkg"
    dpkg-deb -f "$pkg" Package Version Architecture Depends
    # Dependencies come from the binaries: the libraries the program links must be there.
    for lib in libsdl2 libxmp libpng libc6; do
        dpkg-deb -f "$pkg" Depends | grep -q "$lib" || { echo "Depends lacks $lib" >&2; exit 1; }
    done
    ;;
run)
    pkg=$(deb)
    root=$(mktemp -d)
    work=$(mktemp -d)
    trap 'rm -rf "$root" "$work"' EXIT
    dpkg -x "$pkg" "$root"
    for f in usr/bin/tarnwick usr/bin/tarnwick-inspect usr/share/tarnwick/data/vekt51.xm \
        usr/share/man/man6/tarnwick.6.gz usr/share/man/man1/tarnwick-inspect.1.gz \
        usr/share/applications/tarnwick.desktop \
        usr/share/metainfo/org.tarnwick.tarnwick.metainfo.xml \
        usr/share/icons/hicolor/48x48/apps/tarnwick.png usr/share/doc/tarnwick/copyright; do
        [ -f "$root/$f" ] || { echo "missing from the package: $f" >&2; exit 1; }
    done
    cd "$work"
    env -u TARNWICK_DATA XDG_DATA_DIRS=/nonexistent "$root/usr/bin/tarnwick" \
        --stills still.png --fps 5 2>"$work/err" || { cat "$work/err"; exit 1; }
    [ -s still.png ] || { echo "no still.png written" >&2; exit 1; }
    "$root/usr/bin/tarnwick-inspect" "$root/usr/share/tarnwick/data/eye.tga" >/dev/null
    echo "the unpacked program found its data and wrote $(wc -c <still.png) bytes"
    ;;
lintian)
    # Root runs (CI) get a notice from lintian that is not about the package.
    lintian --fail-on error --tag-display-limit 0 --display-info "$(deb)"
    ;;
*)
    echo "usage: package.sh build|run|lintian BUILD_DIR OUT" >&2
    exit 2
    ;;
esac
