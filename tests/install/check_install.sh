#!/usr/bin/env bash
# Checks PhonaraPlayer as users get it, in one of two ways:
#   staged   installed with `cmake --install` into a staging root (DESTDIR), and
#            its desktop entry, software-centre metadata and file type validated;
#   package  built as a Debian package with cpack, its contents and dependencies
#            listed, and unpacked.
# Either way the installed program must stand on its own: started through its
# bin/ link, offscreen on OpenAL Soft's null output, it finds the plug-in in its
# own folder, loads the WavPack file named on the command line, uses nothing
# from the build tree, and ends cleanly on SIGTERM.
#
# Usage: check_install.sh staged|package <build dir> <write_wavpack program>
set -euo pipefail
mode=$1
build=$(cd "$2" && pwd)
write_wavpack=$3
app=io.github.phonaraplayer.PhonaraPlayer

work=$(mktemp -d)
pid=
manifest=
cleanup() {
    if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
    if [ -n "$manifest" ]; then
        if [ -e "$work/manifest" ]; then cp -p "$work/manifest" "$manifest"; else rm -f "$manifest"; fi
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Runs a command quietly, showing its output only when it fails.
quietly() {
    "$@" >"$work/step.log" 2>&1 || {
        cat "$work/step.log" >&2
        fail "$* failed"
    }
}

case $mode in
staged)
    # As its own component, so that the build's install_manifest.txt keeps
    # listing what the user installed, for removing it.
    DESTDIR=$work/stage quietly cmake --install "$build" --prefix /usr/local \
        --component Unspecified
    root=$work/stage/usr/local
    ;;
