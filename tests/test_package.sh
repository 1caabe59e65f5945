#!/usr/bin/env bash
# End-to-end checks of the two ways tafcvt is installed, as a user meets them.
#
#   install  cmake --install with a prefix given at install time: every file lands under it,
#            and the installed program, run from another folder with no setting, reads the
#            defaults file of its own prefix and the data it names; joxdefault still
#            replaces the whole search path.
#   package  the Debian package from cpack: its name, control fields, conffile, file list
#            (owners, modes), man page and defaults file; the unpacked program reads the
#            defaults file named by -df and decodes a shipped bulletin from the unpacked
#            data; lintian, when installed, reports no error. Skipped (77) without dpkg-deb
#            and dpkg-shlibdeps (Debian's dpkg-dev), which build it.
#
# Usage: test_package.sh install|package CMAKE CPACK BUILD_DIR SOURCE_DIR TAFCVT VERSION
# TAFCVT is the built program, whose output from the source tree is the reference.
set -euo pipefail
mode=$1 cmake=$2 cpack=$3 build=$4 source=$5 built=$6 version=$7

bulletin=24031512  # a shipped sample, named by its date as users name them
# The forms compared with the built program's.
forms=(eng dec json)
schema=doc/tafcvt-report.schema.json

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A short temporary folder: defaults file names are limited to 79 characters.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
elsewhere=$tmp/elsewhere  # an empty working folder: no defaults file, no data
mkdir "$elsewhere" "$tmp/home"

# Runs a program from the empty folder with only PATH and HOME in its environment (and the
# assignments given before the program), so no setting of the caller's reaches it.
run_clean() {
    local vars=()
    while [[ $1 == *=* ]]; do
        vars+=("$1")
        shift
    done
    (cd "$elsewhere" && env -i PATH=/usr/bin:/bin HOME="$tmp/home" "${vars[@]}" "$@" 2>&1)
}

# Whether a run's output (whatever its status) holds a text.
run_shows() {
    local text=$1 out
    shift
    out=$(run_clean "$@") || true
    [[ $out == *"$text"* ]]
}

# The reference: the built program on the source tree's data.
reference() { run_clean "$built" -df "$build" -ba -ou "$1" "$bulletin"; }

# Compares a program's decoding of the bulletin in every form with the reference's; the
# reference must itself have decoded reports.
check_decoding() {
    local what=$1
    shift
    local form want got
    for form in "${forms[@]}"; do
        want=$(reference "$form") || fail "reference: status $? in form $form"
        [[ $want == *KJFK* ]] || fail "reference decoded no report in form $form"
        got=$(run_clean "$@" -ba -ou "$form" "$bulletin") || fail "$what: status $? in form $form"
        if [[ $form == json ]]; then  # each names the file it read, which differs
            want=$(sed 's/"file":"[^"]*"/"file":""/g' <<<"$want")
            got=$(sed 's/"file":"[^"]*"/"file":""/g' <<<"$got")
        fi
        [[ $got == "$want" ]] || fail "$what: form $form differs from the built program's:
$(diff <(echo "$want") <(echo "$got") | head -20)"
    done
}

# The files an installation holds, relative to its root, given the prefix's folders.
expected_files() {
    local bin=$1 etc=$2 share=$3 man=$4
    echo "$bin/tafcvt"
    echo "$etc/tafcvt/jox.cfg"
    echo "$share/doc/tafcvt/copyright"
    [[ -z ${5:-} ]] || echo "$share/doc/tafcvt/$5"
    echo "$share/doc/tafcvt/${schema##*/}"
    echo "$man"
    local f
    for f in name_conv parse.lup sao.cty; do echo "$share/tafcvt/$f"; done
    for f in "$source"/data/samples/*; do echo "$share/tafcvt/samples/${f##*/}"; done
}

# A defaults file must name the data folder of its installation.
check_defaults_file() {
    local file=$1 data=$2
    grep -Eq "^\*\.file_path +$data/\$" "$file" || fail "$file does not name $data/"
    grep -Eq "^\*\.data_path +$data/samples/\$" "$file" || fail "$file does not name $data/samples/"
}

