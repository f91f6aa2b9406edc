#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and checks what a user's system would get:
# the programs, the bundled unpacker where the programs look for it (and working), the help
# pages, the desktop launcher (valid, and starting the program in ~/.local/share/quovanta) and
# its icon.
#
# Usage: check_install.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: check_install.sh BUILD_DIR}
scratch=$(mktemp -d)
app_pid=
cleanup() {
    if [[ -n $app_pid ]]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
prefix=$scratch/prefix
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" || {
    cat "$scratch/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
}

for program in bin/quovanta bin/quovanta-cli lib/quovanta/PKUNZIP.EXE; do
    [[ -f $prefix/$program && -x $prefix/$program ]] || fail "$program is not an installed program"
done
# The programs look beside themselves, then in ../lib/quovanta.
[[ -x $prefix/bin/../lib/quovanta/PKUNZIP.EXE ]] || fail "the unpacker is not at bin/../lib/quovanta"

for page in index.html tutorial.html; do
    [[ -s $prefix/share/quovanta/help/$page ]] || fail "help page $page missing"
done
# The pages show screenshots taken at build time: every picture a page shows is installed.
for page in "$prefix"/share/quovanta/help/*.html; do
    for image in $(grep -o 'src="[^"]*"' "$page" | sed 's/^src="//; s/"$//'); do
        [[ -s $prefix/share/quovanta/help/$image ]] || fail "$(basename "$page") shows $image, which is not installed"
    done
done
desktop=$prefix/share/applications/quovanta.desktop
[[ -s $desktop ]] || fail "quovanta.desktop missing"
icon=$prefix/share/icons/hicolor/scalable/apps/quovanta.svg
[[ -s $icon ]] && grep -q '<svg' "$icon" || fail "the scalable icon is missing or not SVG"
[[ -s $prefix/share/icons/hicolor/128x128/apps/quovanta.png ]] || fail "the 128x128 icon is missing"
grep -qx 'Icon=quovanta' "$desktop" || fail "the launcher does not name the installed icon"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects quovanta.desktop"
else
    echo "note: desktop-file-validate not found (Debian package desktop-file-utils); not validated"
fi

# The installed unpacker extracts an archive into its current directory.
mkdir "$scratch/unzip"
python3 - "$scratch/unzip/DAILY.ZIP" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("DAILY.TXT", "ABC,01/02/26,1,2,0.5,1.5,1000\r\n")
EOF
(cd "$scratch/unzip" && "$prefix/lib/quovanta/PKUNZIP.EXE" DAILY.ZIP -o >/dev/null) ||
    fail "the installed PKUNZIP.EXE failed on a plain archive"
grep -q '^ABC,01/02/26' "$scratch/unzip/DAILY.TXT" 2>/dev/null || fail "the installed PKUNZIP.EXE did not extract"

# The launcher's command line, unquoted the way a desktop does it: first the string escapes
# of the value, then the quoting rules of the Exec key.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
mapfile -d '' argv < <(python3 - "$exec_line" <<'EOF'
import sys
value = sys.argv[1]
out, i = [], 0
while i < len(value):  # string escapes
    if value[i] == "\\" and i + 1 < len(value):
        out.append({"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}.get(value[i + 1], "\\" + value[i + 1]))
        i += 2
    else:
        out.append(value[i])
        i += 1
value = "".join(out)
args, cur, quoted, i, started = [], [], False, 0, False
while i < len(value):
    c = value[i]
    if quoted:
        if c == "\\" and i + 1 < len(value) and value[i + 1] in '"`$\\':
            cur.append(value[i + 1])
            i += 1
        elif c == '"':
            quoted = False
        else:
            cur.append(c)
    elif c == '"':
        quoted, started = True, True
    elif c == " ":
        if started or cur:
            args.append("".join(cur))
        cur, started = [], False
    else:
        if c == "%":
            sys.exit("field codes are not expected in the launcher")
        cur.append(c)
    i += 1
if quoted:
    sys.exit("unterminated quote in Exec")
if started or cur:
    args.append("".join(cur))
sys.stdout.write("\0".join(args) + "\0")
EOF
)
if ((${#argv[@]} == 0)); then
    fail "the launcher's Exec line cannot be read"
else
    # Started as a desktop would, with a fresh home: the work directory appears, and the
    # program starts in it (its first start writes the sample profile there) and keeps running.
    home=$scratch/home
    mkdir -p "$home"
    HOME=$home XDG_CONFIG_HOME=$home/.config PATH=$prefix/bin:$PATH QT_QPA_PLATFORM=offscreen \
        "${argv[@]}" >"$scratch/app.log" 2>&1 &
    app_pid=$!
    work=$home/.local/share/quovanta
    for _ in $(seq 100); do
        [[ -f $work/MyFirstProfile.pfd ]] && break
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -d $work ]] || fail "the launcher did not create $work"
    [[ -f $work/MyFirstProfile.pfd ]] || fail "the program did not start in $work"
    kill -0 "$app_pid" 2>/dev/null || { fail "the program did not keep running"; cat "$scratch/app.log" >&2; }
fi

if ((failures > 0)); then
    echo "$failures install check(s) failed; installed files:" >&2
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "install layout checked in $prefix"