package)
    # cpack rewrites the build's install_manifest.txt, which lists what the
    # user installed, for removing it: it is put back as it was at the end.
    [ ! -e "$build/install_manifest.txt" ] || cp -p "$build/install_manifest.txt" "$work/manifest"
    manifest=$build/install_manifest.txt
    quietly cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package"
    debs=("$work"/package/phonaraplayer_*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single phonaraplayer_*.deb"
    deb=${debs[0]}
    dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
    for f in phonaraplayer libaudiolib.so basswv.so phonaraplayer.installed; do
        grep -qE "^\./usr/lib/([^/]+/)?phonaraplayer/${f//./\\.}\$" "$work/contents" ||
            fail "the package lacks lib/phonaraplayer/$f"
    done
    for f in ./usr/bin/phonaraplayer ./usr/share/man/man1/phonaraplayer.1.gz \
        ./usr/share/applications/$app.desktop \
        ./usr/share/icons/hicolor/scalable/apps/$app.svg \
        ./usr/share/metainfo/$app.metainfo.xml ./usr/share/mime/packages/$app.xml; do
        grep -qxF "$f" "$work/contents" || fail "the package lacks $f"
    done
    # The libraries the program and its plug-in link, found by dpkg-shlibdeps.
    depends=$(dpkg-deb -f "$deb" Depends)
    for p in libqt6widgets6 libopenal1 libsndfile1 libmpg123-0 libopenmpt0 libwavpack1 libebur128-1 \
        fonts-ipafont-gothic libqt6svg6; do
        tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$p" ||
            fail "the package does not depend on $p: $depends"
    done
    quietly dpkg-deb -x "$deb" "$work/unpacked"
    root=$work/unpacked/usr
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac

# The program, its library, the plug-in and the marker lie together in one
# folder, reached from bin/ by a relative link.
link=$root/bin/phonaraplayer
[ -L "$link" ] || fail "$link is not a link"
[[ $(readlink "$link") != /* ]] || fail "$link is absolute: $(readlink "$link")"
exe=$(readlink -f "$link")
folder=$(dirname "$exe")
[[ $exe == "$root"/* ]] || fail "$link leads out of the install root, to $exe"
for f in phonaraplayer libaudiolib.so basswv.so phonaraplayer.installed; do
    [ -f "$folder/$f" ] || fail "$folder lacks $f"
done
runpath=$(readelf -d "$exe" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
[ "$runpath" = '$ORIGIN' ] || fail "the program's run path is '$runpath', not \$ORIGIN"
for f in libaudiolib.so basswv.so; do
    if readelf -d "$folder/$f" | grep -qE '\((RPATH|RUNPATH)\)'; then
        fail "$f keeps a run path: $(readelf -d "$folder/$f" | grep -E 'R(UN)?PATH')"
    fi
done

if [ "$mode" = staged ]; then
    share=$root/share
    [ -f "$share/man/man1/phonaraplayer.1.gz" ] || fail "no manual page phonaraplayer(1)"
    zcat "$share/man/man1/phonaraplayer.1.gz" | grep -qF -- '\-\-export' ||
        fail "the manual page does not describe --export"
    quietly desktop-file-validate "$share/applications/$app.desktop"
    quietly appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml"
    icon=$(sed -n 's/^Icon=//p' "$share/applications/$app.desktop")
    [ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named $icon"
    # The file-type definition compiles, and .pna files get the playlist type
    # that the desktop entry offers to open.
    mkdir -p "$work/mime/packages"
    cp "$share/mime/packages/$app.xml" "$work/mime/packages/"
    quietly update-mime-database "$work/mime"
    playlist_type=$(awk -F: '$3 == "*.pna" {print $2}' "$work/mime/globs2")
    [ -n "$playlist_type" ] || fail "no file type claims *.pna"
    grep -q "^MimeType=.*$playlist_type;" "$share/applications/$app.desktop" ||
        fail "the desktop entry does not open $playlist_type"
    grep -q '^MimeType=.*audio/x-wavpack;' "$share/applications/$app.desktop" ||
        fail "the desktop entry does not open WavPack files"
fi

# Starts a program the way the desktop does, offscreen on the null output, waits
# until it has loaded the sound file from its own folder's plug-in, then ends
# it with SIGTERM.
run_until_loaded() {
    local program=$1 program_folder
    shift
    program_folder=$(dirname "$(readlink -f "$program")")
    env HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/runtime" \
        QT_QPA_PLATFORM=offscreen ALSOFT_DRIVERS=null ASAN_OPTIONS=detect_leaks=0 \
        "$program" "$@" >"$work/run.log" 2>&1 &
    pid=$!
    # A stream is decoded as it plays, so a loaded file stays open in the
    # program; only the plug-in reads WavPack.
    local loaded=
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || {
            cat "$work/run.log" >&2
            fail "$program ended on its own"
        }
        if find "/proc/$pid/fd" -lname "$sound" 2>/dev/null | grep -q .; then
            loaded=1
            break
        fi
        sleep 0.1
    done
    [ -n "$loaded" ] || fail "$program did not load $sound within 30 s"
    grep -qF "$program_folder/basswv.so" "/proc/$pid/maps" ||
        fail "the plug-in was not loaded from $program_folder"
    grep -qF "$program_folder/libaudiolib.so" "/proc/$pid/maps" ||
        fail "the audio library was not loaded from $program_folder"
    if grep -F "$build/" "/proc/$pid/maps"; then fail "$program uses the build tree"; fi

    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || {
        cat "$work/run.log" >&2
        fail "$program exited with $status on SIGTERM"
    }
}

sound=$work/sound/tone.wv
mkdir -p "$work/sound" "$work/home/config" "$work/runtime"
chmod 700 "$work/runtime"
quietly "$write_wavpack" "$sound"

# The installed program, started through its link with a WavPack file. It
# could write its own folder (the staging root is ours, and root may write
# anywhere), but an installed copy keeps its auto-save per user.
touch "$work/before-run"
run_until_loaded "$link" "$sound"
autosave=$work/home/config/PhonaraPlayer/PNAPini.pna
[ -f "$autosave" ] || fail "no auto-save in \$XDG_CONFIG_HOME after SIGTERM"
tr -d '\r' <"$autosave" | grep -qxF "$sound" || fail "the auto-save does not list $sound"
if find "$root" -newer "$work/before-run" | grep .; then
    fail "the installed program wrote into its install root"
fi

# Started again without arguments, it restores the arrangement from there.
run_until_loaded "$link"
[ -f "$autosave" ] || fail "the auto-save is gone after the restoring run"

if [ "$mode" = staged ]; then
    # A copy without the marker (unpacked somewhere, or the build folder)
    # keeps its auto-save beside itself.
    cp -a "$folder" "$work/copy"
    rm "$work/copy/phonaraplayer.installed"
    rm "$autosave"
    run_until_loaded "$work/copy/phonaraplayer" "$sound"
    [ -f "$work/copy/PNAPini.pna" ] || fail "the copy without the marker kept no auto-save beside itself"
    [ ! -e "$autosave" ] || fail "the copy without the marker wrote its auto-save per user"
fi
# The export works without display or sound card and decodes through the
# plug-in in its own folder.
printf '#PNAPEffect 5,0\r\n#PNAPParam 1,0,1\r\n%s\r\n' "$sound" >"$work/sound/set.pna"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ALSOFT_DRIVERS=no-such-driver \
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" ASAN_OPTIONS=detect_leaks=0 \
    "$link" --export "$work/sound/out.flac" "$work/sound/set.pna" >"$work/export.log" 2>&1 || {
    cat "$work/export.log" >&2
    fail "the installed program could not export"
}
[ -s "$work/sound/out.flac" ] || fail "the export wrote no file"
echo "ok: $mode install in $root"
