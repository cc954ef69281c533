#!/usr/bin/env bash
# Checks the release archive the way an administrator uses it: unpacked into
# a fresh folder outside the build tree and started from another folder.
#
#   check_release.sh <vantrel-VERSION-linux-x86_64.tar.gz> <build tree>
#
# Where it may (root, unshare), the program runs in a mount namespace that
# hides the system's Qt and its translations and in a network namespace of its own, whose port
# 8899 and loopback nobody else shares; otherwise it runs as it is and takes
# turns on 8899 with the end-to-end tests through their lock file.
set -euo pipefail

archive=$(realpath "$1")
build_tree=$(realpath "$2")
scratch=$(mktemp -d /tmp/vantrel-release-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() {
  echo "ok: $*"
}

tar -xzf "$archive" -C "$scratch"
version=$(basename "$archive" | sed -E 's/^vantrel-(.*)-linux-x86_64\.tar\.gz$/\1/')
folder="$scratch/vantrel-$version"
[[ -d "$folder" ]] || { echo "FAIL: the archive does not hold vantrel-$version/" >&2; exit 1; }
echo "unpacked: $(du -sh "$folder" | cut -f1) in $folder"

# --- The folder's contents ---------------------------------------------------
for file in vantrel vantrel-collect.exe vantrel-collect.sh ip.html db.mdb vantrel.desktop \
            vantrel.svg vantrel.png 使用说明.txt qt.conf lib/platforms/libqxcb.so \
            translations/qtbase_zh_CN.qm; do
  [[ -s "$folder/$file" ]] || fail "$file is missing or empty"
done
[[ -x "$folder/vantrel" && -x "$folder/vantrel-collect.sh" ]] || fail "programs not executable"
[[ "$(sqlite3 "$folder/db.mdb" 'select count(*) from ip')" == 0 ]] || fail "db.mdb is not an empty inventory"
[[ "$("$folder/vantrel" --version)" == "vantrel $version" ]] || fail "--version does not say $version"
pass "contents and version"

# --- Library paths -----------------------------------------------------------
# No RPATH or RUNPATH may lead into the build tree or anywhere but lib/.
while IFS= read -r -d '' elf; do
  paths=$(readelf -d "$elf" 2>/dev/null | grep -E '\((RPATH|RUNPATH)\)' || true)
  if [[ "$paths" == *"$build_tree"* || "$paths" == *"/work/"* ]]; then
    fail "$elf has a path into the build tree: $paths"
  fi
  # shellcheck disable=SC2016  # $ORIGIN is the loader's, not the shell's
  if [[ -n "$paths" && "$paths" != *'[$ORIGIN'* ]]; then
    fail "$elf has a path that is not \$ORIGIN-relative: $paths"
  fi
done < <(find "$folder" -type f \( -name 'vantrel' -o -name 'vantrel-mdbread' -o -name '*.so*' \) -print0)
# The Access reader runs as a program of its own beside vantrel, with the
# same libraries.
for program in vantrel vantrel-mdbread; do
  [[ -x "$folder/$program" ]] || fail "$program is missing from the folder"
  # shellcheck disable=SC2016
  readelf -d "$folder/$program" | grep -q 'R\(UN\)\?PATH.*\[\$ORIGIN/lib\]' ||
    fail "$program lacks RPATH \$ORIGIN/lib"
done

# Every library ldd resolves comes from the folder, or is one of these base
# libraries that any Debian 12 or Ubuntu 22.04/24.04 desktop has:
allowed=(
  # glibc and its loader: a program can only ever use the system's.
  'ld-linux-x86-64\.so' 'libc\.so' 'libm\.so' 'libpthread\.so' 'libdl\.so' 'librt\.so' 'libresolv\.so'
  # The C++ runtime: the graphics driver loads the system's copy too.
  'libstdc\+\+\.so' 'libgcc_s\.so'
  # X11 and the core xcb extensions, with the libraries they need (bsd, md for Xdmcp).
  'libX11\.so' 'libX11-xcb\.so' 'libXau\.so' 'libXdmcp\.so' 'libXext\.so' 'libXrender\.so'
  'libxcb(-(dri2|dri3|glx|present|randr|render|shape|shm|sync|xfixes))?\.so' 'libbsd\.so' 'libmd\.so'
  # fontconfig and freetype go with the system's fonts, with their own
  # dependencies (expat, png, brotli, zlib, uuid).
  'libfontconfig\.so' 'libfreetype\.so' 'libexpat\.so' 'libpng16\.so' 'libbrotli(dec|common)\.so'
  'libz\.so' 'libuuid\.so' 'libbz2\.so'
  # OpenGL through the system's driver (glvnd).
  'libGL\.so' 'libGLX\.so' 'libGLdispatch\.so' 'libEGL\.so' 'libOpenGL\.so'
  # The driver loads these as well; a second copy would clash with them.
  'libzstd\.so' 'libffi\.so'
)
allowed_regex="^($(IFS='|'; echo "${allowed[*]}"))"
check_ldd() {
  local elf=$1 line name path
  while IFS= read -r line; do
    [[ "$line" == *'=>'* ]] || continue
    name=$(awk '{print $1}' <<<"$line")
    path=$(awk '{print $3}' <<<"$line")
    if [[ "$path" == "not" ]]; then
      fail "$(basename "$elf"): $name not found"
    elif [[ "$path" == "$folder/"* ]]; then
      :
    elif ! [[ "$name" =~ $allowed_regex ]]; then
      fail "$(basename "$elf"): $name comes from $path, outside the folder"
    fi
  done < <(ldd "$elf")
}
check_ldd "$folder/vantrel"
check_ldd "$folder/vantrel-mdbread"
check_ldd "$folder/lib/platforms/libqxcb.so"
pass "library paths"

# --- Desktop entry -----------------------------------------------------------
desktop-file-validate "$folder/vantrel.desktop" || fail "the folder's vantrel.desktop does not validate"
home="$scratch/home"
mkdir -p "$home"
HOME="$home" XDG_DATA_HOME='' "$folder/vantrel" --install-desktop-entry >"$scratch/entry.out" 2>&1 ||
  fail "--install-desktop-entry failed: $(cat "$scratch/entry.out")"
entry="$home/.local/share/applications/vantrel.desktop"
grep -qF "$entry" "$scratch/entry.out" || fail "--install-desktop-entry does not say where it wrote"
desktop-file-validate "$entry" || fail "the installed entry does not validate"
grep -qxF "Exec=\"$folder/vantrel\"" "$entry" || fail "the installed entry's Exec is not the folder's program"
grep -qxF "Path=$folder" "$entry" || fail "the installed entry's Path is not the folder"
grep -qxF "Icon=$folder/vantrel.png" "$entry" || fail "the installed entry's Icon is not the folder's"
HOME="$home" XDG_DATA_HOME='' "$folder/vantrel" --remove-desktop-entry >/dev/null || fail "--remove-desktop-entry failed"
[[ ! -e "$entry" ]] || fail "--remove-desktop-entry left the entry"
pass "desktop entry"

# --- Running it --------------------------------------------------------------
run_checks() {
  local pid status code
  wait_listening() {
    for _ in $(seq 1 300); do
      if curl -s -o /dev/null --noproxy '*' http://127.0.0.1:8899/ 2>/dev/null; then
        return 0
      fi
      kill -0 "$1" 2>/dev/null || return 1
      sleep 0.1
    done
    return 1
  }
  stop() {
    kill -TERM "$1"
    wait "$1"
  }
  export QT_QPA_PLATFORM=offscreen

  # Started through a symbolic link from a folder without ip.html: the
  # folder's page and collector are served and a report lands in its db.mdb.
  mkdir -p "$scratch/elsewhere" "$scratch/bin"
  ln -s "$folder/vantrel" "$scratch/bin/vantrel"
  (cd "$scratch/elsewhere" && exec "$scratch/bin/vantrel") >"$scratch/run.log" 2>&1 &
  pid=$!
  if ! wait_listening "$pid"; then
    fail "vantrel did not listen: $(cat "$scratch/run.log")"
    return
  fi
  curl -fsS --noproxy '*' http://127.0.0.1:8899/ | cmp -s - "$folder/ip.html" ||
    fail "GET / is not the folder's ip.html"
  curl -fsS --noproxy '*' -o "$scratch/collector.exe" http://127.0.0.1:8899/vantrel-collect.exe ||
    fail "GET /vantrel-collect.exe failed"
  [[ "$(head -c 2 "$scratch/collector.exe" 2>/dev/null)" == "MZ" ]] || fail "the collector is not a Windows program"
  code=$(curl -s --noproxy '*' -o /dev/null -w '%{http_code}' \
    'http://127.0.0.1:8899/post?xipUserName=release&xipMac=02-00-00-00-00-29')
  [[ "$code" == 200 ]] || fail "the report was answered $code"
  # A second copy is told that one runs already.
  status=0
  (cd "$scratch/elsewhere" && "$folder/vantrel") >"$scratch/second.log" 2>&1 || status=$?
  [[ "$status" == 1 ]] || fail "a second copy ended with $status"
  grep -qF "Vantrel 已在运行（端口 8899 已被占用）" "$scratch/second.log" ||
    fail "a second copy did not say that one runs: $(cat "$scratch/second.log")"
  status=0
  stop "$pid" || status=$?
  [[ "$status" == 0 ]] || fail "vantrel ended with $status: $(cat "$scratch/run.log")"
  [[ "$(sqlite3 "$folder/db.mdb" "select username from ip where mac = '02-00-00-00-00-29'")" == release ]] ||
    fail "the report is not in the folder's db.mdb"
  pass "started from another folder: page, collector, report, second copy"

  # First start without db.mdb: answered No (nobody can answer without a
  # display), nothing is created; with --create-database it is made.
  local fresh="$scratch/fresh"
  cp -a "$folder" "$fresh"
  rm "$fresh/db.mdb"
  (cd "$scratch/elsewhere" && exec "$fresh/vantrel") >"$scratch/fresh.log" 2>&1 &
  pid=$!
  wait_listening "$pid" || fail "vantrel without db.mdb did not listen: $(cat "$scratch/fresh.log")"
  stop "$pid" || true
  grep -qF "找不到 db.mdb，是否新建一个空的库存数据库？" "$scratch/fresh.log" ||
    fail "no question about db.mdb: $(cat "$scratch/fresh.log")"
  # Without a display the box's line names its buttons: in Chinese from the
  # folder's translations/ (the system's are hidden where the check may).
  grep -qF "是否新建一个空的库存数据库？ [是/否]" "$scratch/fresh.log" ||
    fail "the question's buttons do not read 是/否: $(cat "$scratch/fresh.log")"
  if compgen -G "$fresh/db.mdb*" >/dev/null; then
    fail "answered No, yet something was created: $(ls "$fresh")"
  fi
  (cd "$scratch/elsewhere" && exec "$fresh/vantrel" --create-database) >"$scratch/create.log" 2>&1 &
  pid=$!
  wait_listening "$pid" || fail "vantrel --create-database did not listen: $(cat "$scratch/create.log")"
  code=$(curl -s --noproxy '*' -o /dev/null -w '%{http_code}' \
    'http://127.0.0.1:8899/post?xipUserName=first&xipMac=02-00-00-00-00-30')
  [[ "$code" == 200 ]] || fail "the report into the new db.mdb was answered $code"
  stop "$pid" || true
  [[ "$(sqlite3 "$fresh/db.mdb" 'select username from ip')" == first ]] ||
    fail "the new db.mdb does not hold the report"
  pass "first start without db.mdb: asked with 是/否, No creates nothing, Yes creates it"
}

isolated=no
if [[ "$(id -u)" == 0 ]] && unshare --mount --net true 2>/dev/null; then
  isolated=yes
fi
if [[ "$isolated" == yes ]]; then
  export -f run_checks fail pass
  export scratch folder failures
  # In the namespaces: loopback up, this host's name in /etc/hosts (the
  # program looks it up first), and the system's Qt unreadable.
  # shellcheck disable=SC2016  # expanded by the inner shell
  unshare --mount --net bash -c '
    set -euo pipefail
    mount --make-rprivate /
    ip link set lo up
    printf "127.0.0.1 localhost\n127.0.0.1 %s\n" "$(hostname)" >"$scratch/hosts"
    mount --bind "$scratch/hosts" /etc/hosts
    qt=/usr/lib/x86_64-linux-gnu
    [[ -d $qt/qt6 ]] && mount -t tmpfs none "$qt/qt6"
    [[ -d /usr/share/qt6 ]] && mount -t tmpfs none /usr/share/qt6
    for library in "$qt"/libQt6*.so.*; do
      [[ -L "$library" ]] || mount --bind /dev/null "$library"
    done
    if ldd "$folder/vantrel" | grep -q "$qt/libQt6"; then
      echo "FAIL: the system Qt is still in reach" >&2
      exit 1
    fi
    if compgen -G "/usr/share/qt6/translations/*.qm" >/dev/null; then
      echo "FAIL: the system Qt translations are still in reach" >&2
      exit 1
    fi
    echo "the system Qt and its translations are hidden; running in a network namespace of its own"
    run_checks
    exit "$failures"
  ' || failures=$((failures + $?))
else
  echo "not root or no unshare: running with the system's Qt in reach, on this host's 8899"
  exec 9>/tmp/vantrel-e2e-8899.lock
  flock 9
  run_checks
fi

if [[ "$failures" -gt 0 ]]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "release checks passed"
