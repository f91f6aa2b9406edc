#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and checks what a user's system would get:
# the programs, the bundled unpacker where the programs look for it (and working), the help
# pages, the desktop launcher (valid, naming the installed program by its full path, and
# starting it in ~/.local/share/quovanta) and its icon, the AppStream description (valid), the
# manual pages (rendered by man), the bash completion (asked as bash asks it), the systemd
# examples; then builds the Debian package and checks its files and dependencies.
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

# The validators come with scripts/setup-deps.sh (desktop-file-utils, appstream).
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects quovanta.desktop"
metainfo=$prefix/share/metainfo/org.quovanta.quovanta.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects the AppStream description"; }
grep -q '<launchable type="desktop-id">quovanta.desktop</launchable>' "$metainfo" ||
    fail "the AppStream description does not name the installed launcher"
version=$(sed -n 's/^project(Quovanta VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "the AppStream description's release is not version $version"
# A prefix that is not on PATH is launched all the same: the launcher names the program itself.
grep -qx "TryExec=$prefix/bin/quovanta" "$desktop" || fail "TryExec does not name $prefix/bin/quovanta"

# The manual pages render without a warning; the one of quovanta-cli describes every command
# the program's --help lists.
for page in quovanta quovanta-cli; do
    file=$prefix/share/man/man1/$page.1.gz
    if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" >"$scratch/$page.txt" 2>"$scratch/$page.err" ||
        [[ -s $scratch/$page.err ]]; then
        cat "$scratch/$page.err" >&2
        fail "man -l does not render $page.1 cleanly"
    fi
    grep -q '^NAME' "$scratch/$page.txt" && grep -q '^SYNOPSIS' "$scratch/$page.txt" ||
        fail "$page.1 lacks NAME or SYNOPSIS"
done
cli=$prefix/bin/quovanta-cli
mapfile -t commands < <("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
((${#commands[@]} > 10)) || fail "quovanta-cli --help lists ${#commands[@]} commands"
for command in "${commands[@]}"; do
    grep -Eq "^   $command( |$)" "$scratch/quovanta-cli.txt" || fail "quovanta-cli.1 does not describe $command"
done

# The completion, asked as bash asks it: the words typed so far, the word being completed last.
completion=$prefix/share/bash-completion/completions/quovanta-cli
complete_words() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"
             _quovanta_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" quovanta-cli "$@" | sort | paste -sd' '
}
expect_completion() {
    local expected=$1
    shift
    local got
    got=$(complete_words "$@")
    [[ $got == "$expected" ]] || fail "completing 'quovanta-cli $*' offers '$got', not '$expected'"
}
[[ $(complete_words '') == "$(printf '%s\n' "${commands[@]}" | sort | paste -sd' ')" ]] ||
    fail "the completion does not offer exactly the commands of --help: $(complete_words '')"
expect_completion "skip skip-all" --ini settings.ini sk
expect_completion "--ini" --in
expect_completion "--recent" quotes DIR ACME --r
expect_completion "off" skip DIR ACME of
expect_completion "off on" skip-all DIR ''
expect_completion "" skip DIR ''
expect_completion "comma space tab" import IN DIR --symbol S --delimiter ''
expect_completion "--newest-first" --startup-dir /tmp export DIR ACME OUT --new
expect_completion "--date --date-format --delimiter" import IN DIR --delimiter tab --d
expect_completion "off on" skip-all --help DIR ''
expect_completion "list show write" profile ''
# bash splits "--option=value" at the '='.
expect_completion "comma space tab" import IN DIR --delimiter =
expect_completion "off on" --ini = s.ini skip-all DIR --help ''
expect_completion "off" skip DIR --help ACME of

# The systemd examples run the installed quovanta-cli on weekday evenings.
units=$prefix/share/quovanta/systemd
grep -qx "ExecStart=\"$cli\" update" "$units/quovanta-update.service" ||
    fail "the service does not run $cli update"
grep -qx 'OnCalendar=Mon..Fri 19:00' "$units/quovanta-update.timer" || fail "the timer is not set for weekday evenings"
if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify --man=no "$units/quovanta-update.service" "$units/quovanta-update.timer" ||
        fail "systemd-analyze rejects the example units"
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
    HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen \
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

# The Debian package: what the installation holds, under /usr, and the libraries it needs.
if cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >"$scratch/cpack.log" 2>&1; then
    package=("$scratch"/deb/quovanta_*.deb)
    dpkg-deb -c "${package[0]}" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort >"$scratch/package.list"
    (cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$scratch/install.list"
    diff "$scratch/install.list" "$scratch/package.list" >&2 || fail "the package does not hold what cmake --install installs"
    for file in bin/quovanta bin/quovanta-cli lib/quovanta/PKUNZIP.EXE share/applications/quovanta.desktop \
        share/metainfo/org.quovanta.quovanta.metainfo.xml share/man/man1/quovanta.1.gz share/man/man1/quovanta-cli.1.gz \
        share/bash-completion/completions/quovanta-cli share/quovanta/help/index.html \
        share/quovanta/systemd/quovanta-update.service share/quovanta/systemd/quovanta-update.timer \
        share/icons/hicolor/scalable/apps/quovanta.svg share/quovanta/sample/SAMPLE/MASTER \
        share/quovanta/sample/SAMPLE/TEXTDATA/WEEK27.TXT; do
        grep -qx "$file" "$scratch/package.list" || fail "the package lacks /usr/$file"
    done
    depends=$(dpkg-deb -f "${package[0]}" Depends)
    for library in libqt6widgets6 libqt6printsupport6 libarchive13 libstdc++6; do
        [[ $depends == *"$library "* ]] || fail "the package does not depend on $library: $depends"
    done
    dpkg-deb --fsys-tarfile "${package[0]}" | tar -xO ./usr/share/applications/quovanta.desktop |
        grep -qx 'TryExec=/usr/bin/quovanta' || fail "the package's launcher does not name /usr/bin/quovanta"
else
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB"
fi

if ((failures > 0)); then
    echo "$failures install check(s) failed; installed files:" >&2
    (cd "$prefix" && find . -type f | sort) >&2
    exit 1
fi
echo "install layout checked in $prefix"
