#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the Debian package from a finished build into a temporary folder and
# checks what it would put on a user's machine: the exact file list, the
# dependencies read from the binary, the desktop entry, the AppStream data,
# the manual page and the help page's links.
# Usage: check_package.sh <build folder> <version>
set -eu
build=$1
version=$2
arch=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
deb="$work/out/galerio_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$work/out" >&2; echo "FAIL: no $deb" >&2; exit 1; }

# Every file, no more and no less: a stray install rule (a test program, a
# header, a second copy under /usr/local) shows up here.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/files"
sort >"$work/expected" <<LIST
./usr/bin/galerio
./usr/share/applications/galerio.desktop
./usr/share/doc/galerio/copyright
./usr/share/galerio/help/index.html
./usr/share/galerio/help/screenshot.png
./usr/share/icons/hicolor/128x128/apps/galerio.png
./usr/share/icons/hicolor/16x16/apps/galerio.png
./usr/share/icons/hicolor/32x32/apps/galerio.png
./usr/share/icons/hicolor/48x48/apps/galerio.png
./usr/share/icons/hicolor/64x64/apps/galerio.png
./usr/share/icons/hicolor/scalable/apps/galerio.svg
./usr/share/man/man1/galerio.1.gz
./usr/share/metainfo/io.github.galerio.Galerio.metainfo.xml
LIST
diff -u "$work/expected" "$work/files" >&2 || fail "the package's file list differs (- expected, + packaged)"

# The dependencies come from the libraries the program links.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libjpeg62-turbo libexif12 libheif1 libraw20 liblcms2-2 libqt6widgets6 libqt6gui6 \
    libqt6core6 libc6 qt6-image-formats-plugins; do
    echo "$depends" | grep -q "\\b$lib\\b" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = galerio ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"

dpkg-deb -x "$deb" "$work/root"
share="$work/root/usr/share"
desktop-file-validate "$share/applications/galerio.desktop" >&2 || fail "desktop-file-validate"
# The file manager's "Open With" hands the entry a folder.
grep -qx 'Exec=galerio %[fF]' "$share/applications/galerio.desktop" || fail "Exec takes no folder"
grep -qx 'MimeType=inode/directory;' "$share/applications/galerio.desktop" || fail "MimeType"
appstreamcli validate --no-net "$share/metainfo/io.github.galerio.Galerio.metainfo.xml" >&2 ||
    fail "appstreamcli validate"
file -b "$work/root/usr/bin/galerio" | grep -q 'ELF.*stripped' || fail "program not an ELF file"
file -b "$work/root/usr/bin/galerio" | grep -q 'not stripped' && fail "program not stripped"

# F1 finds the help page from the program's folder by a path built in (a
# UTF-16 literal in the binary; strings may take a byte before it along).
strings -a -el "$work/root/usr/bin/galerio" | grep -qE '(^|[^./])\.\./share/galerio/help/index\.html$' ||
    fail "the program looks for its help page elsewhere"

# The manual page carries every option the usage texts name.
zcat "$share/man/man1/galerio.1.gz" >"$work/galerio.1"
for option in -S --version --make-thumbs --out --size --naming --quality --sort --page --link \
    --table --border --cellspacing --cellpadding --head --tail --jobs --overwrite-originals; do
    escaped=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
    grep -q "fB$escaped\\\\fR" "$work/galerio.1" || fail "manual page lacks $option"
done
man -l "$work/galerio.1" >/dev/null 2>"$work/man.err" && [ ! -s "$work/man.err" ] ||
    { cat "$work/man.err" >&2; fail "man cannot render the manual page"; }

# Every picture and page the help page refers to is installed beside it.
help="$share/galerio/help"
for ref in $(grep -o 'src="[^"]*"\|href="[^"#:]*"' "$help/index.html" | sed 's/^[a-z]*="//; s/"$//'); do
    [ -f "$help/$ref" ] || fail "help page refers to missing $ref"
done

[ $failed -eq 0 ] && echo "package $(basename "$deb") checked"
exit $failed