check_install() {
    # A relative prefix, taken from the working folder like the files installed.
    local inst=$tmp/inst
    (cd "$tmp" && "$cmake" --install "$build" --prefix inst >"$tmp/install.log") ||
        { cat "$tmp/install.log"; fail "cmake --install failed"; return; }
    diff <(expected_files bin etc share share/man/man1/tafcvt.1 | sort) \
        <(cd "$inst" && find . -type f | sed 's|^\./||' | sort) ||
        fail "files installed under the prefix differ from the expected list"
    check_defaults_file "$inst/etc/tafcvt/jox.cfg" "$inst/share/tafcvt"

    # No setting: the program finds <prefix>/etc/tafcvt from where it stands.
    check_decoding "installed program" "$inst/bin/tafcvt"
    run_shows "Opening name convention file: $inst/share/tafcvt/name_conv" \
        "$inst/bin/tafcvt" -me debug -ba "$bulletin" ||
        fail "installed program did not read its prefix's defaults file"
    run_shows "$inst/share" joxdefault="$elsewhere" "$inst/bin/tafcvt" -me debug -ba "$bulletin" &&
        fail "joxdefault did not replace the search path"
    return 0
}

check_package() {
    local tool
    for tool in dpkg-deb dpkg-shlibdeps; do
        command -v $tool >/dev/null || { echo "$tool not found: skipped"; exit 77; }
    done
    local deb=$tmp/pkg/tafcvt_${version}_$(dpkg --print-architecture).deb
    "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log"; fail "cpack failed"; return; }
    [[ -f $deb ]] || { ls "$tmp/pkg"; fail "no package ${deb##*/}"; return; }

    local field
    for field in Maintainer Section Priority Description; do
        [[ -n $(dpkg-deb -f "$deb" "$field") ]] || fail "control field $field is empty"
    done
    [[ $(dpkg-deb -f "$deb" Package) == tafcvt ]] || fail "package name"
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version"
    # Dependencies come from the binary's libraries only.
    local depends
    depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//')
    grep -q '^libc6 (>= ' <<<"$depends" && ! grep -v '^lib' <<<"$depends" ||
        fail "dependencies not computed from the binary: $depends"
    dpkg-deb -e "$deb" "$tmp/control"
    [[ $(cat "$tmp/control/conffiles") == /etc/tafcvt/jox.cfg ]] || fail "conffiles"

    # Owned by root, folders and data world-readable, only the program executable.
    local listing
    listing=$(dpkg-deb -c "$deb")
    grep -v ' root/root ' <<<"$listing" && fail "files not owned by root"
    grep '/$' <<<"$listing" | grep -v '^drwxr-xr-x ' && fail "folder modes"
    diff <(expected_files usr/bin etc usr/share usr/share/man/man1/tafcvt.1.gz changelog.gz |
               awk '{ print ($0 == "usr/bin/tafcvt" ? "-rwxr-xr-x" : "-rw-r--r--"), "./" $0 }' |
               sort) \
        <(grep -v '/$' <<<"$listing" | awk '{print $1, $6}' | sort) ||
        fail "package file list differs from the expected list"

    local root=$tmp/root
    dpkg-deb -x "$deb" "$root"
    zcat "$root/usr/share/man/man1/tafcvt.1.gz" | cmp -s - "$source/doc/tafcvt.1" ||
        fail "packaged man page differs from doc/tafcvt.1"
    cmp -s "$source/$schema" "$root/usr/share/doc/tafcvt/${schema##*/}" ||
        fail "packaged schema differs from $schema"
    if command -v readelf >/dev/null && readelf -S "$root/usr/bin/tafcvt" | grep -q '\.symtab'; then
        fail "packaged program is not stripped"
    fi
    check_defaults_file "$root/etc/tafcvt/jox.cfg" /usr/share/tafcvt

    # Only the packaged defaults file names /usr/share/tafcvt: the program read it (the data
    # is there only once the package is installed).
    run_shows " /usr/share/tafcvt/name_conv" \
        "$root/usr/bin/tafcvt" -df "$root/etc/tafcvt" -me debug -ba "$bulletin" ||
        fail "unpacked program did not read -df's file"
    local data=$root/usr/share/tafcvt
    check_decoding "unpacked program" "$root/usr/bin/tafcvt" -df "$root/etc/tafcvt" \
        -fp "$data/" -dp "$data/samples/"

    if command -v lintian >/dev/null; then
        local report
        report=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
        echo "$report"
        grep -q '^E:' <<<"$report" && fail "lintian reports errors"
    fi
    return 0
}

case $mode in
    install) check_install ;;
    package) check_package ;;
    *) echo "usage: $0 install|package CMAKE CPACK BUILD_DIR SOURCE_DIR TAFCVT VERSION"; exit 2 ;;
esac
[[ $failures -eq 0 ]] || exit 1
echo "ok: $mode"
